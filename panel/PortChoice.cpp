#include "panel/PortChoice.h"

#include <cstring>

#include "panel/CardControl.h"
#include "platform/HexText.h"

PortBackend ChoosePortBackend(HostSystem system, const char* value) {
  if (value == nullptr || *value == '\0')
    return system == HostSystem::Windows95Family ? PortBackend::Direct : PortBackend::Emulated;
  if (std::strcmp(value, "emulated") == 0) return PortBackend::Emulated;
  if (std::strcmp(value, "direct") == 0) return PortBackend::Direct;
  return PortBackend::Unknown;
}

std::string CardPortsText(const PanelSettings& settings) {
  const auto ports = CardPorts(settings);
  return vx::HexText(ports[0].port, 4) + ", " + vx::HexText(ports[1].port, 4) + ", " +
         vx::HexText(ports[2].port, 4) + " and " + vx::HexText(ports[3].port, 4);
}
