// The processor's own port instructions. Only the Windows 95 family lets a user program execute
// them; on the NT family (and under Wine) the first one ends the program with
// EXCEPTION_PRIV_INSTRUCTION, so the entry point refuses this back end there before any port is
// touched.
#pragma once

#include <cstdint>

#include "platform/Ports.h"

namespace vx::win32 {

class DirectPorts : public Ports {
 public:
  void Out8(std::uint16_t port, std::uint8_t value) override;
  std::uint16_t In16(std::uint16_t port) override;
};

}  // namespace vx::win32
