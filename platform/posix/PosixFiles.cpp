#include "platform/posix/PosixFiles.h"

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
      return kErrorCantResolve;
    case EINVAL:
      return kInvalidParameter;
    default:
      return kErrorGenFailure;
  }
}

PosixFiles::~PosixFiles() {
  for (FindHandle handle : open_) ::closedir(AsDir(handle));
}

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
  // Keep the '/' so that "/*.*" lists the root folder.
  std::string folder(p.substr(0, p.size() - kAllEntries.size() + 1));
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) {
    // The folder itself missing is a missing folder on the path.
    lastError_ = errno == ENOENT ? kPathNotFound : WindowsErrorFor(errno, pattern);
    return kInvalidFind;
  }
  auto handle = reinterpret_cast<FindHandle>(dir);
  open_.insert(handle);
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
  if (!open_.count(handle)) {
    lastError_ = kInvalidHandle;
    return false;
  }
  return Fill(handle, data);
}

bool PosixFiles::Fill(FindHandle handle, FindData* data) {
  DIR* dir = AsDir(handle);
  errno = 0;
  const dirent* entry = ::readdir(dir);
  if (!entry) {
    lastError_ = errno == 0 ? kNoMoreFiles : WindowsErrorFor(errno, ".");
    return false;
  }
  std::uint32_t attributes = 0;
  unsigned char type = entry->d_type;
  if (type == DT_UNKNOWN || type == DT_LNK) {
    struct stat st;
    if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
      if (S_ISLNK(st.st_mode)) {
        type = DT_LNK;
      } else if (S_ISDIR(st.st_mode)) {
        type = DT_DIR;
      }
    }
  }
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

void PosixFiles::FindClose(FindHandle handle) {
  if (open_.erase(handle)) ::closedir(AsDir(handle));
}

bool PosixFiles::DeleteFileA(const char* path) {
  if (TooLong(path)) {
    lastError_ = kFilenameTooLong;
    return false;
  }
  if (::unlink(path) == 0) return true;
  lastError_ = WindowsErrorFor(errno, path);
  return false;
}

bool PosixFiles::RemoveDirectoryA(const char* path) {
  if (TooLong(path)) {
    lastError_ = kFilenameTooLong;
    return false;
  }
  if (::rmdir(path) == 0) return true;
  int error = errno;
  // ENOTDIR names both a file where the folder is asked for and a file on the way to it.
  if (error == ENOTDIR && FolderExists(ParentOf(path))) {
    lastError_ = kErrorDirectory;
  } else {
    lastError_ = WindowsErrorFor(error, path);
  }
  return false;
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
