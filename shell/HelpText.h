// The texts of the help handler that both toolkit back ends show: the messages for a help file
// that cannot be shown, and the file's bytes made ready for a plain multi-line edit control.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vx {

// "Help is not available: cannot open PATH."
std::string HelpMissingMessage(const std::string& path);
// "Help is not available: PATH is empty."
std::string HelpEmptyMessage(const std::string& path);
// The line that ends a help text cut short: how much of the file is shown.
std::string HelpCutNote(std::size_t shown, std::size_t total);

// The help file as a Windows edit control shows it, from head, its first bytes (all of them when
// head.size() is fileSize): every line ends in CR LF (LF, CR LF and a lone CR each end one line)
// and a NUL byte becomes a space. When the result would pass `limit` bytes, or head is not the
// whole file, it is cut after its last whole line that leaves room for HelpCutNote (inside the
// first line when none does) and the note follows; the whole stays within limit.
std::string EditControlText(std::string_view head, std::size_t fileSize, std::size_t limit);

}  // namespace vx
