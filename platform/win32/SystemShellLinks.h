// COM, the shell allocator, the desktop folder and the shell-link object over ole32 and shell32.
//
// The two calls that take a path in wide characters (GetClassFile and IPersistFile::Load) get a
// copy made with MultiByteToWideChar in the ANSI code page.
#pragma once

#include "platform/ShellLinks.h"

struct IMalloc;

namespace vx::win32 {

class SystemShellLinks : public ShellLinks {
 public:
  HResult CoInitialize() override;
  void CoUninitialize() override;
  HResult GetMalloc() override;
  void FreeItemList(ItemList list) override;
  void ReleaseMalloc() override;
  HResult GetDesktopLocation(WindowRef owner, ItemList* list) override;
  bool GetPathFromItemList(ItemList list, char* path) override;
  HResult GetClassFile(const char* path, Guid* clsid) override;
  HResult CreateShellLink(ShellLink** link) override;
  void ReleaseShellLink(ShellLink* link) override;

 private:
  IMalloc* m_malloc = nullptr;
};

}  // namespace vx::win32
