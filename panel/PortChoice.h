// Which port back end the panel uses, from the VEXMOR_PORTS environment variable:
//   unset, empty or "emulated"  the emulated card (the default)
//   "direct"                    the processor's port instructions
#pragma once

enum class PortBackend { Emulated, Direct, Unknown };

PortBackend ChoosePortBackend(const char* value);

inline constexpr const char* kPortChoiceHelp =
    "VEXMOR_PORTS must be \"emulated\" (the default) or \"direct\"";
