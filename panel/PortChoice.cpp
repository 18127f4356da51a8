#include "panel/PortChoice.h"

#include <cstring>

PortBackend ChoosePortBackend(const char* value) {
  if (value == nullptr || *value == '\0' || std::strcmp(value, "emulated") == 0)
    return PortBackend::Emulated;
  if (std::strcmp(value, "direct") == 0) return PortBackend::Direct;
  return PortBackend::Unknown;
}
