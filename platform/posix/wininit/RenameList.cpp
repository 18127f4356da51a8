#include "platform/posix/wininit/RenameList.h"

#include <optional>
#include <utility>

#include "platform/posix/profile/IniText.h"

namespace vx::wininit {

namespace {


bool IsNulKey(std::string_view key) {
  return key.size() == 3 && (key[0] | 0x20) == 'n' && (key[1] | 0x20) == 'u' &&
         (key[2] | 0x20) == 'l';
}

constexpr std::uint32_t kSharingViolation = 32;  // ERROR_SHARING_VIOLATION: busy, a mount point

bool Gone(std::uint32_t error) { return error == kFileNotFound || error == kPathNotFound; }

// Why the path is not deleted as written, or nothing when it may be.
std::optional<std::string> PathProblem(std::string_view path, char separator) {
  if (path.empty()) return "no path";
  if (path.find('\0') != std::string_view::npos) return "the path holds a NUL character";
  if (path.front() != separator) return "not an absolute path";
  if (path.back() == separator) return "the path ends in a separator";
  for (std::size_t start = 1; start <= path.size();) {
    std::size_t end = path.find(separator, start);
    if (end == std::string_view::npos) end = path.size();
    std::string_view part = path.substr(start, end - start);
    if (part == "." || part == "..") return "the path holds a . or .. part";
    start = end + 1;
  }
  return std::nullopt;
}

// Whether the line's value begins or ends with a blank, which the section reader drops: the
// entry may name "/a/b " or "/a/b", and deleting either could be the wrong one.
bool BlankAroundValue(std::string_view line) {
  std::size_t eq = line.find('=');
  if (eq == std::string_view::npos || eq + 1 == line.size()) return false;
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  return blank(line[eq + 1]) || blank(line.back());
}

// One of the list's own files: its folder and name (the file may be missing now, as the list is
// once it is set aside), and the file itself when it is there.
struct OwnFile {
  FileId folder;
  std::string name;
  std::optional<FileId> file;
};

constexpr char kSeparator = '/';

// The path's folder and last part: "/a/b" gives "/a/" and "b" (the separator kept, so that "/b"
// gives the root folder).
std::pair<std::string, std::string> SplitPath(const std::string& path) {
  const std::size_t slash = path.rfind(kSeparator);
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

bool IsOwnFile(EntryFolder& folder, const std::string& name, const std::vector<OwnFile>& own) {
  const FileId id = folder.Id();
  const std::optional<FileId> file = folder.FileNamed(name);
  for (const OwnFile& o : own) {
    if (id == o.folder && name == o.name) return true;
    if (file && file == o.file) return true;
  }
  return false;
}

// Checks and deletes one path (already known to be absolute, without "." or ".." parts): its
// folder is opened once, and both the check against the list's own files and the deletion are made
// in that folder. The reason it was not deleted, or nothing when it is done or already gone.
std::optional<std::string> CheckAndDelete(const std::string& path, EntryFolders& folders,
                                          const std::vector<OwnFile>& own) {
  const auto [folderPath, name] = SplitPath(path);
  std::uint32_t error = 0;
  const std::unique_ptr<EntryFolder> folder = folders.Open(folderPath, &error);
  if (!folder) {
    if (Gone(error)) return std::nullopt;  // a folder on the way is missing: nothing to delete
    if (error == kNotADirectory) return "a file stands where the path needs a folder";
    return ErrorText(error);
  }
  if (IsOwnFile(*folder, name, own)) return "names a file of the list itself";
  error = folder->Remove(name, EntryFolder::As::kFile);
  if (error == 0 || Gone(error)) return std::nullopt;
  if (error != kAccessDenied) return ErrorText(error);
  // Refused: a folder, or a file this user may not delete.
  const std::uint32_t folderError = folder->Remove(name, EntryFolder::As::kFolder);
  if (folderError == 0 || Gone(folderError)) return std::nullopt;
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
    case kSharingViolation: return "in use by the system (something is mounted on it)";
    default: return "error " + std::to_string(error);
  }
}

RenameRun RunRenameList(std::string_view iniText, EntryFolders& folders,
                        const std::vector<std::string>& ownFiles) {
  RenameRun run;
  std::vector<OwnFile> own;
  for (const auto& path : ownFiles) {
    const auto [folderPath, name] = SplitPath(path);
    std::uint32_t error = 0;
    if (const std::unique_ptr<EntryFolder> folder = folders.Open(folderPath, &error))
      own.push_back({folder->Id(), name, folder->FileNamed(name)});
  }
  using vx::posix::Sections;
  const auto entries = vx::posix::ReadIniSection(iniText, kRenameSection, Sections::kEvery);
  const auto lines = vx::posix::ReadIniSectionLines(iniText, kRenameSection, Sections::kEvery);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string& entry = entries[i];
    std::size_t eq = entry.find('=');
    std::optional<std::string> problem;
    if (eq == std::string::npos) {
      problem = "not an entry";
    } else if (BlankAroundValue(lines[i])) {
      problem = "blanks around the path: the path meant cannot be told";
    } else if (!IsNulKey(std::string_view(entry).substr(0, eq))) {
      problem = "renaming is not supported";
    } else {
      const std::string path = entry.substr(eq + 1);
      problem = PathProblem(path, kSeparator);
      if (!problem) problem = CheckAndDelete(path, folders, own);
    }
    if (problem)
      run.problems.push_back("\"" + lines[i] + "\": " + *problem);
    else
      ++run.done;
  }
  return run;
}

}  // namespace vx::wininit
