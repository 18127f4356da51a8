// files/: file-system calls, whole-file text and the stand-ins' folders (Environment).
//
// The file-system calls of vx::Files on POSIX: directory enumeration through folder handles and
// readdir, unlinkat and getcwd, with errno translated to the Windows error numbers the logic expects.
//
// Thin: every call does what the Windows call does and reports what the system answered. Links are
// reported as reparse points: a link to a folder carries kAttrDirectory | kAttrReparsePoint, any
// other link kAttrReparsePoint alone (it may be a shortcut). A path below a folder being enumerated
// is reached from that folder's handle without following any link (FolderHandles); a folder that
// became a link since it was listed cannot be enumerated (kCantResolveFilename), deleted or removed.
#pragma once

#include <cstdint>

#include "platform/Files.h"
#include "platform/posix/files/FolderHandles.h"

namespace vx::posix {

class PosixFiles : public vx::Files {
 public:
  PosixFiles() = default;
  ~PosixFiles() override;
  PosixFiles(const PosixFiles&) = delete;
  PosixFiles& operator=(const PosixFiles&) = delete;

  char Separator() const override { return '/'; }

  // The pattern is a folder, '/', and "*.*" (every entry); any other pattern answers
  // kInvalidParameter. A path of kMaxPath characters or more answers kFilenameTooLong, as the ANSI
  // calls of Windows do.
  FindHandle FindFirstFileA(const char* pattern, FindData* data) override;
  bool FindNextFileA(FindHandle handle, FindData* data) override;
  void FindClose(FindHandle handle) override;

  // unlink(2): a link is removed, never what it names; a folder answers kAccessDenied.
  bool DeleteFileA(const char* path) override;
  // rmdir(2): a folder that is not empty answers ERROR_DIR_NOT_EMPTY (145), a file
  // ERROR_DIRECTORY (267).
  bool RemoveDirectoryA(const char* path) override;

  // stat(2) of the path, which must be absolute (a relative one would be looked up from this
  // process's folder, not from where it was written).
  bool FolderIdentity(const char* path, FolderId* id) override;

  std::uint32_t GetLastError() override { return lastError_; }
  // The errno behind a DeleteFileA that failed (0 after a RemoveDirectoryA), for a caller that must tell apart what the
  // Windows number folds together (ENOTDIR and ENOENT both answer ERROR_PATH_NOT_FOUND).
  int LastDeleteErrno() const { return lastDeleteErrno_; }
  std::uint32_t GetCurrentDirectoryA(std::uint32_t size, char* buffer) override;

  // Find handles not yet closed (for tests that check every handle is released).
  std::size_t OpenFinds() const { return folders_.Count(); }

  // The folders being enumerated; DesktopLinks examines entries through them too.
  FolderHandles& Folders() { return folders_; }

 private:
  bool Fill(FindHandle handle, FindData* data);

  std::uint32_t lastError_ = 0;
  int lastDeleteErrno_ = 0;
  FolderHandles folders_;
};

// The Windows error number for an errno value of a call on `path` (a missing entry is 2 when its
// folder exists and 3 when it does not).
std::uint32_t WindowsErrorFor(int error, const char* path);

inline constexpr std::uint32_t kErrorGenFailure = 31;     // ERROR_GEN_FAILURE
inline constexpr std::uint32_t kErrorDirNotEmpty = kDirNotEmpty;
inline constexpr std::uint32_t kErrorDirectory = kNotADirectory;
inline constexpr std::uint32_t kErrorWriteProtect = 19;   // ERROR_WRITE_PROTECT
inline constexpr std::uint32_t kErrorSharingViolation = 32;  // ERROR_SHARING_VIOLATION
inline constexpr std::uint32_t kErrorCantResolve = kCantResolveFilename;  // a link in the way

}  // namespace vx::posix
