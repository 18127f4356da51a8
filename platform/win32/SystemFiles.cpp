#include "platform/win32/SystemFiles.h"

#include <windows.h>

#include <cstring>

namespace vx::win32 {

namespace {

void Copy(const WIN32_FIND_DATAA& found, FindData* data) {
  data->attributes = found.dwFileAttributes;
  static_assert(sizeof data->name == sizeof found.cFileName);
  std::memcpy(data->name, found.cFileName, sizeof data->name);
}

HANDLE Native(FindHandle handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

FindHandle SystemFiles::FindFirstFileA(const char* pattern, FindData* data) {
  WIN32_FIND_DATAA found;
  const HANDLE handle = ::FindFirstFileA(pattern, &found);
  if (handle == INVALID_HANDLE_VALUE) return kInvalidFind;
  Copy(found, data);
  return reinterpret_cast<FindHandle>(handle);
}

bool SystemFiles::FindNextFileA(FindHandle handle, FindData* data) {
  WIN32_FIND_DATAA found;
  if (!::FindNextFileA(Native(handle), &found)) return false;
  Copy(found, data);
  return true;
}

void SystemFiles::FindClose(FindHandle handle) { ::FindClose(Native(handle)); }

bool SystemFiles::DeleteFileA(const char* path) { return ::DeleteFileA(path) != 0; }

bool SystemFiles::RemoveDirectoryA(const char* path) { return ::RemoveDirectoryA(path) != 0; }

std::uint32_t SystemFiles::GetLastError() { return ::GetLastError(); }

std::uint32_t SystemFiles::GetCurrentDirectoryA(std::uint32_t size, char* buffer) {
  return ::GetCurrentDirectoryA(size, buffer);
}

}  // namespace vx::win32
