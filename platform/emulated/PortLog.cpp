#include "platform/emulated/PortLog.h"

#include <string>

#include "platform/HexText.h"

namespace vx {

PortLog::PortLog(Ports& inner, const char* path) : m_inner(inner), m_file(std::fopen(path, "a")) {}

PortLog::~PortLog() {
  if (m_file) std::fclose(m_file);
}

void PortLog::Out8(std::uint16_t port, std::uint8_t value) {
  m_inner.Out8(port, value);
  if (!m_file) return;
  const std::string line = "out " + HexText(port, 4) + " " + HexText(value, 2) + "\n";
  std::fputs(line.c_str(), m_file);
  std::fflush(m_file);
}

std::uint16_t PortLog::In16(std::uint16_t port) {
  const std::uint16_t value = m_inner.In16(port);
  if (m_file) {
    const std::string line = "in " + HexText(port, 4) + " " + HexText(value, 4) + "\n";
    std::fputs(line.c_str(), m_file);
    std::fflush(m_file);
  }
  return value;
}

}  // namespace vx
