// The registry interface over advapi32: each call is the Windows call of the same name.
#pragma once

#include "platform/Registry.h"

namespace vx::win32 {

class SystemRegistry : public Registry {
 public:
  Status OpenKey(RegKey root, const char* subKey, RegKey* result) override;
  Status QueryValue(RegKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
  Status CreateKey(RegKey root, const char* subKey, const char* keyClass, RegKey* result) override;
  Status SetValue(RegKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override;
  Status DeleteKey(RegKey root, const char* subKey) override;
  Status CloseKey(RegKey key) override;
};

}  // namespace vx::win32
