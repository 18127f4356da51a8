// The deferred removal list: "NUL=" entries appended to the [Rename] section of WININIT.INI, which
// the system carries out at its next start.
#include <cstring>

#include "uninstall/PathText.h"
#include "uninstall/Uninstall.h"

using namespace uninstall_detail;

namespace {

constexpr std::size_t kSectionBufferSize = 4096;
// A section this long or longer is not extended: the largest pair of entries must still fit.
constexpr std::uint32_t kSectionLimit = 3576;
// The Windows folder may take this much of the path buffer, leaving room for a separator,
// "WININIT.INI" and the terminator.
constexpr std::uint32_t kWindowsFolderLimit = 247;
constexpr const char* kRenameSection = "Rename";
constexpr const char* kProfileName = "WININIT.INI";
constexpr const char* kDeleteKey = "NUL=";

// Appends "NUL=" + path and its NUL at section[*at]; false when it would not fit.
bool AppendEntry(char* section, std::size_t* at, const char* path) {
  const std::size_t keyLength = std::strlen(kDeleteKey);
  const std::size_t pathLength = PathLength(path);
  if (pathLength >= vx::kMaxPath) return false;
  // Room for the entry, its NUL and the section's closing NUL.
  if (*at + keyLength + pathLength + 2 > kSectionBufferSize) return false;
  std::memcpy(section + *at, kDeleteKey, keyLength);
  std::memcpy(section + *at + keyLength, path, pathLength);
  section[*at + keyLength + pathLength] = '\0';
  *at += keyLength + pathLength + 1;
  return true;
}

// Appends the entries and writes the section back; false on any failure.
bool ExtendSection(const UninstallPlatform& platform, UninstallState& state, char* section) {
  vx::Profile& profile = *platform.profile;

  char path[vx::kMaxPath] = {};
  const std::uint32_t length = profile.GetWindowsDirectoryA(path, kWindowsFolderLimit);
  // A folder that does not fit is answered with the room it needs: there is no file to edit.
  if (length >= kWindowsFolderLimit) return false;
  std::size_t at = length;
  const char separator = platform.files->Separator();
  if (length != 0 && path[length - 1] != separator) path[at++] = separator;
  std::memcpy(path + at, kProfileName, std::strlen(kProfileName) + 1);

  const std::uint32_t count =
      profile.GetPrivateProfileSectionA(kRenameSection, section, kSectionBufferSize, path);
  if (count >= kSectionLimit) return false;

  std::size_t end = count;
  if (!AppendEntry(section, &end, state.TargetPath)) return false;
  if (state.FolderEmpty == 1 && !AppendEntry(section, &end, state.WorkPath)) return false;
  section[end] = '\0';

  return profile.WritePrivateProfileSectionA(kRenameSection, section, path);
}

}  // namespace

void ScheduleRemoval(vx::MessageOwner& owner, const UninstallPlatform& platform,
                     UninstallState& state) {
  vx::Profile& profile = *platform.profile;
  // The uninstaller's path must be whole: a cut-short path would name another file.
  if (!state.TargetFits) {
    owner.MessageBoxA(state.WorkPath, kCantDeleteDirectory, vx::kMbOk);
    return;
  }
  char* section = profile.Commit(kSectionBufferSize);
  if (!section) {
    owner.MessageBoxA(state.WorkPath, kCantDeleteDirectory, vx::kMbOk);
    return;
  }
  if (!ExtendSection(platform, state, section))
    owner.MessageBoxA(state.WorkPath, kCantDeleteDirectory, vx::kMbOk);
  profile.Decommit(section, kSectionBufferSize);
}
