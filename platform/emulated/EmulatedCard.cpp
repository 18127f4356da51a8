#include "platform/emulated/EmulatedCard.h"

namespace vx {

EmulatedCard::EmulatedCard(std::uint16_t base, unsigned busyReads)
    : m_base(base), m_busyReads(busyReads) {}

void EmulatedCard::Out8(std::uint16_t port, std::uint8_t value) {
  const std::uint16_t offset = static_cast<std::uint16_t>(port - m_base);
  switch (offset) {
    case 2:
      m_gains[m_index] = value;
      break;
    case 3:
      m_index = value;
      if (value == 4 || value == 8) {
        const unsigned bit = value == 4 ? 9 : 10;
        m_status |= static_cast<std::uint16_t>(1u << bit);
        m_readsLeft[bit] = m_busyReads;
      }
      break;
    case 4:
      m_mode = value;
      break;
    default:
      break;
  }
}

std::uint16_t EmulatedCard::In16(std::uint16_t port) {
  if (static_cast<std::uint16_t>(port - m_base) != 8) return 0xFFFF;
  const std::uint16_t answer = m_status;
  for (unsigned bit = 0; bit < m_readsLeft.size(); ++bit) {
    if (!(m_status & (1u << bit)) || m_readsLeft[bit] == kStuck) continue;
    if (m_readsLeft[bit] <= 1)
      m_status = static_cast<std::uint16_t>(m_status & ~(1u << bit));
    else
      --m_readsLeft[bit];
  }
  return answer;
}

}  // namespace vx
