// The shortcut sweep: a depth-first walk of one folder tree in the shared WorkPath buffer.
//
// Each level writes its entries after its own prefix, so WorkPath always names the entry being
// examined and a deeper level only writes beyond its parent's prefix. The enumeration record is
// shared too; each level refills it before reading it again.
#include <cstring>

#include "uninstall/PathText.h"
#include "uninstall/Uninstall.h"

using namespace uninstall_detail;

namespace {

// The shortcut's target arrives in a buffer of 520 bytes (the size of a wide path).
constexpr int kTargetBufferSize = 2 * vx::kMaxPath;

// The last separator in a path, or nothing.
const char* LastSeparator(const char* path, char separator) {
  const char* last = nullptr;
  for (; *path; ++path)
    if (*path == separator) last = path;
  return last;
}

// Whether a shortcut's target names the file TargetPath names: the same name in the same folder.
// Folders are compared by identity, each looked up once (TargetPath's for the run, a target's when
// it differs from the last one looked up); a target whose folder cannot be looked up is another
// file. Without the identity of TargetPath's folder the whole paths are compared as spelled.
bool SameTarget(const char* target, UninstallState& state, vx::Files& files) {
  const char separator = files.Separator();
  const bool caseSensitive = files.CaseSensitiveNames();
  const char* targetName = LastSeparator(target, separator);
  const char* installName = LastSeparator(state.TargetPath, separator);
  // (Equal spellings have equal last parts: this test alone changes no spelled comparison.)
  if (!targetName || !installName) return SameName(target, state.TargetPath, caseSensitive);
  if (!SameName(targetName + 1, installName + 1, caseSensitive)) return false;
  // A folder is spelled up to its last separator, the separator itself for the root.
  auto folderLength = [](const char* path, const char* name) {
    return name == path ? std::size_t{1} : static_cast<std::size_t>(name - path);
  };
  if (state.InstallIdentity == 0) {
    char folder[vx::kMaxPath];
    const std::size_t length = folderLength(state.TargetPath, installName);
    std::memcpy(folder, state.TargetPath, length);
    folder[length] = '\0';
    state.InstallIdentity = files.FolderIdentity(folder, &state.InstallFolder) ? 1 : -1;
  }
  if (state.InstallIdentity < 0) return SameName(target, state.TargetPath, caseSensitive);
  const std::size_t length = folderLength(target, targetName);
  if (length >= vx::kMaxPath) return false;
  if (state.LookedUp == 0 || std::strncmp(state.LookedUpFolder, target, length) != 0 ||
      state.LookedUpFolder[length] != '\0') {
    std::memcpy(state.LookedUpFolder, target, length);
    state.LookedUpFolder[length] = '\0';
    state.LookedUp = files.FolderIdentity(state.LookedUpFolder, &state.LookedUpId) ? 1 : -1;
  }
  return state.LookedUp > 0 && state.LookedUpId == state.InstallFolder;
}

// Whether the file WorkPath names is a shortcut to TargetPath. Every call must answer exactly S_OK.
bool IsShortcutToTarget(UninstallState& state, const UninstallPlatform& platform) {
  vx::Guid classId{};
  if (platform.shell->GetClassFile(state.WorkPath, &classId) != vx::kSOk) return false;
  if (!(classId == vx::kClsidShellLink)) return false;
  vx::ShellLink& link = *state.Link;
  if (link.QueryPersistFile() != vx::kSOk) return false;
  bool matches = false;
  if (link.Load(state.WorkPath) == vx::kSOk) {
    char target[kTargetBufferSize] = {};
    if (link.GetPath(target, kTargetBufferSize) == vx::kSOk) {
      target[kTargetBufferSize - 1] = '\0';
      matches = SameTarget(target, state, *platform.files);
    }
  }
  link.ReleasePersistFile();
  return matches;
}

}  // namespace

std::uint8_t SweepShortcuts(UninstallState& state, const UninstallPlatform& platform,
                            unsigned pathLen, std::uint8_t status) {
  vx::Files& files = *platform.files;
  const char separator = files.Separator();
  const bool dotNamesHidden = files.DotNamesHidden();

  // The folder's pattern needs a separator, "*.*" and the terminator: a folder too deep for that
  // cannot be looked into, so it counts as holding something else.
  if (pathLen + 5 > vx::kMaxPath) return status | SWEEP_KEPT;
  state.WorkPath[pathLen] = separator;
  std::memcpy(state.WorkPath + pathLen + 1, "*.*", 4);

  const vx::FindHandle handle = files.FindFirstFileA(state.WorkPath, &state.Find);
  if (handle != vx::kInvalidFind) {
    do {
      const char* name = state.Find.name;
      const std::size_t nameLength = PathLength(name);
      const bool directory = (state.Find.attributes & vx::kAttrDirectory) != 0;
      if (directory && IsDotEntry(name)) continue;
      // A hidden entry is not part of the desktop: never looked into, and it stays.
      if (dotNamesHidden && name[0] == '.') {
        status |= SWEEP_KEPT;
        continue;
      }
      // An entry whose path would not fit (or that has no name) is never built: it stays.
      if (nameLength == 0 || pathLen + 1 + nameLength + 1 > vx::kMaxPath) {
        status |= SWEEP_KEPT;
        continue;
      }
      state.WorkPath[pathLen] = separator;
      std::memcpy(state.WorkPath + pathLen + 1, name, nameLength + 1);

      if (directory) {
        // A link to a folder is never followed: it may loop or lead out of the tree.
        if (state.Find.attributes & vx::kAttrReparsePoint)
          status |= SWEEP_KEPT;
        else
          status |= SweepShortcuts(state, platform, static_cast<unsigned>(pathLen + nameLength + 1), 0);
      } else if (IsShortcutToTarget(state, platform)) {
        status |= SWEEP_DELETED;
        files.DeleteFileA(state.WorkPath);
      } else {
        status |= SWEEP_KEPT;
      }
    } while (files.FindNextFileA(handle, &state.Find));
    files.FindClose(handle);
  } else if (files.GetLastError() == static_cast<std::uint32_t>(vx::kCantResolveFilename)) {
    // The folder is a link now (it was replaced since it was listed): it is not entered, and it
    // stays, like a link listed as one.
    status |= SWEEP_KEPT;
  }

  // A folder that held only shortcuts to the target goes too; a failed removal is not reported.
  if (status == SWEEP_DELETED) {
    state.WorkPath[pathLen] = '\0';
    files.RemoveDirectoryA(state.WorkPath);
  }
  return status;
}
