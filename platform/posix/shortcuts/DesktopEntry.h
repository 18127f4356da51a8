// Desktop entries (freedesktop Desktop Entry files) as far as they stand in for shell links: which
// file a launcher points at, and how to write one that points at a program.
//
// Pure text handling, no file access: DesktopLinks reads the file and hands the text here. Every
// function is strict in the same direction: anything malformed answers "no target", so a broken
// entry is kept on the desktop rather than taken for a link to the panel.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vx::posix {

// The file a desktop entry launches or opens: for Type=Application the program of its Exec key,
// for Type=Link with a file:// URL the decoded local path. No value for anything else: another
// type, a missing or malformed key, broken quoting, text that is not UTF-8 or holds control
// characters, a first group other than [Desktop Entry], a repeated key or group. Read in one pass,
// keeping nothing of the keys but what it compares.
//
// The program is the first argument of the Exec value, its string escapes undone (\s \n \t \r
// \\): double quotes and the backslash escapes inside them undone, "%%" made "%", field codes
// removed (an argument that was only a field code disappears). Every argument must keep the rules:
// no broken quoting, no reserved character unquoted, no percent sign that starts no known field
// code.
std::optional<std::string> DesktopEntryTarget(std::string_view text);
// Same, into `target` (whose storage is reused from call to call); false for no target, `target`
// then holding anything.
bool DesktopEntryTarget(std::string_view text, std::string& target);

// Undoes the string escapes of a value (\s \n \t \r \\); any other backslash stays as it is.
std::string UnescapeDesktopString(std::string_view value);

// The local path of a file:// URL (empty host or "localhost"), percent-decoding undone.
std::optional<std::string> FileUrlPath(std::string_view url);

// The inverse of UnescapeDesktopString: backslash, newline, tab and CR escaped.
std::string EscapeDesktopString(std::string_view value);

// The inverse of the Exec reading above for one argument: quoted when it holds a
// reserved character, percent signs doubled, then escaped as a string value.
std::string ExecArgumentForEntry(std::string_view argument);

}  // namespace vx::posix
