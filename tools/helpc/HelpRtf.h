// The help as the program's own help window shows it on Windows, from the same parsed source as
// the Windows Help file: rich text (RTF) for the system's rich edit control, and plain text without
// any markup for a plain edit control where rich edit cannot be had. helpc compiles both into the
// program (shell/win32/ProgramHelpText.h).
//
// The rich text: the title and the headings bold and larger than the text, bold runs bold, list
// items with a bullet and a hanging indent, space between blocks. The plain text: one line per
// block (the edit control wraps it), a blank line between blocks but not between list items, "•"
// (0x95 in the Windows character set) and a space before an item; lines end in CR LF.
#pragma once

#include <string>
#include <string_view>

#include "tools/helpc/HelpCompiler.h"

namespace vx::help {

std::string HelpRtf(const Source& source);
std::string HelpPlainText(const Source& source);

// A C++ source defining the program's kProgramHelpRtf and kProgramHelpPlainText (with their
// sizes) from source, which was read from the file named `from`.
std::string ProgramHelpSource(const Source& source, std::string_view from);

}  // namespace vx::help
