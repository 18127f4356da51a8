// wininit/: vexmor-wininit, which carries out WININIT.INI's [Rename] list at login.
//
// What vexmor-wininit does with the [Rename] sections of WININIT.INI: carry out each "NUL=path"
// entry in file order (delete the file, or the folder when it is empty), once. The caller has set
// the whole file aside before, as the system start-up does, so no entry is ever carried out a
// second time (a program installed again at the same path is never touched). What failed is
// reported.
//
// Logic only: the file system comes in as vx::Files and the file's text as a string, so the
// decisions are tested on temporary trees and fakes alike.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Files.h"

namespace vx::wininit {

inline constexpr std::string_view kRenameSection = "Rename";

struct RenameRun {
  std::size_t done = 0;               // entries carried out (or already gone)
  std::vector<std::string> problems;  // one per entry that failed: its line, quoted, and the reason
};

// A file or folder as the file system knows it, whatever path leads to it.
struct FileId {
  std::uint64_t device = 0, inode = 0;
  bool operator==(const FileId&) const = default;
};

// Where a path leads: the folder holding its last part (links on the way followed), that part's
// name, and the file it names there unless that is missing or a symbolic link (a deletion
// removes the link, not what it names).
struct PathTarget {
  FileId folder;
  std::string name;
  std::optional<FileId> file;
};

class PathResolver {
 public:
  virtual ~PathResolver() = default;
  // Nothing when the path leads nowhere (a missing folder on the way).
  virtual std::optional<PathTarget> Resolve(const std::string& path) = 0;
};

// An entry is done when its deletion succeeds or finds nothing to delete (2, or 3 for a missing
// folder on the way). It fails when the deletion fails otherwise (a folder that is not empty, a
// refused permission, a file where a folder is on the way), when its path is not one this program
// deletes exactly as written (not absolute, a NUL in it, a final '/', a "." or ".." part), when it
// leads to one of `ownFiles` (the list, its backup and its lock) by any spelling, link or hard
// link (the same name in the same folder, or the same file; compared through `paths`), when its
// line is not an entry (no '='), or when it is a rename ("new=old") rather than a deletion, which
// this stand-in does not carry out. Everything outside the sections is ignored.
RenameRun RunRenameList(std::string_view iniText, vx::Files& files, PathResolver& paths,
                        const std::vector<std::string>& ownFiles = {});

// The text for a Windows error number, for the problem lines.
std::string ErrorText(std::uint32_t error);

}  // namespace vx::wininit
