// The card's two register operations, over the port access the platform gives.
//
// Port map, as offsets from the base port: +2 gain data, +3 gain index (4 microphone, 8 auxiliary),
// +4 mode byte, +8 status word (bit 9 busy for index 4, bit 10 for index 8). A port number is the
// low 16 bits of base + offset.
#pragma once

#include <array>
#include <cstdint>

#include "panel/PanelSettings.h"
#include "platform/Ports.h"

inline constexpr std::uint8_t kMicGainIndex = 4;
inline constexpr std::uint8_t kAuxGainIndex = 8;

// Status reads before a gain write gives up on a busy card. A card answers within a few reads; on
// the ISA bus a read takes about a microsecond, so the bound is about 0.1 s where no card answers.
inline constexpr unsigned kBusyPollLimit = 100000;

// The card's ports at the settings' base: gain data, gain index and mode byte (one byte each), then
// the status word (two bytes).
struct CardPort {
  std::uint16_t port;
  unsigned width;
};
std::array<CardPort, 4> CardPorts(const PanelSettings& settings);

void PortOut8(vx::Ports& ports, std::uint16_t port, std::uint8_t value);
std::uint16_t PortIn16(vx::Ports& ports, std::uint16_t port);

// Writes the composed mode byte to base + 4, unless the ports were refused already.
void WriteMode(vx::Ports& ports, const PanelSettings& settings);

// Programs gain register index with the low 8 bits of value: the index to base + 3, the status word
// at base + 8 polled until the index's busy bit clears, the value to base + 2. Answers false, with
// the value left unwritten, when the busy bit is still set after kBusyPollLimit reads, or when the
// ports are refused (Ports::Refused): then it stops at the refused access, or touches none.
bool WriteGain(vx::Ports& ports, const PanelSettings& settings, std::uint8_t index,
               std::int32_t value);
