// Access to the sound card's I/O ports: one byte out, one 16-bit word in.
//
// Behind it stand the emulated card (platform/emulated), the processor's port instructions
// (platform/posix/DirectPorts, platform/win32) and, in tests, recording fakes.
#pragma once

#include <cstdint>

namespace vx {

class Ports {
 public:
  virtual ~Ports() = default;
  virtual void Out8(std::uint16_t port, std::uint8_t value) = 0;
  virtual std::uint16_t In16(std::uint16_t port) = 0;
};

}  // namespace vx
