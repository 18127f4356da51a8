// Whole-file reads and atomic whole-file writes for the stand-ins that keep text files
// (WININIT.INI, user-dirs.dirs, desktop entries).
#pragma once

#include <sys/stat.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

namespace vx::posix {

// The contents of a regular file of at most `limit` bytes; nothing when it is missing, not a
// regular file (a FIFO is never opened for reading), unreadable or larger than the limit.
std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t limit);

// Same, into `out` (whose storage is reused from call to call). False as above, and when the path
// names a link while followLinks is false.
bool ReadSmallFileInto(const std::string& path, std::size_t limit, std::string& out,
                       bool followLinks = true);

// Same for the entry `name` of the folder handle `folder` (or AT_FDCWD), never through a link in
// its last component; `st` receives what the opened file is (identity, size and times).
bool ReadSmallFileAt(int folder, const char* name, std::size_t limit, std::string& out,
                     struct stat* st);

// Same for an entry its folder's listing has just given as a regular file, without looking at it
// again: no fstat, the file is read to its end, and one byte past the limit tells a larger one.
// `out` keeps its storage from call to call. (A FIFO put in its place since the listing is read
// without waiting, as far as a writer filled it.)
bool ReadListedFileAt(int folder, const char* name, std::size_t limit, std::string& out);

// Replaces the file with `text` through a temporary file in the same folder and a rename, so a
// reader sees the old file or the new one, never a part. An existing file keeps its permission
// bits; a new one gets 0644 less the umask. False when a step up to the rename fails (the old file
// then stands); once the rename is done the file is written, whatever the folder's sync answers.
bool WriteFileAtomically(const std::string& path, const std::string& text);

// fsync of a folder, so that a rename or unlink in it survives a power loss. 0 or an errno.
int SyncFolder(const std::string& folder);

// The sync that follows a rename that has happened: the change is made whatever it answers, so a
// failure is only told on stderr, once per process, never answered as a failed save.
void SyncFolderAfterRename(const std::string& folder);

// Tests put a failing sync in place of SyncFolder for SyncFolderAfterRename (root can open and sync
// any folder); nullptr puts the real one back.
using FolderSync = int (*)(const std::string& folder);
void SetFolderSyncForTests(FolderSync sync);

// The folder part of a path ("." when it has none).
std::string FolderOfPath(const std::string& path);

// An exclusive flock on a lock file (created when missing), held until the object ends. Writers of
// one file take the same lock file, so that each reads and replaces what the other left.
class FileLock {
 public:
  FileLock() = default;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock();
  // 0 or an errno; ETIMEDOUT when another holder keeps it longer than `patience` (a peer holds it
  // for a read and a write of a small file: one that holds it far longer is hung).
  int Take(const std::string& path,
           std::chrono::milliseconds patience = std::chrono::milliseconds(10000));

 private:
  int m_fd = -1;
};

// Whether anything (a link included) stands at the path.
bool PathExists(const std::string& path);

// Creates the folder and its missing parents (mode 0700 for new ones, as the XDG folders are).
// Answers 0 when the folder is there, else an errno (ENOTDIR when a file stands in the way).
int MakeFolderTree(const std::string& path);

}  // namespace vx::posix
