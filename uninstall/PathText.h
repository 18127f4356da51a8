// Bounded text helpers for the uninstaller's fixed path buffers.
//
// Every path lives in a buffer of vx::kMaxPath characters, terminator included. These helpers never
// write past it and always leave the buffer terminated; they say whether the whole text fit, so the
// caller can refuse to use a path that was cut short.
#pragma once

#include <cstddef>
#include <cstring>

#include "platform/Status.h"

namespace uninstall_detail {

using PathBuffer = char[vx::kMaxPath];

// Length of a path in a buffer that may lack a terminator.
inline std::size_t PathLength(const char* text) { return ::strnlen(text, vx::kMaxPath); }

// Writes text at buffer[at] with its terminator. When it does not fit, keeps as much as fits, ends
// the buffer at its last character and answers false.
inline bool PutText(PathBuffer& buffer, std::size_t at, const char* text) {
  const std::size_t length = std::strlen(text);
  if (at + length < vx::kMaxPath) {
    std::memcpy(buffer + at, text, length + 1);
    return true;
  }
  if (at < vx::kMaxPath - 1) std::memcpy(buffer + at, text, vx::kMaxPath - 1 - at);
  buffer[vx::kMaxPath - 1] = '\0';
  return false;
}

// Compares two names as the platform does: exactly, or ignoring the case of ASCII letters (the C
// runtime's _stricmp in its default locale).
inline bool SameName(const char* a, const char* b, bool caseSensitive) {
  if (caseSensitive) return std::strcmp(a, b) == 0;
  for (;; ++a, ++b) {
    unsigned char x = static_cast<unsigned char>(*a);
    unsigned char y = static_cast<unsigned char>(*b);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
    if (x == '\0') return true;
  }
}

// "." and every name beginning with ".." are passed over as directory entries.
inline bool IsDotEntry(const char* name) {
  return (name[0] == '.' && name[1] == '\0') || (name[0] == '.' && name[1] == '.');
}

}  // namespace uninstall_detail
