#include "platform/posix/files/FolderHandles.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vx::posix {

namespace {

int OpenBeneath(int folder, const std::string& path) {
  open_how how{};
  how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS;
  return static_cast<int>(::syscall(SYS_openat2, folder, path.c_str(), &how, sizeof how));
}

bool IsDotName(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

unsigned char TypeOf(mode_t mode) {
  if (S_ISLNK(mode)) return DT_LNK;
  if (S_ISDIR(mode)) return DT_DIR;
  if (S_ISREG(mode)) return DT_REG;
  return DT_UNKNOWN;
}

}  // namespace

Place::Place(Place&& other) noexcept
    : folder(other.folder), name(other.name), type(other.type), listing(other.listing),
      error(other.error), owned_(other.owned_) {
  other.owned_ = -1;
}

Place::~Place() {
  if (owned_ >= 0) ::close(owned_);
}

FolderHandles::~FolderHandles() {
  for (const Listing& open : open_) ::closedir(open.dir);
}

DIR* FolderHandles::Open(const std::string& folder) {
  std::string path = folder.empty() ? "/" : folder;
  Place place = Locate(path.c_str());
  if (place.error) {
    errno = place.error;
    return nullptr;
  }
  int fd;
  if (place.folder == AT_FDCWD) {
    fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  } else {
    fd = ::openat(place.folder, place.name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    // O_DIRECTORY answers a link with ENOTDIR, like a file: tell them apart.
    struct stat st;
    if (fd < 0 && errno == ENOTDIR &&
        ::fstatat(place.folder, place.name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
      errno = ELOOP;
  }
  if (fd < 0) return nullptr;
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    int error = errno;
    ::close(fd);
    errno = error;
    return nullptr;
  }
  // Kept without its final separators: "X", "X/" and "X//" name one folder, and a path below it
  // may join its name with one or more.
  std::string prefix = folder;
  while (!prefix.empty() && prefix.back() == '/') prefix.pop_back();
  open_.push_back({dir, std::move(prefix), nullptr, DT_UNKNOWN, 0});
  return dir;
}

const dirent* FolderHandles::Next(DIR* dir, unsigned char* type) {
  for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
    if (it->dir != dir) continue;
    it->last = nullptr;
    errno = 0;
    const dirent* entry = ::readdir(dir);
    if (!entry) return nullptr;
    unsigned char t = entry->d_type;
    struct stat st;
    if (t == DT_UNKNOWN && ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
      t = TypeOf(st.st_mode);
    it->last = entry;
    it->lastType = t;
    it->delivery = ++deliveries_;
    *type = t;
    return entry;
  }
  errno = EBADF;
  return nullptr;
}

void FolderHandles::Close(DIR* dir) {
  for (auto it = open_.begin(); it != open_.end(); ++it) {
    if (it->dir == dir) {
      ::closedir(dir);
      open_.erase(it);
      return;
    }
  }
}

bool FolderHandles::IsOpen(DIR* dir) const {
  for (const Listing& open : open_)
    if (open.dir == dir) return true;
  return false;
}

Place FolderHandles::Locate(const char* path) const {
  if (beforeUse) beforeUse(path);
  Place place;
  place.name = path;
  const std::size_t length = std::strlen(path);
  // The innermost folder first: the walk works in the folder it opened last.
  for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
    const std::string& prefix = it->prefix;
    if (length <= prefix.size() + 1 || std::memcmp(path, prefix.data(), prefix.size()) != 0 ||
        path[prefix.size()] != '/')
      continue;
    const char* below = path + prefix.size();
    while (*below == '/') ++below;
    const char* slash = std::strrchr(below, '/');
    const char* name = slash ? slash + 1 : below;
    place.name = name;
    // "." and ".." would name the folder or its parent, not an entry in it.
    if (*name == '\0' || IsDotName(name)) {
      place.error = EINVAL;
      return place;
    }
    if (!slash) {
      place.folder = ::dirfd(it->dir);
      if (it->last && std::strcmp(it->last->d_name, name) == 0) {
        place.type = it->lastType;
        place.listing = it->delivery;
      }
      return place;
    }
    place.owned_ = OpenBeneath(::dirfd(it->dir), std::string(below, slash));
    if (place.owned_ < 0) {
      // EXDEV: the path leaves the folder; ELOOP: a link on the way.
      place.error = errno;
      return place;
    }
    place.folder = place.owned_;
    return place;
  }
  return place;
}

}  // namespace vx::posix
