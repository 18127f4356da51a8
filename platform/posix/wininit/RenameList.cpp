#include "platform/posix/wininit/RenameList.h"

#include <optional>

#include "platform/posix/IniText.h"

namespace vx::wininit {

namespace {

constexpr std::uint32_t kDirNotEmpty = 145;   // ERROR_DIR_NOT_EMPTY
constexpr std::uint32_t kNotADirectory = 267;  // ERROR_DIRECTORY

bool IsNulKey(std::string_view key) {
  return key.size() == 3 && (key[0] | 0x20) == 'n' && (key[1] | 0x20) == 'u' &&
         (key[2] | 0x20) == 'l';
}

bool Gone(std::uint32_t error) { return error == kFileNotFound || error == kPathNotFound; }

// Deletes the file or empty folder; the reason it could not, or nothing when it is done.
std::optional<std::string> Delete(const std::string& path, vx::Files& files) {
  if (path.empty()) return "no path";
  if (path.front() != files.Separator()) return "not an absolute path";
  if (files.DeleteFileA(path.c_str())) return std::nullopt;
  std::uint32_t error = files.GetLastError();
  if (Gone(error)) return std::nullopt;
  if (error != kAccessDenied) return ErrorText(error);
  // Refused: a folder, or a file this user may not delete.
  if (files.RemoveDirectoryA(path.c_str())) return std::nullopt;
  std::uint32_t folderError = files.GetLastError();
  if (Gone(folderError)) return std::nullopt;
  return ErrorText(folderError == kNotADirectory ? error : folderError);
}

}  // namespace

std::string ErrorText(std::uint32_t error) {
  switch (error) {
    case kFileNotFound: return "file not found";
    case kPathNotFound: return "path not found";
    case kAccessDenied: return "access denied";
    case kFilenameTooLong: return "name too long";
    case kDirNotEmpty: return "folder not empty";
    case kNotADirectory: return "not a folder";
    default: return "error " + std::to_string(error);
  }
}

RenameRun RunRenameList(std::string_view iniText, vx::Files& files) {
  RenameRun run;
  run.text = std::string(iniText);
  if (!vx::posix::HasIniSection(iniText, kRenameSection)) return run;

  std::vector<std::string> kept;
  bool anyDone = false;
  for (auto& entry : vx::posix::ReadIniSection(iniText, kRenameSection)) {
    std::size_t eq = entry.find('=');
    if (eq == std::string::npos) {
      kept.push_back(std::move(entry));  // not an entry: left as it is
      continue;
    }
    std::optional<std::string> problem;
    if (IsNulKey(std::string_view(entry).substr(0, eq))) {
      problem = Delete(entry.substr(eq + 1), files);
    } else {
      problem = "renaming is not supported";
    }
    if (problem) {
      run.problems.push_back(entry + ": " + *problem + " (kept for the next run)");
      kept.push_back(std::move(entry));
    } else {
      anyDone = true;
    }
  }
  if (!anyDone) return run;
  // The entries cannot hold line breaks (they came from lines), so the replacement succeeds.
  if (auto text = vx::posix::ReplaceIniSection(iniText, kRenameSection, kept)) {
    run.text = std::move(*text);
    run.changed = true;
  }
  return run;
}

}  // namespace vx::wininit
