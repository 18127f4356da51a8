// Reading and replacing one section of an INI file's text, the way the Windows profile functions
// treat sections, while keeping the rest of the file as it stands.
//
// Pure text handling; IniProfile and vexmor-wininit read and write the file around it. Lines end in
// LF, CRLF or a lone CR; a UTF-8 byte-order mark before the first line is skipped (and kept when the
// file is written); a section header is "[name]" (leading and trailing blanks ignored, names
// compared without regard to ASCII letter case); ';' starts a comment line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx::posix {

// Which sections of a name a read takes: the first, as the profile functions do, or every one in
// file order, as the start-up list is carried out.
enum class Sections { kFirst, kEvery };

// The entries of the section: each line that is neither blank nor a comment, as "key=value" with
// the blanks around key and value removed (a line without '=' gives its trimmed text). Empty when
// the section is missing.
std::vector<std::string> ReadIniSection(std::string_view text, std::string_view section,
                                        Sections which = Sections::kFirst);

// The same entries as their lines stand, without the line end and with nothing removed, for a
// reader that must tell "NUL=/a " from "NUL=/a".
std::vector<std::string> ReadIniSectionLines(std::string_view text, std::string_view section,
                                             Sections which = Sections::kFirst);

// Whether the read hands the entry line back so that writing it again keeps its meaning: the line
// with the blanks around its key removed (the read removes them too) and its value as it stands
// is an entry that fits (IniEntryFits). One rule for what is written and what is written again.
bool EntryLineHandsBack(std::string_view line);

// Whether the file has the section at all.
bool HasIniSection(std::string_view text, std::string_view section);

// Whether an entry reads back from its line exactly as written: "key=value" with an '=', no CR,
// LF or NUL in it, no blank or tab at either end of its key or its value (the reader removes
// those), and a line the reader takes for an entry (not starting with ';', a comment, and not a
// section header such as "[a]=b").
bool IniEntryFits(std::string_view entry);

// The text with the section's entries replaced by `entries`, in their order. Every other line of
// the file stays as it was, its bytes and its line end, whichever line ends the file mixes: other
// sections, blank lines, and the comment lines of the section itself (those among the old entries
// are kept just before the new ones). A missing section is appended at the end, after one blank
// line unless the file ends in one. New lines take the line end of the file's first line (LF for
// an empty file); the file's last line gets it only when something is written after it. A lone CR
// never comes right before a line that begins with LF (the two would read as one CRLF): a new line
// ends in CRLF there, and a kept blank LF line that removed entries bring after a lone CR becomes
// CRLF. Writing the same entries again gives the same bytes. No value, and so nothing to write,
// when an entry does not fit (IniEntryFits), an old entry line of the section does not hand back
// (EntryLineHandsBack), or the name would break the file's lines (CR, LF or NUL in it, a ']').
std::optional<std::string> ReplaceIniSection(std::string_view text, std::string_view section,
                                             const std::vector<std::string>& entries);

}  // namespace vx::posix
