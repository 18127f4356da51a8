// The file interface over kernel32: find, delete, remove folder, last error, current folder.
#pragma once

#include "platform/Files.h"

namespace vx::win32 {

class SystemFiles : public Files {
 public:
  char Separator() const override { return '\\'; }

  FindHandle FindFirstFileA(const char* pattern, FindData* data) override;
  bool FindNextFileA(FindHandle handle, FindData* data) override;
  void FindClose(FindHandle handle) override;
  bool DeleteFileA(const char* path) override;
  bool RemoveDirectoryA(const char* path) override;
  std::uint32_t GetLastError() override;
  std::uint32_t GetCurrentDirectoryA(std::uint32_t size, char* buffer) override;
};

}  // namespace vx::win32
