// The window that owns a program's message boxes and shell look-ups, as logic sees it.
#pragma once

#include "platform/ShellLinks.h"

namespace vx {

class MessageOwner {
 public:
  virtual ~MessageOwner() = default;
  // A modal message box owned by this window; answers the button pressed.
  virtual int MessageBoxA(const char* text, const char* caption, unsigned type) = 0;
  virtual WindowRef GetSafeHwnd() const = 0;
};

}  // namespace vx
