#include "platform/posix/ports/AllowListFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace vx::posix {

namespace {
constexpr off_t kMaxListBytes = 64 * 1024;
}

AllowListFile ReadAllowListFile(const char* name) {
  AllowListFile file;
  char image[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", image, sizeof image - 1);
  if (length <= 0) {
    file.error = std::string("cannot find the program's folder: ") + std::strerror(errno);
    return file;
  }
  std::string folder(image, static_cast<std::size_t>(length));
  folder.erase(folder.rfind('/') == 0 ? 1 : folder.rfind('/'));
  file.path = folder + (folder == "/" ? "" : "/") + name;

  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) {
    file.error = std::strerror(errno);
    return file;
  }
  file.folderOwner = st.st_uid;
  file.folderMode = st.st_mode & 07777;

  const int fd = ::open(file.path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    file.exists = errno != ENOENT;
    if (file.exists) file.error = std::strerror(errno);
    return file;
  }
  file.exists = true;
  if (::fstat(fd, &st) != 0) {
    file.error = std::strerror(errno);
  } else if (!S_ISREG(st.st_mode)) {
    file.error = "not a regular file";
  } else if (st.st_size > kMaxListBytes) {
    file.error = "larger than 64 KB";
  } else {
    file.owner = st.st_uid;
    file.mode = st.st_mode & 07777;
    char buffer[4096];
    for (;;) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n > 0) {
        file.text.append(buffer, static_cast<std::size_t>(n));
        if (file.text.size() > static_cast<std::size_t>(kMaxListBytes)) {
          file.error = "larger than 64 KB";
          break;
        }
      } else if (n == 0) {
        break;
      } else if (errno != EINTR) {
        file.error = std::strerror(errno);
        break;
      }
    }
  }
  ::close(fd);
  return file;
}

}  // namespace vx::posix
