#include "platform/posix/files/PosixFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace vx::posix {

namespace {

constexpr std::string_view kAllEntries = "/*.*";

DIR* AsDir(FindHandle handle) { return reinterpret_cast<DIR*>(handle); }

bool FolderExists(const std::string& folder) {
  struct stat st;
  return ::stat(folder.empty() ? "." : folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ParentOf(const char* path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  std::size_t slash = p.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : p.substr(0, slash);
}

bool TooLong(const char* path) { return std::strlen(path) >= kMaxPath; }

}  // namespace

std::uint32_t WindowsErrorFor(int error, const char* path) {
  switch (error) {
    case ENOENT:
      return FolderExists(ParentOf(path)) ? kFileNotFound : kPathNotFound;
    case ENOTDIR:
      return kPathNotFound;
    case EISDIR:
    case EACCES:
    case EPERM:
      return kAccessDenied;
    case ENAMETOOLONG:
      return kFilenameTooLong;
    case ENOTEMPTY:
    case EEXIST:
      return kErrorDirNotEmpty;
    case EROFS:
      return kErrorWriteProtect;
    case EBUSY:
      return kErrorSharingViolation;
    case ELOOP:
    case EXDEV:  // leads out of the folder it was to stay below
      return kErrorCantResolve;
    case EINVAL:
      return kInvalidParameter;
    default:
      return kErrorGenFailure;
  }
}

PosixFiles::~PosixFiles() = default;

namespace {

// The error of a call on an entry reached through `place`: a missing entry in a folder that was
// found is a missing file; a place that could not be reached names its folder's trouble.
std::uint32_t PlacedError(const Place& place, int error, const char* path) {
  if (place.error)
    return error == ENOENT || error == ENOTDIR ? kPathNotFound : WindowsErrorFor(error, path);
  if (place.folder != AT_FDCWD && error == ENOENT) return kFileNotFound;
  return WindowsErrorFor(error, path);
}

}  // namespace

FindHandle PosixFiles::FindFirstFileA(const char* pattern, FindData* data) {
  if (TooLong(pattern)) {
    lastError_ = kFilenameTooLong;
    return kInvalidFind;
  }
  std::string_view p = pattern;
  if (p.size() < kAllEntries.size() || p.substr(p.size() - kAllEntries.size()) != kAllEntries) {
    lastError_ = kInvalidParameter;
    return kInvalidFind;
  }
  std::string folder(p.substr(0, p.size() - kAllEntries.size()));
  DIR* dir = folders_.Open(folder);
  if (!dir) {
    // The folder itself missing is a missing folder on the path.
    lastError_ = errno == ENOENT ? kPathNotFound : WindowsErrorFor(errno, pattern);
    return kInvalidFind;
  }
  auto handle = reinterpret_cast<FindHandle>(dir);
  if (!Fill(handle, data)) {
    // No entry at all (not even "."): the folder went away while it was open.
    std::uint32_t error = lastError_;
    FindClose(handle);
    lastError_ = error == kNoMoreFiles ? kFileNotFound : error;
    return kInvalidFind;
  }
  return handle;
}

bool PosixFiles::FindNextFileA(FindHandle handle, FindData* data) {
  if (!folders_.IsOpen(AsDir(handle))) {
    lastError_ = kInvalidHandle;
    return false;
  }
  return Fill(handle, data);
}

bool PosixFiles::Fill(FindHandle handle, FindData* data) {
  DIR* dir = AsDir(handle);
  unsigned char type = DT_UNKNOWN;
  const dirent* entry = folders_.Next(dir, &type);
  if (!entry) {
    lastError_ = errno == 0 ? kNoMoreFiles : WindowsErrorFor(errno, ".");
    return false;
  }
  std::uint32_t attributes = 0;
  if (type == DT_DIR) {
    attributes = kAttrDirectory;
  } else if (type == DT_LNK) {
    attributes = kAttrReparsePoint;
    struct stat st;
    // What the link names: a folder (the walk must not enter it) or anything else, a missing or
    // looping target included.
    if (::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode))
      attributes |= kAttrDirectory;
  }
  data->attributes = attributes;
  std::size_t length = std::strlen(entry->d_name);
  if (length >= sizeof data->name) length = sizeof data->name - 1;
  std::memcpy(data->name, entry->d_name, length);
  data->name[length] = '\0';
  return true;
}

void PosixFiles::FindClose(FindHandle handle) { folders_.Close(AsDir(handle)); }

bool PosixFiles::DeleteFileA(const char* path) {
  if (TooLong(path)) {
    lastError_ = kFilenameTooLong;
    return false;
  }
  Place place = folders_.Locate(path);
  if (!place.error && ::unlinkat(place.folder, place.name, 0) == 0) return true;
  lastDeleteErrno_ = place.error ? place.error : errno;
  lastError_ = PlacedError(place, lastDeleteErrno_, path);
  return false;
}

bool PosixFiles::RemoveDirectoryA(const char* path) {
  lastDeleteErrno_ = 0;
  if (TooLong(path)) {
    lastError_ = kFilenameTooLong;
    return false;
  }
  Place place = folders_.Locate(path);
  if (!place.error && ::unlinkat(place.folder, place.name, AT_REMOVEDIR) == 0) return true;
  int error = place.error ? place.error : errno;
  // ENOTDIR names both a file (or link) where the folder is asked for and a file on the way to it.
  if (!place.error && error == ENOTDIR &&
      (place.folder != AT_FDCWD || FolderExists(ParentOf(path)))) {
    lastError_ = kErrorDirectory;
  } else {
    lastError_ = PlacedError(place, error, path);
  }
  return false;
}

bool PosixFiles::FolderIdentity(const char* path, FolderId* id) {
  struct stat st;
  if (!path || path[0] != '/' || !id || ::stat(path, &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  id->device = static_cast<std::uint64_t>(st.st_dev);
  id->inode = static_cast<std::uint64_t>(st.st_ino);
  return true;
}

std::uint32_t PosixFiles::GetCurrentDirectoryA(std::uint32_t size, char* buffer) {
  char cwd[4096];
  if (!::getcwd(cwd, sizeof cwd)) {
    lastError_ = errno == ERANGE ? kFilenameTooLong : WindowsErrorFor(errno, ".");
    return 0;
  }
  auto length = static_cast<std::uint32_t>(std::strlen(cwd));
  if (length + 1 > size || !buffer) return length + 1;
  std::memcpy(buffer, cwd, length + 1);
  return length;
}

}  // namespace vx::posix
