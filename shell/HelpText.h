// The texts of the help handler that both toolkit back ends show: the messages for a help file
// that cannot be shown, and the file's bytes made ready for a plain multi-line edit control.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vx {

// "Help is not available: cannot open PATH."
std::string HelpMissingMessage(const std::string& path);
// "Help is not available: PATH is empty."
std::string HelpEmptyMessage(const std::string& path);
// The line that ends a help text cut short: how much of the file is shown.
std::string HelpCutNote(std::uint64_t shown, std::uint64_t total);

// The help file as a Windows edit control shows it, from head, its first bytes (all of them when
// head.size() is fileSize): every line ends in CR LF (LF, CR LF and a lone CR each end one line)
// and a NUL byte becomes a space. When the result would pass `limit` bytes, or head is not the
// whole file, it is cut after its last whole line that leaves room for HelpCutNote (inside the
// first line when none does) and the note follows; the whole stays within limit.
std::string EditControlText(std::string_view head, std::uint64_t fileSize, std::size_t limit);

// The help window of the Qt back end lays Markdown out in a time that grows much faster than the
// text (4 KB of backquotes: a quarter of a second; 16 KB of "*_": one and a half), and plain text
// in one that grows with the square of the longest line (one line of 1 MB: two minutes). So a
// file shows as Markdown only up to kHelpMarkdownLimit bytes; a larger one shows as plain text,
// its first kHelpPlainLimit bytes at most, with a line break put into every run of
// kHelpLineLimit bytes without one.
inline constexpr std::size_t kHelpMarkdownLimit = 4 * 1024;
inline constexpr std::size_t kHelpPlainLimit = 256 * 1024;
inline constexpr std::size_t kHelpLineLimit = 1024;

struct HelpWindowText {
  std::string text;
  bool markdown = false;
};

// What the help window shows of a file of fileSize bytes, from head, its first bytes (at least
// min(fileSize, kHelpPlainLimit) of them when there are that many). A NUL byte becomes a space; a
// line is broken before a UTF-8 sequence, never inside one; a file cut short ends in HelpCutNote.
HelpWindowText HelpWindowTextOf(std::string_view head, std::uint64_t fileSize);

}  // namespace vx
