#include "platform/posix/wininit/RunnerFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/files/PosixFiles.h"

namespace vx::wininit {

namespace {

FileId IdOf(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// The Windows number for an errno of a call made in an open folder: a missing name there is a
// missing file, a file where a folder is asked for is not a folder.
std::uint32_t ErrorIn(int error) {
  if (error == ENOENT) return vx::kFileNotFound;
  if (error == ENOTDIR) return vx::kNotADirectory;
  return vx::posix::WindowsErrorFor(error, "");
}

class OpenFolder : public EntryFolder {
 public:
  explicit OpenFolder(int fd) : fd_(fd) {}
  ~OpenFolder() override { ::close(fd_); }
  OpenFolder(const OpenFolder&) = delete;
  OpenFolder& operator=(const OpenFolder&) = delete;

  FileId Id() override {
    struct stat st;
    return ::fstat(fd_, &st) == 0 ? IdOf(st) : FileId{};
  }

  std::optional<FileId> FileNamed(const std::string& name) override {
    struct stat st;
    if (::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISLNK(st.st_mode))
      return std::nullopt;
    return IdOf(st);
  }

  std::uint32_t Remove(const std::string& name, As as) override {
    if (::unlinkat(fd_, name.c_str(), as == As::kFolder ? AT_REMOVEDIR : 0) == 0) return 0;
    return ErrorIn(errno);
  }

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<EntryFolder> RunnerFiles::Open(const std::string& folder, std::uint32_t* error) {
  const int fd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    *error = errno == ENOENT ? vx::kPathNotFound : ErrorIn(errno);
    return nullptr;
  }
  return std::make_unique<OpenFolder>(fd);
}

}  // namespace vx::wininit
