#include "platform/posix/wininit/RunnerFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx::wininit {

std::optional<PathTarget> RunnerFiles::Resolve(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::nullopt;
  // The folder and the name are looked at through one handle, so both answers are of one folder.
  const int folder = ::open(path.substr(0, slash + 1).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return std::nullopt;
  PathTarget target;
  target.name = path.substr(slash + 1);
  struct stat st;
  const bool resolved = ::fstat(folder, &st) == 0;
  if (resolved) {
    target.folder = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    if (::fstatat(folder, target.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        !S_ISLNK(st.st_mode))
      target.file = FileId{static_cast<std::uint64_t>(st.st_dev),
                           static_cast<std::uint64_t>(st.st_ino)};
  }
  ::close(folder);
  if (!resolved) return std::nullopt;
  return target;
}

}  // namespace vx::wininit
