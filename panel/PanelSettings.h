// The recording settings of one run, and the mode byte they compose.
#pragma once

#include <cstdint>

struct PanelSettings {
  std::uint8_t Rate = 2;   // rate code, bits 3-4 of the mode byte; the panel never changes it
  std::uint8_t Bits = 1;   // 1 = 16 bit, 0 = 8 bit
  std::uint8_t Gain = 0;   // input: 1 = microphone, 0 = line
  std::uint8_t Mon = 0;    // monitor: 1 = on, 0 = off
  std::uint8_t Chan = 1;   // 1 = stereo, 0 = mono
  std::uint32_t Port = 0x330;  // base I/O port of the card
};

// The mode register's byte: 0 Mon Gain Rate(2) Bits Chan 0, from the most significant bit down.
// Nothing is masked, so a field out of its range spills into its neighbours' bits and whatever
// passes bit 7 is lost, as the card has always been programmed.
std::uint8_t ComposeModeByte(const PanelSettings& settings);
