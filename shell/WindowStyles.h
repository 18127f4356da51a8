// Window, dialog and control style bits, for expanding the res/*.inc files outside the resource
// compiler. Where <windows.h> is already in, its macros with the same values are used instead.
#pragma once

#include <cstdint>

namespace vx::styles {

#ifndef WS_POPUP
inline constexpr std::uint32_t WS_POPUP = 0x80000000u;
inline constexpr std::uint32_t WS_CHILD = 0x40000000u;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000u;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000u;
inline constexpr std::uint32_t WS_SYSMENU = 0x00080000u;
inline constexpr std::uint32_t WS_GROUP = 0x00020000u;
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000u;
inline constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000u;
inline constexpr std::uint32_t WS_EX_RIGHT = 0x00001000u;
inline constexpr std::uint32_t WS_EX_APPWINDOW = 0x00040000u;
inline constexpr std::uint32_t DS_MODALFRAME = 0x00000080u;
inline constexpr std::uint32_t DS_CENTERMOUSE = 0x00001000u;
inline constexpr std::uint32_t SS_CENTER = 0x00000001u;
inline constexpr std::uint32_t SS_LEFTNOWORDWRAP = 0x0000000Cu;
inline constexpr std::uint32_t BS_PUSHBUTTON = 0x00000000u;
inline constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x00000001u;
#endif
#ifndef TBS_BOTH
inline constexpr std::uint32_t TBS_HORZ = 0x0000u;
inline constexpr std::uint32_t TBS_BOTH = 0x0008u;
inline constexpr std::uint32_t TBS_NOTICKS = 0x0010u;
#endif

}  // namespace vx::styles
