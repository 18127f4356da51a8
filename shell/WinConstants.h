// Numbers of the Windows dialog world that the shell and both programs speak in: command
// identifiers, messages, trackbar notifications, virtual keys and message-box types.
//
// The names are our own (k-prefixed) so that this header can sit beside <windows.h>, whose macros
// carry the usual names.
#pragma once

#include <cstdint>

namespace vx {

using WParam = std::uintptr_t;
using LParam = std::intptr_t;

// Standard command identifiers.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdHelp = 0xE146;  // the framework's help command

// Messages.
inline constexpr unsigned kWmPaint = 0x000F;
inline constexpr unsigned kWmQueryDragIcon = 0x0037;
inline constexpr unsigned kWmKeyDown = 0x0100;
inline constexpr unsigned kWmKeyUp = 0x0101;
inline constexpr unsigned kWmSysKeyDown = 0x0104;
inline constexpr unsigned kWmSysKeyUp = 0x0105;
inline constexpr unsigned kWmCommand = 0x0111;
inline constexpr unsigned kWmHScroll = 0x0114;

// System menu commands.
inline constexpr unsigned kScSize = 0xF000;
inline constexpr unsigned kScMaximize = 0xF030;

// Trackbar scroll codes (the low word of WM_HSCROLL's wParam).
inline constexpr unsigned kTbLineUp = 0;
inline constexpr unsigned kTbLineDown = 1;
inline constexpr unsigned kTbPageUp = 2;
inline constexpr unsigned kTbPageDown = 3;
inline constexpr unsigned kTbThumbPosition = 4;
inline constexpr unsigned kTbThumbTrack = 5;
inline constexpr unsigned kTbTop = 6;
inline constexpr unsigned kTbBottom = 7;
inline constexpr unsigned kTbEndTrack = 8;

// Virtual keys.
inline constexpr unsigned kVkReturn = 0x0D;
inline constexpr unsigned kVkEscape = 0x1B;
inline constexpr unsigned kVkF1 = 0x70;

// Accelerator flags.
inline constexpr std::uint8_t kAccelVirtKey = 0x01;
inline constexpr std::uint8_t kAccelNoInvert = 0x02;
inline constexpr std::uint8_t kAccelShift = 0x04;
inline constexpr std::uint8_t kAccelControl = 0x08;
inline constexpr std::uint8_t kAccelAlt = 0x10;

// Message-box type 0: an OK button and no icon; with the information icon.
inline constexpr unsigned kMbOk = 0;
inline constexpr unsigned kMbIconStop = 0x10;
inline constexpr unsigned kMbIconInformation = 0x40;

}  // namespace vx
