#include "platform/posix/shortcuts/DesktopLinks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/posix/shortcuts/DesktopEntry.h"
#include "platform/posix/files/Environment.h"
#include "platform/posix/files/FileText.h"
#include "platform/posix/shortcuts/LinkPath.h"
#include "platform/posix/shortcuts/UserDirs.h"

namespace vx::posix {

namespace {

// The item list of the desktop folder: its path.
struct DesktopItem {
  std::string path;
};

// Where a path lies: through the folders being listed when there are any.
Place PlaceOf(const FolderHandles* folders, const char* path) {
  if (folders) return folders->Locate(path);
  Place place;
  place.name = path;
  return place;
}

long long Nanoseconds(const timespec& t) { return t.tv_sec * 1000000000LL + t.tv_nsec; }

bool SameFile(const ExaminedEntry& last, const struct stat& st) {
  return last.device == st.st_dev && last.inode == st.st_ino && last.size == st.st_size &&
         last.modified == Nanoseconds(st.st_mtim) && last.changed == Nanoseconds(st.st_ctim);
}

bool IsEntryName(std::string_view name) {
  // Desktops take only *.desktop files for launchers, as Windows takes only *.lnk files for
  // shortcuts; other files are not opened at all.
  return name.size() >= kEntrySuffix.size() + 1 &&
         name.substr(name.size() - kEntrySuffix.size()) == kEntrySuffix &&
         name[name.size() - kEntrySuffix.size() - 1] != '/';
}

// The link's text, made absolute against the link's folder.
std::optional<std::string> LinkTarget(const char* path, const Place& place) {
  char text[4096];
  ssize_t n = ::readlinkat(place.folder, place.name, text, sizeof text);
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
  DesktopLink(const FolderHandles* folders, ExaminedEntry* last) : folders_(folders), last_(last) {}

  HResult QueryPersistFile() override {
    ++persistHeld_;
    return kSOk;
  }
  void ReleasePersistFile() override { --persistHeld_; }

  HResult Load(const char* path) override {
    // The entry just examined, still the one its listing delivered last (the sweep examines an
    // entry, then loads it): its reading stands, as ExamineShortcut would find, without another
    // look-up of the path.
    const bool examined = path && folders_ && folders_->IsCurrent(last_->listing) &&
                          last_->path == path;
    if (examined && !last_->hasTarget) {
      target_.reset();
      return kMkECantOpenFile;
    }
    if (!examined && (!path || !ExamineShortcut(path, PlaceOf(folders_, path), buffer_, *last_))) {
      target_.reset();
      return path ? kMkECantOpenFile : kEPointer;
    }
    target_ = last_->target;  // into the storage of the last target loaded
    return kSOk;
  }

  HResult GetPath(char* buffer, int size) override {
    if (!target_) return kEUnexpected;
    if (!buffer || size <= 0 || target_->size() >= static_cast<std::size_t>(size))
      return kEInsufficientBuffer;
    std::memcpy(buffer, target_->c_str(), target_->size() + 1);
    return kSOk;
  }

 private:
  const FolderHandles* folders_;
  ExaminedEntry* last_;
  int persistHeld_ = 0;
  std::optional<std::string> target_;
  std::string buffer_;
};

}  // namespace

std::optional<std::string> ShortcutTargetOf(const char* path, std::string& buffer) {
  if (!path) return std::nullopt;
  ExaminedEntry entry;
  ExamineShortcut(path, PlaceOf(nullptr, path), buffer, entry);
  if (!entry.hasTarget) return std::nullopt;
  return std::move(entry.target);
}

bool ExamineShortcut(const char* path, const Place& place, std::string& buffer,
                     ExaminedEntry& last) {
  // Whatever is answered below is not a reading to reuse, unless stated.
  auto answer = [&last](std::optional<std::string> target) {
    last.path.clear();
    last.listing = 0;
    last.hasTarget = target.has_value();
    if (target) last.target = std::move(*target);
    return last.hasTarget;
  };
  if (!path || place.error) return answer(std::nullopt);
  // The listing said what the entry is; otherwise it is looked at (never through a link).
  struct stat st;
  bool looked = false;
  unsigned char type = place.type;
  if (type == DT_UNKNOWN) {
    if (::fstatat(place.folder, place.name, &st, AT_SYMLINK_NOFOLLOW) != 0)
      return answer(std::nullopt);
    looked = true;
    type = S_ISLNK(st.st_mode) ? DT_LNK : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
  }
  if (type == DT_LNK) {
    struct stat named;
    if (::fstatat(place.folder, place.name, &named, 0) == 0) {
      if (S_ISDIR(named.st_mode)) return answer(std::nullopt);
    } else if (errno != ENOENT && errno != ENOTDIR) {
      return answer(std::nullopt);  // a loop of links, or a target that cannot be looked at
    }
    return answer(LinkTarget(path, place));
  }
  if (type != DT_REG || !IsEntryName(path)) return answer(std::nullopt);
  // The sweep examines a file (GetClassFile) and then loads it: the second look reuses the first
  // when it is for the same entry of the same listing, or when the file is still the same one,
  // unchanged.
  if (last.path == path) {
    if (place.listing != 0 && last.listing == place.listing) return last.hasTarget;
    if ((looked || ::fstatat(place.folder, place.name, &st, AT_SYMLINK_NOFOLLOW) == 0) &&
        S_ISREG(st.st_mode) && SameFile(last, st))
      return last.hasTarget;
  }
  if (place.listing != 0 && !looked) {
    // The listing has just said what the entry is: it is read without another look, and what it
    // was is known for this delivery only (a later look from elsewhere reads it again).
    if (!ReadListedFileAt(place.folder, place.name, kEntryLimit, buffer))
      return answer(std::nullopt);
    last.device = last.inode = 0;
    last.size = -1;
    last.modified = last.changed = 0;
  } else {
    if (!ReadSmallFileAt(place.folder, place.name, kEntryLimit, buffer, &st))
      return answer(std::nullopt);
    last.device = st.st_dev;
    last.inode = st.st_ino;
    last.size = st.st_size;
    last.modified = Nanoseconds(st.st_mtim);
    last.changed = Nanoseconds(st.st_ctim);
  }
  last.path = path;
  last.listing = place.listing;
  last.hasTarget = DesktopEntryTarget(buffer, path, last.target);
  return last.hasTarget;
}

std::string ResolveDesktopFolder() {
  std::string home = Home();
  std::optional<std::string> userDirs;
  const char* config = std::getenv("XDG_CONFIG_HOME");
  // Without HOME and without an absolute XDG_CONFIG_HOME there is no user-dirs.dirs to read.
  const std::string path = ConfigHome() + "/user-dirs.dirs";
  if ((config && config[0] == '/') || !home.empty()) userDirs = ReadSmallFile(path, kEntryLimit);
  std::string fault;
  std::string desktop = DesktopFolder(userDirs, home, &fault);
  if (!fault.empty())
    std::fprintf(stderr,
                 "vexmor: \"%s\": sh cannot read this file (%s); it is passed over and the "
                 "desktop is \"%s\"\n",
                 path.c_str(), fault.c_str(), desktop.c_str());
  return desktop;
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

namespace {

// A folder under the user's data folder, when the environment names one that fits.
bool DataFolder(const char* under, char* path) {
  if (!path) return false;
  path[0] = '\0';
  if (Home().empty() && !(std::getenv("XDG_DATA_HOME") && std::getenv("XDG_DATA_HOME")[0] == '/'))
    return false;
  const std::string folder = DataHome() + "/" + under;
  if (folder.size() >= kMaxPath) return false;
  std::memcpy(path, folder.c_str(), folder.size() + 1);
  return true;
}

}  // namespace

bool DesktopLinks::GetMenuFolder(char* path) { return DataFolder("applications", path); }

bool DesktopLinks::GetIconThemeFolder(char* path) { return DataFolder("icons/hicolor", path); }

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
  if (!ExamineShortcut(path, PlaceOf(folders_, path), buffer_, *last_)) return kMkECantOpenFile;
  *clsid = kClsidShellLink;
  return kSOk;
}

HResult DesktopLinks::CreateShellLink(ShellLink** link) {
  if (!link) return kEPointer;
  *link = nullptr;
  if (knobs.createShellLink != kSOk) return knobs.createShellLink;
  *link = new DesktopLink(folders_, last_.get());
  ++linksHeld;
  return kSOk;
}

void DesktopLinks::ReleaseShellLink(ShellLink* link) {
  if (!link) return;
  delete link;
  --linksHeld;
}

}  // namespace vx::posix
