// COM, the shell allocator, the desktop folder and the shell-link object, as far as the uninstaller
// uses them.
//
// Results follow COM: 0 is success (S_OK), 1 is S_FALSE, negative values are failures. The native
// build passes the calls to ole32 and shell32; on POSIX, desktop entries and symbolic links stand in
// for shell links (platform/posix/DesktopLinks) and the desktop folder is found the XDG way.
#pragma once

#include <cstdint>

#include "platform/Status.h"

namespace vx {

struct Guid {
  std::uint8_t bytes[16];
  friend bool operator==(const Guid&, const Guid&) = default;
};

// CLSID_ShellLink, {00021401-0000-0000-C000-000000000046}, in its in-memory byte order.
inline constexpr Guid kClsidShellLink = {
    {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

using WindowRef = std::uintptr_t;  // the owner window's native handle, 0 for none
using ItemList = void*;            // a shell item identifier list

// One shell-link object (IShellLinkA with its IPersistFile).
class ShellLink {
 public:
  virtual ~ShellLink() = default;
  // QueryInterface(IID_IPersistFile); on success the caller releases it with ReleasePersistFile.
  virtual HResult QueryPersistFile() = 0;
  virtual void ReleasePersistFile() = 0;
  // IPersistFile::Load(path, STGM_READ).
  virtual HResult Load(const char* path) = 0;
  // IShellLinkA::GetPath(buffer, size, find data, SLGP_UNCPRIORITY).
  virtual HResult GetPath(char* buffer, int size) = 0;
};

class ShellLinks {
 public:
  virtual ~ShellLinks() = default;

  virtual HResult CoInitialize() = 0;
  virtual void CoUninitialize() = 0;

  // SHGetMalloc; the allocator is held until ReleaseMalloc.
  virtual HResult GetMalloc() = 0;
  virtual void FreeItemList(ItemList list) = 0;  // the allocator's Free
  virtual void ReleaseMalloc() = 0;

  // SHGetSpecialFolderLocation(owner, CSIDL_DESKTOPDIRECTORY, list).
  virtual HResult GetDesktopLocation(WindowRef owner, ItemList* list) = 0;
  // SHGetPathFromIDList into a buffer of kMaxPath characters.
  virtual bool GetPathFromItemList(ItemList list, char* path) = 0;

  // GetClassFile(path, clsid).
  virtual HResult GetClassFile(const char* path, Guid* clsid) = 0;

  // CoCreateInstance(CLSID_ShellLink, no outer, CLSCTX_INPROC_SERVER, IID_IShellLinkA). The object
  // stays the caller's until ReleaseShellLink.
  virtual HResult CreateShellLink(ShellLink** link) = 0;
  virtual void ReleaseShellLink(ShellLink* link) = 0;

  // Where a system keeps the user's application menu entries apart from the desktop, and the icon
  // theme folder those entries take their icons from (on POSIX the user's applications/ and
  // icons/hicolor/ folders): into buffers of kMaxPath characters, without a trailing separator.
  // False where the system has no such folder (Windows: the panel has no menu entry there) or it
  // cannot be known.
  virtual bool GetMenuFolder(char* /*path*/) { return false; }
  virtual bool GetIconThemeFolder(char* /*path*/) { return false; }
};

}  // namespace vx
