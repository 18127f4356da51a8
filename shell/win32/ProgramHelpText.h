// The program's help text (Markdown), compiled into the program by the build from its help file's
// source, for the help window of its own (Win32Toolkit).
#pragma once

#include <cstddef>

namespace vx::win32 {

extern const unsigned char kProgramHelpText[];
extern const std::size_t kProgramHelpTextSize;

}  // namespace vx::win32
