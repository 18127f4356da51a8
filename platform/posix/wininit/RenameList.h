// What vexmor-wininit does with the [Rename] section of WININIT.INI: carry out each "NUL=path"
// entry in order (delete the file, or the folder when it is empty) and drop the entries that are
// done, keeping those that failed for the next run.
//
// Logic only: the file system comes in as vx::Files and the file's text as a string, so the
// decisions are tested on temporary trees and fakes alike.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Files.h"

namespace vx::wininit {

inline constexpr std::string_view kRenameSection = "Rename";

struct RenameRun {
  std::string text;                   // the file's text after the run
  bool changed = false;               // whether text differs from the input (write it back)
  std::vector<std::string> problems;  // one line per entry that stays: the entry and the reason
};

// An entry is done when its deletion succeeds or finds nothing to delete (2 or 3). It stays when
// the deletion fails otherwise (a folder that is not empty, a refused permission), when its path is
// not absolute (nothing is deleted relative to wherever the program happens to run), or when it is
// a rename ("new=old") rather than a deletion, which this stand-in does not carry out. Lines of the
// section that are not entries, and everything outside the section, are kept as they are.
RenameRun RunRenameList(std::string_view iniText, vx::Files& files);

// The text for a Windows error number, for the problem lines.
std::string ErrorText(std::uint32_t error);

}  // namespace vx::wininit
