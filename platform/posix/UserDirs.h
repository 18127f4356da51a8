// The desktop folder as `xdg-user-dir DESKTOP` finds it, from the text of user-dirs.dirs.
//
// Pure text handling: the caller reads ${XDG_CONFIG_HOME:-$HOME/.config}/user-dirs.dirs (or passes
// nothing when it cannot) and the home folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vx::posix {

// The last XDG_DESKTOP_DIR line of the file decides, read as sh reads it when it sources the file:
// "$HOME/..." (or "$HOME" alone) under home, or an absolute path; within the double quotes a
// backslash escapes $ ` " and \ and stays before anything else; '#' starts a comment line. Lines
// of another form are passed over (other expansions, backquotes, anything but a comment after the
// closing quote), and so are lines whose folder holds a NUL or another control character. Without
// such a line (or without the file) the answer is home + "/Desktop". Repeated separators are made
// one and a final one is dropped, so that the folder has one spelling.
// A folder that would lie under an empty home is unknown: the answer is "" rather than a path
// from the root folder.
std::string DesktopFolder(const std::optional<std::string>& userDirsText, std::string_view home);

// The path with each run of '/' made one and no final '/' (except for "/" itself).
std::string WithoutExtraSeparators(std::string_view path);

}  // namespace vx::posix
