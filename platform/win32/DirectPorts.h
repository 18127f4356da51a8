// The processor's own port instructions. Only the Windows 95 family lets a user program execute
// them. Elsewhere each one raises EXCEPTION_PRIV_INSTRUCTION: on the NT family, under Wine, and on
// an NT system that runs the program in a "Windows 95" or "Windows 98 / Me" compatibility mode,
// which reports the 95 family all the same. So every instruction runs under an exception handler
// of its own that catches exactly that fault at exactly that instruction and steps over it: a
// refused access is answered by Refused() instead of ending the program, and from then on no
// instruction is executed (Ports.h). The handler is a frame
// handler (a registration record on 32-bit x86, unwind data on x86-64), which Windows 95 has.
#pragma once

#include <cstdint>

#include "platform/Ports.h"

namespace vx::win32 {

class DirectPorts : public Ports {
 public:
  // Reads the word at `port` once, to learn whether this process may execute port instructions.
  // A refusal here is no refusal of an instance.
  static bool Allowed(std::uint16_t port);

  void Out8(std::uint16_t port, std::uint8_t value) override;
  std::uint16_t In16(std::uint16_t port) override;
  bool Refused() const override { return m_refused; }

 private:
  bool m_refused = false;
};

}  // namespace vx::win32
