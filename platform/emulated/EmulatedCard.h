// An in-process model of the card's recording registers, for machines without the card or without
// port access (the default port back end on every platform).
//
// It answers at one base port: +2 gain data, +3 gain index, +4 mode byte, +8 status word. Writing
// gain index 4 or 8 sets that index's busy bit (index << 7) in the status word; the bit clears
// after busyReads reads of the status word (never, when busyReads is kStuck). Ports outside the card
// read as a floating bus (0xFFFF) and swallow writes.
#pragma once

#include <array>
#include <cstdint>

#include "platform/Ports.h"

namespace vx {

class EmulatedCard : public Ports {
 public:
  static constexpr unsigned kStuck = ~0u;

  explicit EmulatedCard(std::uint16_t base = 0x330, unsigned busyReads = 3);

  void Out8(std::uint16_t port, std::uint8_t value) override;
  std::uint16_t In16(std::uint16_t port) override;

  std::uint16_t Base() const { return m_base; }
  std::uint8_t Mode() const { return m_mode; }
  std::uint8_t GainIndex() const { return m_index; }
  std::uint8_t Gain(std::uint8_t index) const { return m_gains[index]; }
  std::uint16_t Status() const { return m_status; }

 private:
  std::uint16_t m_base;
  unsigned m_busyReads;
  std::uint8_t m_mode = 0;
  std::uint8_t m_index = 0;
  std::uint16_t m_status = 0;
  std::array<unsigned, 16> m_readsLeft{};  // per status bit
  std::array<std::uint8_t, 256> m_gains{};
};

}  // namespace vx
