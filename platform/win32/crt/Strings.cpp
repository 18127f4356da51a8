// The memory and string functions the programs call, and those gcc emits calls to (memcpy,
// memmove, memset, memcmp for copies and comparisons of objects). Byte loops: the programs move
// a few kilobytes at most. Built with -fno-builtin and -fno-tree-loop-distribute-patterns so that
// gcc does not turn a loop back into a call of the function it implements.
//
// VX_CRT_NAME lets the host test build this same file under other names and compare each
// function with the host's C library.
#include <cstddef>

#ifndef VX_CRT_NAME
#define VX_CRT_NAME(name) name
#endif

using std::size_t;

extern "C" {

void* VX_CRT_NAME(memcpy)(void* to, const void* from, size_t count) {
  auto* out = static_cast<unsigned char*>(to);
  const auto* in = static_cast<const unsigned char*>(from);
  while (count--) *out++ = *in++;
  return to;
}

void* VX_CRT_NAME(memmove)(void* to, const void* from, size_t count) {
  auto* out = static_cast<unsigned char*>(to);
  const auto* in = static_cast<const unsigned char*>(from);
  if (out < in) {
    while (count--) *out++ = *in++;
  } else if (out > in) {
    while (count--) out[count] = in[count];
  }
  return to;
}

void* VX_CRT_NAME(memset)(void* to, int value, size_t count) {
  auto* out = static_cast<unsigned char*>(to);
  while (count--) *out++ = static_cast<unsigned char>(value);
  return to;
}

int VX_CRT_NAME(memcmp)(const void* a, const void* b, size_t count) {
  const auto* x = static_cast<const unsigned char*>(a);
  const auto* y = static_cast<const unsigned char*>(b);
  for (; count; --count, ++x, ++y)
    if (*x != *y) return *x < *y ? -1 : 1;
  return 0;
}

void* VX_CRT_NAME(memchr)(const void* block, int value, size_t count) {
  const auto* in = static_cast<const unsigned char*>(block);
  for (; count; --count, ++in)
    if (*in == static_cast<unsigned char>(value)) return const_cast<unsigned char*>(in);
  return nullptr;
}

size_t VX_CRT_NAME(strlen)(const char* text) {
  const char* end = text;
  while (*end) ++end;
  return static_cast<size_t>(end - text);
}

size_t VX_CRT_NAME(strnlen)(const char* text, size_t limit) {
  size_t length = 0;
  while (length < limit && text[length]) ++length;
  return length;
}

int VX_CRT_NAME(strncmp)(const char* a, const char* b, size_t count) {
  for (; count; --count, ++a, ++b) {
    const auto x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
    if (x != y) return x < y ? -1 : 1;
    if (!x) break;
  }
  return 0;
}

int VX_CRT_NAME(strcmp)(const char* a, const char* b) {
  return VX_CRT_NAME(strncmp)(a, b, static_cast<size_t>(-1));
}

}  // extern "C"
