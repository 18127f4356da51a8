// The uninstall procedure: registry keys, install folder, file deletions, shortcut removal, residue
// check and the hand-over to the removal list, in that order.
#include <cstring>
#include <string>

#include "uninstall/PathText.h"
#include "uninstall/Uninstall.h"

using namespace uninstall_detail;

namespace {

// The last characters of "UninstallString" that name the uninstaller itself ("pelzorn.exe").
constexpr std::size_t kUninstallerNameLength = 11;
// Where the extension starts in "Volsar.exe".
constexpr std::size_t kExtensionOffset = 7;
constexpr const char* kAllEntries = "*.*";

// Writes the panel's file name with the given extension after the install prefix.
void NameTarget(UninstallState& state, const char* extension) {
  char name[16];
  std::memcpy(name, kProgramFileName, std::strlen(kProgramFileName) + 1);
  std::memcpy(name + kExtensionOffset, extension, 3);
  const bool fits = PutText(state.TargetPath, state.InstallDirLen, name);
  state.TargetFits = fits && state.InstallDirLen != 0;
}

// The install folder prefix from the uninstall registration opened as key; the key is deleted
// once read.
void ReadRegistration(vx::Registry& registry, vx::RegKey key, UninstallState& state) {
  state.InstallDirLen = 0;
  std::uint32_t type = vx::kRegSz;
  std::uint32_t size = vx::kMaxPath;
  if (registry.QueryValue(key, kUninstallStringName, &type,
                          reinterpret_cast<std::uint8_t*>(state.TargetPath), &size) == vx::kOk) {
    // The value need not carry its terminator; only what was delivered counts.
    const std::size_t length =
        ::strnlen(state.TargetPath, size < vx::kMaxPath ? size : vx::kMaxPath);
    // The uninstaller's own name is dropped by its length alone; a shorter value is the prefix.
    state.InstallDirLen = static_cast<unsigned>(
        length >= kUninstallerNameLength ? length - kUninstallerNameLength : length);
  }
  registry.CloseKey(key);
  registry.DeleteKey(vx::kHKeyLocalMachine, kRegistrationKeyPath);
}

// The message of a registration this account may not open: the key, and whose rights it takes.
void TellRefused(vx::MessageOwner& owner, const UninstallPlatform& platform) {
  std::string text = kRegistrationKeyName;
  text += "\n\nThe uninstall needs the rights of ";
  text += platform.installerRights ? platform.installerRights : "the account that installed it";
  text += ". Nothing was removed.";
  owner.MessageBoxA(text.c_str(), kCantOpenRegistration, vx::kMbOk);
}

// The current folder as the install prefix, with a separator appended when it lacks one. A folder
// the call cannot deliver in the buffer leaves no prefix.
void UseCurrentDirectory(vx::Files& files, UninstallState& state) {
  const std::uint32_t length = files.GetCurrentDirectoryA(vx::kMaxPath, state.TargetPath);
  if (length == 0 || length >= vx::kMaxPath) {
    state.InstallDirLen = 0;
    state.TargetPath[0] = '\0';
    return;
  }
  state.InstallDirLen = length;
  const char separator = files.Separator();
  if (state.TargetPath[length - 1] != separator) {
    // A folder of 259 characters keeps its prefix length one past the buffer: no name fits after
    // it, and every path built from it is refused.
    if (length + 1 < vx::kMaxPath) {
      state.TargetPath[length] = separator;
      state.TargetPath[length + 1] = '\0';
    }
    ++state.InstallDirLen;
  }
}

// Deletes the panel's icon from each size folder of the user's icon theme. Nothing else of the
// theme is touched: no folder is removed, a linked folder is not entered, and an icon that is not
// there is no error; any other failure is reported as for the panel's files.
void RemoveThemeIcons(vx::MessageOwner& owner, const UninstallPlatform& platform) {
  vx::Files& files = *platform.files;
  const char separator[2] = {files.Separator(), '\0'};
  PathBuffer theme = {};
  if (!platform.shell->GetIconThemeFolder(theme)) return;
  theme[vx::kMaxPath - 1] = '\0';
  const std::size_t themeLength = PathLength(theme);
  PathBuffer pattern = {};
  std::memcpy(pattern, theme, themeLength);
  if (themeLength == 0 || !PutText(pattern, themeLength, separator) ||
      !PutText(pattern, themeLength + 1, kAllEntries))
    return;
  vx::FindData entry;
  const vx::FindHandle handle = files.FindFirstFileA(pattern, &entry);
  if (handle == vx::kInvalidFind) return;
  do {
    const std::uint32_t attributes = entry.attributes;
    if (!(attributes & vx::kAttrDirectory) || (attributes & vx::kAttrReparsePoint)) continue;
    if (PathLength(entry.name) >= vx::kMaxPath || entry.name[0] == '.') continue;
    PathBuffer icon = {};
    std::memcpy(icon, theme, themeLength);
    std::size_t at = themeLength;
    bool fits = true;
    const char* const parts[] = {separator, entry.name,  separator,
                                 kThemeIconFolder, separator, kThemeIconFileName};
    for (const char* part : parts) {
      fits = fits && PutText(icon, at, part);
      at += std::strlen(part);
    }
    if (!fits || files.DeleteFileA(icon)) continue;
    const std::uint32_t error = files.GetLastError();
    if (error != static_cast<std::uint32_t>(vx::kFileNotFound) &&
        error != static_cast<std::uint32_t>(vx::kPathNotFound))
      owner.MessageBoxA(icon, kCantDeleteFile, vx::kMbOk);
  } while (files.FindNextFileA(handle, &entry));
  files.FindClose(handle);
}

// Clears the user's application menu folder of entries for Volsar.exe and Volsar.hlp, as the
// desktop is cleared (the folder itself stays), and then the panel's icons, once an entry for the
// panel was found there: an entry left by another program named so keeps its icons.
void RemoveMenuEntries(vx::MessageOwner& owner, const UninstallPlatform& platform,
                       UninstallState& state) {
  if (!platform.shell->GetMenuFolder(state.WorkPath)) return;
  state.WorkPath[vx::kMaxPath - 1] = '\0';
  const unsigned pathLen = static_cast<unsigned>(PathLength(state.WorkPath));
  if (pathLen == 0) return;
  NameTarget(state, "exe");
  std::uint8_t found = SweepShortcuts(state, platform, pathLen, SWEEP_KEPT);
  NameTarget(state, "hlp");
  found |= SweepShortcuts(state, platform, pathLen, SWEEP_KEPT);
  if (found & SWEEP_DELETED) RemoveThemeIcons(owner, platform);
}

// Removes the desktop shortcuts to Volsar.exe and Volsar.hlp, then the menu entries. Each failure
// skips the rest of the removal only; COM is uninitialised only when this call initialised it.
void RemoveShortcuts(vx::MessageOwner& owner, const UninstallPlatform& platform,
                     UninstallState& state) {
  vx::ShellLinks& shell = *platform.shell;
  if (shell.CoInitialize() != vx::kSOk) return;
  if (shell.GetMalloc() >= 0) {
    vx::ItemList list = nullptr;
    if (shell.GetDesktopLocation(owner.GetSafeHwnd(), &list) == vx::kSOk) {
      state.WorkPath[0] = '\0';
      shell.GetPathFromItemList(list, state.WorkPath);
      state.WorkPath[vx::kMaxPath - 1] = '\0';
      shell.FreeItemList(list);
      std::size_t length = std::strlen(state.WorkPath);
      if (length != 0 && state.WorkPath[length - 1] == platform.files->Separator())
        state.WorkPath[--length] = '\0';
      // No desktop path: nothing is walked (it would start at the root).
      vx::ShellLink* link = nullptr;
      if (length != 0 && shell.CreateShellLink(&link) == vx::kSOk) {
        state.Link = link;
        const unsigned pathLen = static_cast<unsigned>(length);
        SweepShortcuts(state, platform, pathLen, SWEEP_KEPT);
        NameTarget(state, "hlp");
        SweepShortcuts(state, platform, pathLen, SWEEP_KEPT);
        RemoveMenuEntries(owner, platform, state);
        state.Link = nullptr;
        shell.ReleaseShellLink(link);
      }
    }
    shell.ReleaseMalloc();
  }
  shell.CoUninitialize();
}

// Whether the install folder holds nothing but the uninstaller ("." and ".." style folders aside).
int InstallFolderEmpty(vx::Files& files, UninstallState& state) {
  if (state.InstallDirLen == 0 || state.InstallDirLen >= vx::kMaxPath) return 0;
  std::memcpy(state.WorkPath, state.TargetPath, state.InstallDirLen);
  if (!PutText(state.WorkPath, state.InstallDirLen, kAllEntries)) return 0;
  vx::FindData entry;
  const vx::FindHandle handle = files.FindFirstFileA(state.WorkPath, &entry);
  if (handle == vx::kInvalidFind) return 0;
  int empty = 0;
  for (;;) {
    const bool terminated = PathLength(entry.name) < vx::kMaxPath;
    if (!terminated) break;
    if (entry.attributes & vx::kAttrDirectory) {
      if (!IsDotEntry(entry.name)) break;
    } else if (!SameName(entry.name, kUninstallerFileName, false)) {
      break;
    }
    if (!files.FindNextFileA(handle, &entry)) {
      empty = 1;
      break;
    }
  }
  files.FindClose(handle);
  return empty;
}

}  // namespace

