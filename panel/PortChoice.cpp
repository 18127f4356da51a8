#include "panel/PortChoice.h"

#include <cstdio>
#include <cstring>

#include "panel/CardControl.h"

PortBackend ChoosePortBackend(HostSystem system, const char* value) {
  if (value == nullptr || *value == '\0')
    return system == HostSystem::Windows95Family ? PortBackend::Direct : PortBackend::Emulated;
  if (std::strcmp(value, "emulated") == 0) return PortBackend::Emulated;
  if (std::strcmp(value, "direct") == 0) return PortBackend::Direct;
  return PortBackend::Unknown;
}

std::string CardPortsText(const PanelSettings& settings) {
  const auto ports = CardPorts(settings);
  char text[48];
  std::snprintf(text, sizeof text, "0x%04x, 0x%04x, 0x%04x and 0x%04x", ports[0].port,
                ports[1].port, ports[2].port, ports[3].port);
  return text;
}
