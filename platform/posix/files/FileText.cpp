#include "platform/posix/files/FileText.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

namespace vx::posix {

namespace {

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Reads the regular file open on fd (and closes it).
bool ReadOpenFile(int fd, std::size_t limit, std::string& out, struct stat* stOut) {
  struct stat& st = *stOut;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<unsigned long long>(st.st_size) > limit) {
    ::close(fd);
    return false;
  }
  // Read one byte past the limit, so a file that grew since fstat is still caught.
  out.resize(static_cast<std::size_t>(st.st_size) + 1);
  std::size_t have = 0;
  while (have <= limit) {
    if (have == out.size()) out.resize(limit + 1);
    ssize_t n = ::read(fd, out.data() + have, out.size() - have);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    have += static_cast<std::size_t>(n);
    // The size fstat gave, read in one go: no second read just to meet the end of the file.
    if (have == static_cast<std::size_t>(st.st_size) && have < out.size()) break;
  }
  ::close(fd);
  if (have > limit) return false;
  out.resize(have);
  return true;
}

}  // namespace

bool ReadSmallFileInto(const std::string& path, std::size_t limit, std::string& out,
                       bool followLinks) {
  out.clear();
  // O_NONBLOCK: opening a FIFO for reading must not wait for a writer; it is refused below.
  int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (followLinks ? 0 : O_NOFOLLOW);
  int fd = ::open(path.c_str(), flags);
  if (fd < 0) return false;
  struct stat st;
  return ReadOpenFile(fd, limit, out, &st);
}

bool ReadSmallFileAt(int folder, const char* name, std::size_t limit, std::string& out,
                     struct stat* st) {
  out.clear();
  int fd = ::openat(folder, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW);
  if (fd < 0) return false;
  return ReadOpenFile(fd, limit, out, st);
}

bool ReadListedFileAt(int folder, const char* name, std::size_t limit, std::string& out) {
  int fd = ::openat(folder, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW);
  if (fd < 0) {
    out.clear();
    return false;
  }
  // The storage the last file left, at least a small entry's worth, grown by doubling.
  constexpr std::size_t kFirstRead = 256;
  out.resize(std::min(std::max(out.capacity(), kFirstRead), limit + 1));
  std::size_t have = 0;
  while (true) {
    if (have == out.size()) {
      if (have > limit) break;
      out.resize(std::min(2 * have, limit + 1));
    }
    ssize_t n = ::read(fd, out.data() + have, out.size() - have);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (n == 0) {
      ::close(fd);
      out.resize(have);
      return true;
    }
    have += static_cast<std::size_t>(n);
  }
  ::close(fd);
  out.clear();
  return false;
}

std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t limit) {
  std::string text;
  if (!ReadSmallFileInto(path, limit, text)) return std::nullopt;
  return text;
}

bool WriteFileAtomically(const std::string& path, const std::string& text) {
  struct stat old;
  bool existed = ::stat(path.c_str(), &old) == 0;
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = path + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(attempt);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  bool ok = WriteAll(fd, text.data(), text.size());
  if (ok && existed) ok = ::fchmod(fd, old.st_mode & 07777) == 0;
  if (ok) ok = ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // The rename is durable only once the folder is.
  SyncFolderAfterRename(FolderOfPath(path));
  return true;
}

std::string FolderOfPath(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

int SyncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  int error = ::fsync(fd) == 0 ? 0 : errno;
  ::close(fd);
  return error;
}

namespace {
FolderSync g_folderSync = nullptr;
}  // namespace

void SetFolderSyncForTests(FolderSync sync) { g_folderSync = sync; }

void SyncFolderAfterRename(const std::string& folder) {
  static bool told = false;
  const int error = (g_folderSync ? g_folderSync : SyncFolder)(folder);
  if (error == 0 || told) return;
  told = true;
  std::fprintf(stderr,
               "vexmor: \"%s\": the folder cannot be synced (%s); the change is saved, but a "
               "power loss now could undo it\n",
               folder.c_str(), std::strerror(error));
}

FileLock::~FileLock() {
  if (m_fd >= 0) ::close(m_fd);  // closing the only descriptor releases the lock
}

int FileLock::Take(const std::string& path, std::chrono::milliseconds patience) {
  m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (m_fd < 0) return errno;
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) return errno;
    if (std::chrono::steady_clock::now() > deadline) return ETIMEDOUT;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return 0;
}

bool PathExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

int MakeFolderTree(const std::string& path) {
  if (path.empty()) return ENOENT;
  for (std::size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos != path.size() && path[pos] != '/') continue;
    if (path[pos - 1] == '/') continue;  // a doubled or trailing '/'
    std::string part = path.substr(0, pos);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return errno;
  }
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return errno;
  return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

}  // namespace vx::posix
