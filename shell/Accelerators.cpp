#include "shell/Accelerators.h"

namespace vx {

std::optional<unsigned> MatchAccelerator(const AccelTable& table, const Msg& message,
                                         std::uint8_t keyState) {
  if (message.message != kWmKeyDown && message.message != kWmSysKeyDown) return std::nullopt;
  constexpr std::uint8_t kModifiers = kAccelShift | kAccelControl | kAccelAlt;
  for (const AccelEntry& entry : table.entries) {
    if (!(entry.flags & kAccelVirtKey)) continue;  // character accelerators: none in our tables
    if (entry.key != (message.wParam & 0xFFFF)) continue;
    if ((entry.flags & kModifiers) != (keyState & kModifiers)) continue;
    return entry.command;
  }
  return std::nullopt;
}

}  // namespace vx
