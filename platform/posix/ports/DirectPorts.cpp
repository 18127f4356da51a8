#include "platform/posix/ports/DirectPorts.h"

#include <cerrno>
#include <cstring>

#if defined(__linux__) && (defined(__x86_64__) || defined(__i386__))
#include <sys/io.h>
#define VX_HAVE_PORT_IO 1
#endif

namespace vx::posix {

#ifdef VX_HAVE_PORT_IO

std::string DirectPorts::Acquire(std::span<const PortRange> ranges) {
  for (const PortRange& range : ranges) {
    if (ioperm(range.first, range.count, 1) != 0) {
      const int error = errno;
      std::string why = std::strerror(error);
      if (error == EPERM)
        why += " (it takes the CAP_SYS_RAWIO capability, and a kernel in lockdown refuses it even "
               "to root)";
      return why;
    }
  }
  return {};
}

void DirectPorts::Out8(std::uint16_t port, std::uint8_t value) { outb(value, port); }

std::uint16_t DirectPorts::In16(std::uint16_t port) { return inw(port); }

#else

std::string DirectPorts::Acquire(std::span<const PortRange>) {
  return "this processor has no I/O port instructions (they exist on x86 only)";
}

void DirectPorts::Out8(std::uint16_t, std::uint8_t) {}

std::uint16_t DirectPorts::In16(std::uint16_t) { return 0xFFFF; }

#endif

}  // namespace vx::posix
