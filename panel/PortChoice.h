// Which port back end the panel uses, from the system it runs on and the VEXMOR_PORTS variable:
//   unset or empty   the processor's port instructions on the Windows 95 family, where a program
//                    may execute them; the emulated card on the NT family (they fault there) and
//                    on Linux (they need privileges)
//   "emulated"       the emulated card, everywhere
//   "direct"         the processor's port instructions, everywhere they can be had
//   anything else    refused
#pragma once

#include <string>

#include "panel/PanelSettings.h"

enum class PortBackend { Emulated, Direct, Unknown };

enum class HostSystem { Windows95Family, WindowsNTFamily, Linux };

PortBackend ChoosePortBackend(HostSystem system, const char* value);

inline constexpr const char* kPortChoiceHelp =
    "VEXMOR_PORTS must be \"emulated\" or \"direct\" (unset: \"direct\" on the Windows 95 family, "
    "\"emulated\" elsewhere)";

// The card's four ports at the settings' base, for messages: "0x0332, 0x0333, 0x0334 and 0x0338".
std::string CardPortsText(const PanelSettings& settings);
