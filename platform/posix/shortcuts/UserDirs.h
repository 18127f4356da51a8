// The desktop folder as `xdg-user-dir DESKTOP` finds it, from the text of user-dirs.dirs.
//
// Pure text handling: the caller reads ${XDG_CONFIG_HOME:-$HOME/.config}/user-dirs.dirs (or passes
// nothing when it cannot) and the home folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vx::posix {

// The file is read as sh reads it when it sources it: as words and commands, with double and
// single quotes that may span lines, backslash escapes, backslash-newline joining lines, '#'
// starting a comment only where a word would start, and blanks and newlines ending words. The last
// command that is a plain assignment to XDG_DESKTOP_DIR (nothing but NAME=value words, or such words
// before `:` or `export NAME...`, which sh keeps; redirections from or to /dev/null and `>&-` allowed;
// in an and-or list, a command the status before it lets run) decides,
// when its value is built from literal text and $HOME (also ${HOME}, or '~' where sh puts the
// home folder) and names an absolute folder with no NUL or other control character. Passed over:
//   - other commands (a blank around '=' makes one), and assignments sh makes only for a command;
//   - a value holding another expansion ($name, $1, ...), or a folder that is relative or holds a
//     control character (a CR before the line end is part of the value, as for sh);
//   - everything from the first construct this reader does not follow on: $(...), backquotes,
//     ${...} other than ${name}, the operators & | ( ), here-documents and redirections that may
//     fail, the special built-ins but `:` and `export`, an assignment to the folder after && or ||
//     where the status before it is not known, and reserved words such as `if`;
//   - the whole file when sh could not parse it or gives up on it (a quote still open at the end
//     of the file, a ';' with no command before it, && or || with none after it, a stray `fi`, an
//     `export` of what is not a name): *fault then says why, for the caller to tell the user.
// Without a setting (or without the file) the answer is home + "/Desktop". Repeated separators are
// made one and a final one is dropped, so that the folder has one spelling.
// A folder that would lie under an empty home is unknown: the answer is "" rather than a path
// from the root folder.
std::string DesktopFolder(const std::optional<std::string>& userDirsText, std::string_view home,
                          std::string* fault = nullptr);

// The path with each run of '/' made one and no final '/' (except for "/" itself).
std::string WithoutExtraSeparators(std::string_view path);

}  // namespace vx::posix
