// "0x" and a fixed number of hexadecimal digits: port numbers and register values as the card log
// and the messages show them. Written out by hand rather than with printf, whose floating-point
// formatting would otherwise be linked into the Windows images.
#pragma once

#include <string>

namespace vx {

enum class HexCase { Lower, Upper };

inline std::string HexText(unsigned value, int digits, HexCase letters = HexCase::Lower) {
  const char* set = letters == HexCase::Upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string text(2 + digits, '0');
  text[1] = 'x';
  for (int i = 1 + digits; i > 1; --i, value >>= 4) text[i] = set[value & 0xF];
  return text;
}

}  // namespace vx
