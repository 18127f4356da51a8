#include "panel/CardControl.h"

namespace {

std::uint16_t PortAt(const PanelSettings& settings, unsigned offset) {
  return static_cast<std::uint16_t>(settings.Port + offset);
}

}  // namespace

std::array<CardPort, 4> CardPorts(const PanelSettings& settings) {
  return {{{PortAt(settings, 2), 1}, {PortAt(settings, 3), 1}, {PortAt(settings, 4), 1},
           {PortAt(settings, 8), 2}}};
}

void PortOut8(vx::Ports& ports, std::uint16_t port, std::uint8_t value) { ports.Out8(port, value); }

std::uint16_t PortIn16(vx::Ports& ports, std::uint16_t port) { return ports.In16(port); }

void WriteMode(vx::Ports& ports, const PanelSettings& settings) {
  if (ports.Refused()) return;
  PortOut8(ports, PortAt(settings, 4), ComposeModeByte(settings));
}

bool WriteGain(vx::Ports& ports, const PanelSettings& settings, std::uint8_t index,
               std::int32_t value) {
  if (ports.Refused()) return false;
  PortOut8(ports, PortAt(settings, 3), index);
  const std::uint16_t busy = static_cast<std::uint16_t>(static_cast<unsigned>(index) << 7);
  const std::uint16_t status = PortAt(settings, 8);
  // A refused read answers 0xFFFF, busy: the poll stops there rather than at its limit.
  for (unsigned reads = 0; reads < kBusyPollLimit && !ports.Refused(); ++reads) {
    if ((PortIn16(ports, status) & busy) == 0) {
      PortOut8(ports, PortAt(settings, 2), static_cast<std::uint8_t>(value & 0xFF));
      return !ports.Refused();
    }
  }
  return false;
}
