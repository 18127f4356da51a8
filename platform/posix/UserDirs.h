// The desktop folder as `xdg-user-dir DESKTOP` finds it, from the text of user-dirs.dirs.
//
// Pure text handling: the caller reads ${XDG_CONFIG_HOME:-$HOME/.config}/user-dirs.dirs (or passes
// nothing when it cannot) and the home folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vx::posix {

// The last XDG_DESKTOP_DIR line of the file decides: "$HOME/..." (or "$HOME" alone) under home, or
// an absolute path; backslash escapes are undone, '#' starts a comment line, lines of another form
// are passed over, and so are lines whose folder holds a NUL or another control character. Without such a line (or without the file) the answer is home + "/Desktop".
// A folder that would lie under an empty home is unknown: the answer is "" rather than a path
// from the root folder.
std::string DesktopFolder(const std::optional<std::string>& userDirsText, std::string_view home);

}  // namespace vx::posix
