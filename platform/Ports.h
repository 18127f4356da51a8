// Access to the sound card's I/O ports: one byte out, one 16-bit word in.
//
// Behind it stand the emulated card (platform/emulated), the processor's port instructions
// (platform/posix/DirectPorts, platform/win32) and, in tests, recording fakes.
//
// A back end whose system may refuse an access (port instructions that fault) answers Refused()
// from the first refusal on, and from then on touches no port: Out8 does nothing and In16 answers
// 0xFFFF. The caller learns of a refusal only there, and ends the run.
#pragma once

#include <cstdint>

namespace vx {

class Ports {
 public:
  virtual ~Ports() = default;
  virtual void Out8(std::uint16_t port, std::uint8_t value) = 0;
  virtual std::uint16_t In16(std::uint16_t port) = 0;
  virtual bool Refused() const { return false; }
};

}  // namespace vx
