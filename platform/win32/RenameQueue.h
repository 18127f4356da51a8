// Which deletions a new [Rename] section of WININIT.INI adds to the old one.
//
// The NT family never reads WININIT.INI; it keeps its start-up deletions in
// PendingFileRenameOperations, filled by MoveFileEx(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT). So that
// an uninstaller run there does not stay behind, SystemProfile queues each "NUL=path" entry that a
// section write adds. Pure text handling, no Windows header.
#pragma once

#include <string>
#include <vector>

namespace vx::win32 {

// before and after are sections as the profile functions exchange them (key=value strings, each
// ended by a NUL, the run ended by one more NUL; null stands for an empty section). Answers, in the
// order they stand in after, the paths of the "NUL=" entries (key NUL in any letter case, with a
// non-empty path) that after holds more often than before.
std::vector<std::string> AddedDeletions(const char* before, const char* after);

// Whether file names the start-up rename list: its last path component is WININIT.INI in any case.
bool IsWininit(const char* file);

}  // namespace vx::win32
