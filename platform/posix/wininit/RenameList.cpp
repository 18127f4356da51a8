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

// Whether the path leads to one of the list's own files: the same name in the same folder (a
// file that may be missing now, as the list is once it is set aside), or the same file.
bool NamesOwnFile(const std::string& path, const std::vector<PathTarget>& own,
                  PathResolver& paths) {
  const std::optional<PathTarget> target = paths.Resolve(path);
  if (!target) return false;  // leads nowhere: the deletion finds nothing there either
  for (const PathTarget& file : own) {
    if (target->folder == file.folder && target->name == file.name) return true;
    if (target->file && target->file == file.file) return true;
  }
  return false;
}

// Deletes the file or empty folder; the reason it could not, or nothing when it is done.
std::optional<std::string> Delete(const std::string& path, vx::Files& files) {
  if (files.DeleteFileA(path.c_str())) return std::nullopt;
  std::uint32_t error = files.GetLastError();
  if (Gone(error)) return std::nullopt;
  if (error == kNotADirectory) return "a file stands where the path needs a folder";
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

RenameRun RunRenameList(std::string_view iniText, vx::Files& files, PathResolver& paths,
                        const std::vector<std::string>& ownFiles) {
  RenameRun run;
  std::vector<PathTarget> own;
  for (const auto& path : ownFiles)
    if (auto target = paths.Resolve(path)) own.push_back(std::move(*target));
  using vx::posix::Sections;
  const auto entries = vx::posix::ReadIniSection(iniText, kRenameSection, Sections::kEvery);
  const auto lines = vx::posix::ReadIniSectionLines(iniText, kRenameSection, Sections::kEvery);
  const char separator = files.Separator();
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
      problem = PathProblem(path, separator);
      if (!problem && NamesOwnFile(path, own, paths)) problem = "names a file of the list itself";
      if (!problem) problem = Delete(path, files);
    }
    if (problem)
      run.problems.push_back("\"" + lines[i] + "\": " + *problem);
    else
      ++run.done;
  }
  return run;
}

}  // namespace vx::wininit
