// The registry calls the programs make, in the shape of the Windows API.
//
// Every call answers a Status (0 on success, a Windows error number otherwise). Keys are opened and
// created with full access; a handle stays valid until CloseKey. The native build passes the calls to
// advapi32; on POSIX the file hives of platform/posix/FileRegistry stand in.
#pragma once

#include <cstdint>

#include "platform/Status.h"

namespace vx {

using RegKey = std::uintptr_t;

inline constexpr RegKey kHKeyCurrentUser = 0x80000001u;
inline constexpr RegKey kHKeyLocalMachine = 0x80000002u;

enum RegType : std::uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
  kRegQword = 11,
};

class Registry {
 public:
  virtual ~Registry() = default;

  // RegOpenKeyExA(root, subKey, 0, KEY_ALL_ACCESS, result). A missing key answers kFileNotFound.
  virtual Status OpenKey(RegKey root, const char* subKey, RegKey* result) = 0;

  // RegQueryValueExA. On entry *size is the room in data; on success *type and *size describe the
  // value. A value larger than *size answers kMoreData, sets *size to the room needed and leaves
  // data untouched. type and data may be null.
  virtual Status QueryValue(RegKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                            std::uint32_t* size) = 0;

  // RegCreateKeyExA(root, subKey, 0, keyClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, no
  // security, result, no disposition): opens the key, or creates it with the class string.
  virtual Status CreateKey(RegKey root, const char* subKey, const char* keyClass,
                           RegKey* result) = 0;

  // RegSetValueExA(key, name, 0, type, data, size).
  virtual Status SetValue(RegKey key, const char* name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) = 0;

  // RegDeleteKeyA(root, subKey).
  virtual Status DeleteKey(RegKey root, const char* subKey) = 0;

  // RegCloseKey.
  virtual Status CloseKey(RegKey key) = 0;
};

}  // namespace vx
