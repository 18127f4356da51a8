// shortcuts/: shell links as desktop entries and links; the desktop folder (UserDirs).
//
// vx::ShellLinks on POSIX: desktop entries and symbolic links stand in for shell links, and the
// desktop folder is found as `xdg-user-dir DESKTOP` finds it.
//
// A file is a shortcut (GetClassFile answers kClsidShellLink) when it is
//   - a desktop entry (a regular file named *.desktop, as desktops require of launchers) of
//     Type=Application: its target is the program a launcher runs from it (DesktopEntryTarget,
//     %k standing for the entry's path);
//   - such a desktop entry of Type=Link with a file URL: its target is the local path;
//   - a symbolic link to anything but a folder (a missing target included, as the program may be
//     deleted before the sweep; a loop of links excluded): its target is the path it names, joined
//     to its folder as written (the sweep looks the folder up, so ".." and links in it count as
//     the kernel follows them).
// Anything else fails examination. Desktop entries are read up to kEntryLimit bytes; a larger file
// is no shortcut. Given the FolderHandles of the PosixFiles that lists the folders, a file in a
// folder being listed is examined through that folder's handle, without following a link on the
// way, and by the type the listing gave (a file whose name is no desktop entry is not touched).
//
// COM initialisation and the shell allocator have nothing behind them: they succeed, unless a test
// sets one of the public knobs to the result it wants. The counters let tests check that every
// acquisition was released.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ShellLinks.h"
#include "platform/posix/files/FolderHandles.h"

namespace vx::posix {

inline constexpr std::size_t kEntryLimit = 64 * 1024;
inline constexpr std::string_view kEntrySuffix = ".desktop";

// Failure results as the shell answers them.
inline constexpr HResult kMkECantOpenFile = static_cast<HResult>(0x800401EAu);
inline constexpr HResult kEPointer = static_cast<HResult>(0x80004003u);
inline constexpr HResult kEUnexpected = static_cast<HResult>(0x8000FFFFu);
inline constexpr HResult kEInsufficientBuffer = static_cast<HResult>(0x8007007Au);

// Reads a file and answers its shortcut target, or nothing when it is no shortcut. `buffer` is
// reused for the file's text.
std::optional<std::string> ShortcutTargetOf(const char* path, std::string& buffer);

// The last desktop entry read, with what identifies its contents (a file replaced or rewritten
// since has another inode, size or time stamp) or the listing's delivery it was read for.
struct ExaminedEntry {
  std::string path;
  std::uint64_t listing = 0;
  unsigned long long device = 0, inode = 0;
  long long size = -1, modified = 0, changed = 0;
  bool hasTarget = false;
  std::string target;  // when hasTarget (its storage kept from entry to entry)
};

// ShortcutTargetOf for the file at `place` (which `path` names), into `last`: reuses `last`
// when it describes the same unchanged file, and updates it. Answers whether there is a target.
bool ExamineShortcut(const char* path, const Place& place, std::string& buffer,
                     ExaminedEntry& last);

// The desktop folder from the environment (HOME, XDG_CONFIG_HOME and user-dirs.dirs); "" when it
// cannot be known.
std::string ResolveDesktopFolder();

class DesktopLinks : public vx::ShellLinks {
 public:
  explicit DesktopLinks(const FolderHandles* folders = nullptr) : folders_(folders) {}

  // Results the stand-ins answer; a test sets one to a failure (or CoInitialize to kSFalse).
  struct Knobs {
    HResult coInitialize = kSOk;
    HResult getMalloc = kSOk;
    HResult getDesktopLocation = kSOk;
    HResult createShellLink = kSOk;
  };
  Knobs knobs;

  // What is held: successful CoInitialize calls not yet undone, the allocator, item lists and
  // shell-link objects not yet released.
  int initialised = 0;
  int mallocHeld = 0;
  int itemListsHeld = 0;
  int linksHeld = 0;

  HResult CoInitialize() override;
  void CoUninitialize() override;

  HResult GetMalloc() override;
  void FreeItemList(ItemList list) override;
  void ReleaseMalloc() override;

  HResult GetDesktopLocation(WindowRef owner, ItemList* list) override;
  bool GetPathFromItemList(ItemList list, char* path) override;

  HResult GetClassFile(const char* path, Guid* clsid) override;

  HResult CreateShellLink(ShellLink** link) override;
  void ReleaseShellLink(ShellLink* link) override;

  // ${XDG_DATA_HOME:-~/.local/share}/applications and .../icons/hicolor.
  bool GetMenuFolder(char* path) override;
  bool GetIconThemeFolder(char* path) override;

 private:
  const FolderHandles* folders_;
  std::string buffer_;
  // Shared with the shell-link objects, which are released before this object ends.
  std::unique_ptr<ExaminedEntry> last_ = std::make_unique<ExaminedEntry>();
};

}  // namespace vx::posix
