#include "platform/win32/DirectPorts.h"

namespace vx::win32 {

void DirectPorts::Out8(std::uint16_t port, std::uint8_t value) {
  __asm__ __volatile__("outb %0, %1" : : "a"(value), "Nd"(port));
}

std::uint16_t DirectPorts::In16(std::uint16_t port) {
  std::uint16_t value;
  __asm__ __volatile__("inw %1, %0" : "=a"(value) : "Nd"(port));
  return value;
}

}  // namespace vx::win32
