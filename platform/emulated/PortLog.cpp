#include "platform/emulated/PortLog.h"

namespace vx {

PortLog::PortLog(Ports& inner, const char* path) : m_inner(inner), m_file(std::fopen(path, "a")) {}

PortLog::~PortLog() {
  if (m_file) std::fclose(m_file);
}

void PortLog::Out8(std::uint16_t port, std::uint8_t value) {
  m_inner.Out8(port, value);
  if (!m_file) return;
  std::fprintf(m_file, "out 0x%04x 0x%02x\n", port, value);
  std::fflush(m_file);
}

std::uint16_t PortLog::In16(std::uint16_t port) {
  const std::uint16_t value = m_inner.In16(port);
  if (m_file) {
    std::fprintf(m_file, "in 0x%04x 0x%04x\n", port, value);
    std::fflush(m_file);
  }
  return value;
}

}  // namespace vx
