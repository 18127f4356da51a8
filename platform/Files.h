// File-system calls of the uninstaller, in the shape of the Windows API (kernel32).
//
// Paths are 8-bit strings of at most kMaxPath characters with the terminator. Separator() is the one
// character the programs put between a folder and a name: '\\' on Windows, '/' on POSIX.
#pragma once

#include <cstdint>

#include "platform/Status.h"

namespace vx {

inline constexpr std::uint32_t kAttrDirectory = 0x10;      // FILE_ATTRIBUTE_DIRECTORY
inline constexpr std::uint32_t kAttrReparsePoint = 0x400;  // FILE_ATTRIBUTE_REPARSE_POINT: a link

// The part of WIN32_FIND_DATAA the programs read.
struct FindData {
  std::uint32_t attributes = 0;
  char name[kMaxPath] = {};
};

// What tells one folder from another whatever path leads to it: device and inode on POSIX.
struct FolderId {
  std::uint64_t device = 0, inode = 0;
  friend bool operator==(const FolderId&, const FolderId&) = default;
};

using FindHandle = std::intptr_t;
inline constexpr FindHandle kInvalidFind = -1;  // INVALID_HANDLE_VALUE

class Files {
 public:
  virtual ~Files() = default;

  virtual char Separator() const = 0;

  // Whether two names that differ only in letter case name different files: not on Windows, yes on
  // POSIX file systems. Comparisons of full paths (a shortcut's target) follow it.
  virtual bool CaseSensitiveNames() const { return Separator() == '/'; }

  // Whether a name beginning with '.' marks a hidden entry, one the desktop does not show: yes on
  // POSIX, not on Windows (where hiding is an attribute).
  virtual bool DotNamesHidden() const { return Separator() == '/'; }

  // FindFirstFileA / FindNextFileA / FindClose. A pattern ends in "*.*", which matches every entry;
  // "." and ".." are delivered like any other entry.
  virtual FindHandle FindFirstFileA(const char* pattern, FindData* data) = 0;
  virtual bool FindNextFileA(FindHandle handle, FindData* data) = 0;
  virtual void FindClose(FindHandle handle) = 0;

  virtual bool DeleteFileA(const char* path) = 0;
  virtual bool RemoveDirectoryA(const char* path) = 0;

  // The error number of the last failed call above: 2 for a missing file, 3 for a missing folder on
  // the path, 5 for a folder where a file is expected or a refused permission.
  virtual std::uint32_t GetLastError() = 0;

  // The identity of the folder an absolute path names, the path looked up as the file system
  // follows it (links, "..", "." and repeated separators included). False when it names no folder
  // that can be reached, and on a platform whose folders have no such identity (Windows: paths
  // are compared as they are spelled there).
  virtual bool FolderIdentity(const char* path, FolderId* id) {
    (void)path, (void)id;
    return false;
  }

  // GetCurrentDirectoryA: length without terminator; 0 on failure; when the buffer is too small, the
  // room needed (terminator included) and nothing written.
  virtual std::uint32_t GetCurrentDirectoryA(std::uint32_t size, char* buffer) = 0;
};

}  // namespace vx
