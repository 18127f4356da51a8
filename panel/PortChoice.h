// Which port back end the panel uses, from the VEXMOR_PORTS environment variable:
//   unset, empty or "emulated"  the emulated card (the default)
//   "direct"                    the processor's port instructions
#pragma once

#include <string>

#include "panel/PanelSettings.h"

enum class PortBackend { Emulated, Direct, Unknown };

PortBackend ChoosePortBackend(const char* value);

inline constexpr const char* kPortChoiceHelp =
    "VEXMOR_PORTS must be \"emulated\" (the default) or \"direct\"";

// The card's four ports at the settings' base, for messages: "0x0332, 0x0333, 0x0334 and 0x0338".
std::string CardPortsText(const PanelSettings& settings);
