// Desktop entries (freedesktop Desktop Entry files) as far as they stand in for shell links: which
// file a launcher points at, and how to write one that points at a program.
//
// Pure text handling, no file access: DesktopLinks reads the file and hands the text here. Every
// function is strict in the same direction: anything a launcher would not run or open answers
// "no target", so such an entry is kept on the desktop rather than taken for a link to the panel.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vx::posix {

// The file a desktop entry launches or opens, read as launchers read it (GLib's key-file reader and
// command-line rules): for Type=Application the program of its Exec key, for Type=Link with a
// file URL of this machine the local path. No value where a launcher refuses the entry or has
// nothing to run: a line that is no comment, group or key, an invalid group or key name, a first
// group other than [Desktop Entry], an Encoding other than UTF-8, a Type, Exec or URL that is
// missing or no UTF-8, a command line with broken quoting. Values have their escapes (\s \n \t
// \r \\) undone; another backslash stays with the character after it, one at the end goes. A
// repeated key counts as its last value, a repeated group as one; a value keeps its trailing
// blanks. Where this differs from a launcher, it refuses: a file holding a NUL byte, a key whose
// [locale] holds a character other than ASCII letters, digits, - _ . @.
//
// The program is the first word of the Exec value after the launcher's field-code expansion with
// no file to open: %c stands for the (untranslated) Name, %k for `entryPath` (the entry's own
// path; nothing when empty), %i for "--icon" and the Icon, each quoted as one word; %% is a percent
// sign and every other code stands for nothing. Whether the program exists (or TryExec) is not
// looked at: the panel's program is deleted before its shortcuts are.
std::optional<std::string> DesktopEntryTarget(std::string_view text,
                                              std::string_view entryPath = {});
// Same, into `target` (whose storage is reused from call to call); false for no target, `target`
// then holding anything.
bool DesktopEntryTarget(std::string_view text, std::string_view entryPath, std::string& target);
inline bool DesktopEntryTarget(std::string_view text, std::string& target) {
  return DesktopEntryTarget(text, {}, target);
}

// Undoes the string escapes of a value (\s \n \t \r \\); any other backslash stays as it is.
std::string UnescapeDesktopString(std::string_view value);

// The local path of a file URL (g_filename_from_uri): "file:" in any letter case, then "/path",
// "///path" or "//localhost/path" (the host in any letter case, with no percent sign), the path's
// percent-decoding undone. Nothing for another host, a '#' anywhere, a '%' without two hex digits
// after it, or one that decodes to NUL or '/'.
std::optional<std::string> FileUrlPath(std::string_view url);

// The inverse of UnescapeDesktopString: backslash, newline, tab and CR escaped.
std::string EscapeDesktopString(std::string_view value);

// The inverse of the Exec reading above for one argument: quoted when it holds a
// reserved character, a blank or a control character, percent signs doubled, then escaped as a
// string value.
std::string ExecArgumentForEntry(std::string_view argument);

}  // namespace vx::posix
