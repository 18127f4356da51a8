// Accelerator translation for back ends that have none of their own: which command, if any, an
// accelerator table makes of a key message.
#pragma once

#include <optional>

#include "shell/DialogTemplate.h"
#include "shell/Toolkit.h"

namespace vx {

// keyState: the kAccelShift, kAccelControl and kAccelAlt bits of the modifiers held down.
std::optional<unsigned> MatchAccelerator(const AccelTable& table, const Msg& message,
                                         std::uint8_t keyState);

}  // namespace vx
