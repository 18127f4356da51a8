#include "platform/posix/DesktopLinks.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/posix/DesktopEntry.h"
#include "platform/posix/Environment.h"
#include "platform/posix/FileText.h"
#include "platform/posix/LinkPath.h"
#include "platform/posix/UserDirs.h"

namespace vx::posix {

namespace {

// The item list of the desktop folder: its path.
struct DesktopItem {
  std::string path;
};

// The link's text, made absolute against the link's folder.
std::optional<std::string> LinkTarget(const char* path) {
  char text[4096];
  ssize_t n = ::readlink(path, text, sizeof text);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof text) return std::nullopt;
  std::string folder(FolderOf(path));
  if (path[0] != '/') {
    char cwd[4096];
    if (!::getcwd(cwd, sizeof cwd)) return std::nullopt;
    folder = folder.empty() ? std::string(cwd) : std::string(cwd) + "/" + folder;
  }
  return AbsoluteLinkTarget(folder, std::string_view(text, static_cast<std::size_t>(n)));
}

class DesktopLink : public vx::ShellLink {
 public:
  explicit DesktopLink(ExaminedEntry* last) : last_(last) {}

  HResult QueryPersistFile() override {
    ++persistHeld_;
    return kSOk;
  }
  void ReleasePersistFile() override { --persistHeld_; }

  HResult Load(const char* path) override {
    target_.reset();
    if (!path) return kEPointer;
    target_ = ExamineShortcut(path, buffer_, last_);
    return target_ ? kSOk : kMkECantOpenFile;
  }

  HResult GetPath(char* buffer, int size) override {
    if (!target_) return kEUnexpected;
    if (!buffer || size <= 0 || target_->size() >= static_cast<std::size_t>(size))
      return kEInsufficientBuffer;
    std::memcpy(buffer, target_->c_str(), target_->size() + 1);
    return kSOk;
  }

 private:
  ExaminedEntry* last_;
  int persistHeld_ = 0;
  std::optional<std::string> target_;
  std::string buffer_;
};

}  // namespace

std::optional<std::string> ShortcutTargetOf(const char* path, std::string& buffer) {
  return ExamineShortcut(path, buffer, nullptr);
}

std::optional<std::string> ExamineShortcut(const char* path, std::string& buffer,
                                           ExaminedEntry* last) {
  struct stat st;
  if (!path || ::lstat(path, &st) != 0) return std::nullopt;
  if (S_ISLNK(st.st_mode)) {
    struct stat named;
    if (::stat(path, &named) == 0) {
      if (S_ISDIR(named.st_mode)) return std::nullopt;
    } else if (errno != ENOENT && errno != ENOTDIR) {
      return std::nullopt;  // a loop of links, or a target that cannot be looked at
    }
    return LinkTarget(path);
  }
  if (!S_ISREG(st.st_mode) || static_cast<unsigned long long>(st.st_size) > kEntryLimit)
    return std::nullopt;
  // Desktops take only *.desktop files for launchers, as Windows takes only *.lnk files for
  // shortcuts; other files are not opened at all.
  std::string_view name = path;
  if (name.size() < kEntrySuffix.size() + 1 ||
      name.substr(name.size() - kEntrySuffix.size()) != kEntrySuffix ||
      name[name.size() - kEntrySuffix.size() - 1] == '/')
    return std::nullopt;
  // The sweep examines a file (GetClassFile) and then loads it: the second look reuses the first
  // when the file is still the same one, unchanged.
  if (last && last->path == path && last->device == st.st_dev && last->inode == st.st_ino &&
      last->size == st.st_size && last->modified == st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec &&
      last->changed == st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec)
    return last->target;
  std::optional<std::string> target;
  if (ReadSmallFileInto(path, kEntryLimit, buffer, false)) target = DesktopEntryTarget(buffer);
  if (last) {
    last->path = path;
    last->device = st.st_dev;
    last->inode = st.st_ino;
    last->size = st.st_size;
    last->modified = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    last->changed = st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec;
    last->target = target;
  }
  return target;
}

std::string ResolveDesktopFolder() {
  std::string home = Home();
  std::optional<std::string> userDirs;
  const char* config = std::getenv("XDG_CONFIG_HOME");
  // Without HOME and without an absolute XDG_CONFIG_HOME there is no user-dirs.dirs to read.
  if ((config && config[0] == '/') || !home.empty())
    userDirs = ReadSmallFile(ConfigHome() + "/user-dirs.dirs", kEntryLimit);
  return DesktopFolder(userDirs, home);
}

HResult DesktopLinks::CoInitialize() {
  if (knobs.coInitialize >= 0) ++initialised;
  return knobs.coInitialize;
}

void DesktopLinks::CoUninitialize() { --initialised; }

HResult DesktopLinks::GetMalloc() {
  if (knobs.getMalloc >= 0) ++mallocHeld;
  return knobs.getMalloc;
}

void DesktopLinks::FreeItemList(ItemList list) {
  if (!list) return;
  delete static_cast<DesktopItem*>(list);
  --itemListsHeld;
}

void DesktopLinks::ReleaseMalloc() { --mallocHeld; }

HResult DesktopLinks::GetDesktopLocation(WindowRef, ItemList* list) {
  if (!list) return kEPointer;
  *list = nullptr;
  if (knobs.getDesktopLocation != kSOk) return knobs.getDesktopLocation;
  *list = new DesktopItem{ResolveDesktopFolder()};
  ++itemListsHeld;
  return kSOk;
}

bool DesktopLinks::GetPathFromItemList(ItemList list, char* path) {
  if (!path) return false;
  path[0] = '\0';
  if (!list) return false;
  const std::string& folder = static_cast<DesktopItem*>(list)->path;
  if (folder.empty() || folder.size() >= kMaxPath) return false;
  std::memcpy(path, folder.c_str(), folder.size() + 1);
  return true;
}

HResult DesktopLinks::GetClassFile(const char* path, Guid* clsid) {
  if (!path || !clsid) return kEPointer;
  *clsid = Guid{};
  if (!ExamineShortcut(path, buffer_, last_.get())) return kMkECantOpenFile;
  *clsid = kClsidShellLink;
  return kSOk;
}

HResult DesktopLinks::CreateShellLink(ShellLink** link) {
  if (!link) return kEPointer;
  *link = nullptr;
  if (knobs.createShellLink != kSOk) return knobs.createShellLink;
  *link = new DesktopLink(last_.get());
  ++linksHeld;
  return kSOk;
}

void DesktopLinks::ReleaseShellLink(ShellLink* link) {
  if (!link) return;
  delete link;
  --linksHeld;
}

}  // namespace vx::posix
