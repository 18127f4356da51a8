// The program's help, compiled into the program by helpc from its help file's source, for the
// help window of its own (Win32Toolkit): as rich text (RTF) for the rich edit control, and as plain
// text without markup (lines ending in CR LF) where rich edit cannot be had.
#pragma once

#include <cstddef>

namespace vx::win32 {

extern const char kProgramHelpRtf[];
extern const std::size_t kProgramHelpRtfSize;
extern const char kProgramHelpPlainText[];
extern const std::size_t kProgramHelpPlainTextSize;

}  // namespace vx::win32
