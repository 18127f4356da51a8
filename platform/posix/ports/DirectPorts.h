// ports/: the card's I/O ports through the processor's own port instructions.
//
// The processor's own port instructions (x86 only), after the kernel has granted the ports.
//
//   std::string why = DirectPorts::Acquire({{0x332, 1}, {0x333, 1}, {0x334, 1}, {0x338, 2}});
//   if (why.empty()) { DirectPorts ports; ... }
//
// Without the grant a port instruction kills the process, so nothing may touch a port before
// Acquire has answered "".
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/Ports.h"

namespace vx::posix {

struct PortRange {
  std::uint16_t first;
  unsigned count;
};

class DirectPorts : public Ports {
 public:
  // Asks the kernel (ioperm) for every range; answers "" or the reason it refused.
  static std::string Acquire(std::span<const PortRange> ranges);

  void Out8(std::uint16_t port, std::uint8_t value) override;
  std::uint16_t In16(std::uint16_t port) override;
};

}  // namespace vx::posix
