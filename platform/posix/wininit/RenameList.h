// wininit/: vexmor-wininit, which carries out WININIT.INI's [Rename] list at login.
//
// What vexmor-wininit does with the [Rename] sections of WININIT.INI: carry out each "NUL=path"
// entry in file order (delete the file, or the folder when it is empty), once. The caller has set
// the whole file aside before, as the system start-up does, so no entry is ever carried out a
// second time (a program installed again at the same path is never touched). What failed is
// reported.
//
// Logic only: the file system comes in as EntryFolders and the file's text as a string, so the
// decisions are tested on temporary trees and fakes alike.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Status.h"

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

// One entry's folder, opened once: the identity check and the deletion both go through it, so a
// folder swapped for another (a link put in place of a folder on the way) after the check cannot
// lead the deletion elsewhere. Closed when it goes away.
class EntryFolder {
 public:
  virtual ~EntryFolder() = default;
  // The folder that was opened.
  virtual FileId Id() = 0;
  // The file `name` is in this folder, unless it is missing or a symbolic link (a deletion
  // removes the link, not what it names).
  virtual std::optional<FileId> FileNamed(const std::string& name) = 0;
  // Removes `name` from this folder, never following a link: as a file (or link) or as an empty
  // folder. 0 when it is done, else the Windows error number: kFileNotFound for a missing name,
  // kAccessDenied for a folder removed as a file, kNotADirectory for a file removed as a folder.
  enum class As { kFile, kFolder };
  virtual std::uint32_t Remove(const std::string& name, As as) = 0;
};

class EntryFolders {
 public:
  virtual ~EntryFolders() = default;
  // Opens `folder` (links on the way followed, as a path lookup follows them). Nothing when it
  // cannot be opened, with *error the Windows error number: kPathNotFound when a folder on the
  // way is missing, kNotADirectory when a file stands where a folder is needed.
  virtual std::unique_ptr<EntryFolder> Open(const std::string& folder, std::uint32_t* error) = 0;
};

// An entry is done when its deletion succeeds or finds nothing to delete (2, or 3 for a missing
// folder on the way). It fails when the deletion fails otherwise (a folder that is not empty, a
// refused permission, a file where a folder is on the way), when its path is not one this program
// deletes exactly as written (not absolute, a NUL in it, a final '/', a "." or ".." part), when it
// leads to one of `ownFiles` (the list, its backup and its lock) by any spelling, link or hard
// link (the same name in the same folder, or the same file), when its
// line is not an entry (no '='), or when it is a rename ("new=old") rather than a deletion, which
// this stand-in does not carry out. Everything outside the sections is ignored.
// Each entry's folder is opened once through `folders`; the check against `ownFiles` and the
// deletion are both made in it.
RenameRun RunRenameList(std::string_view iniText, EntryFolders& folders,
                        const std::vector<std::string>& ownFiles = {});

// The text for a Windows error number, for the problem lines.
std::string ErrorText(std::uint32_t error);

}  // namespace vx::wininit
