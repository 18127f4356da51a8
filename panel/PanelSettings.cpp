#include "panel/PanelSettings.h"

std::uint8_t ComposeModeByte(const PanelSettings& s) {
  std::uint8_t m = s.Mon;
  m = static_cast<std::uint8_t>((m << 1) | s.Gain);
  m = static_cast<std::uint8_t>((m << 2) | s.Rate);
  m = static_cast<std::uint8_t>((m << 1) | s.Bits);
  m = static_cast<std::uint8_t>((m << 1) | s.Chan);
  return static_cast<std::uint8_t>(m << 1);
}
