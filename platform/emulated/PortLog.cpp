#include "platform/emulated/PortLog.h"

#include "platform/HexText.h"

namespace vx {

PortLog::PortLog(Ports& inner, const char* path) : m_inner(inner), m_file(std::fopen(path, "a")) {}

PortLog::~PortLog() {
  if (m_file) std::fclose(m_file);
}

void PortLog::Out8(std::uint16_t port, std::uint8_t value) {
  if (m_inner.Refused()) return;
  m_inner.Out8(port, value);
  if (!m_inner.Refused()) Write("out " + HexText(port, 4) + " " + HexText(value, 2) + "\n");
}

std::uint16_t PortLog::In16(std::uint16_t port) {
  if (m_inner.Refused()) return 0xFFFF;
  const std::uint16_t value = m_inner.In16(port);
  if (!m_inner.Refused()) Write("in " + HexText(port, 4) + " " + HexText(value, 4) + "\n");
  return value;
}

void PortLog::Write(const std::string& line) {
  // One fputs of the whole line, flushed at once: one write (the stdio buffer holds a line).
  if (!m_file) return;
  std::fputs(line.c_str(), m_file);
  std::fflush(m_file);
}

}  // namespace vx