void DeleteTargetFile(vx::MessageOwner& owner, vx::Files& files, UninstallState& state) {
  if (state.TargetFits) {
    if (files.DeleteFileA(state.TargetPath)) return;
    if (files.GetLastError() == static_cast<std::uint32_t>(vx::kFileNotFound)) return;
  }
  owner.MessageBoxA(state.TargetPath, kCantDeleteFile, vx::kMbOk);
}

UninstallOutcome RunUninstall(vx::MessageOwner& owner, const UninstallPlatform& platform) {
  UninstallState state;
  return RunUninstall(owner, platform, state);
}

UninstallOutcome RunUninstall(vx::MessageOwner& owner, const UninstallPlatform& platform,
                              UninstallState& state) {
  state = UninstallState{};
  vx::Registry& registry = *platform.registry;
  vx::Files& files = *platform.files;

  // The registration is opened first: one this account may not open means the panel was
  // installed with rights it lacks, and the current folder is no stand-in for its install
  // folder, so nothing at all is touched. A missing one (or any other answer) falls back below.
  vx::RegKey registration = 0;
  const vx::Status opened =
      registry.OpenKey(vx::kHKeyLocalMachine, kRegistrationKeyPath, &registration);
  if (opened == vx::kAccessDenied) {
    TellRefused(owner, platform);
    return UninstallOutcome::kRefused;
  }

  registry.DeleteKey(vx::kHKeyCurrentUser, kSettingsKeyPath);
  if (opened == vx::kOk) ReadRegistration(registry, registration, state);
  if (opened != vx::kOk || state.InstallDirLen == 0) UseCurrentDirectory(files, state);

  NameTarget(state, "exe");
  DeleteTargetFile(owner, files, state);

  // Shortcuts are matched against the whole target path; without one there is nothing to match.
  if (state.TargetFits) RemoveShortcuts(owner, platform, state);

  static constexpr const char* kHelpExtensions[] = {"hlp", "gid", "cnt"};
  for (const char* extension : kHelpExtensions) {
    NameTarget(state, extension);
    DeleteTargetFile(owner, files, state);
  }

  // Without an install folder nothing else is relative to anything: no residue, no rename entries.
  if (state.InstallDirLen == 0) return UninstallOutcome::kDone;

  state.FolderEmpty = InstallFolderEmpty(files, state);

  // The install folder itself: the prefix without its last character (its separator). The prefix
  // is at most one past the buffer's last character, so the folder always fits.
  const std::size_t folderLength = state.InstallDirLen - 1;
  std::memcpy(state.WorkPath, state.TargetPath, folderLength);
  state.WorkPath[folderLength] = '\0';
  state.TargetFits = PutText(state.TargetPath, state.InstallDirLen, kUninstallerFileName);

  ScheduleRemoval(owner, platform, state);
  return UninstallOutcome::kDone;
}
