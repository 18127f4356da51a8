#include "platform/win32/SystemRegistry.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace vx::win32 {

namespace {

// The interface numbers the two hives as 32-bit values; on 64-bit Windows the predefined handles
// are those values sign-extended, so they are mapped rather than cast.
HKEY Native(RegKey key) {
  if (key == kHKeyCurrentUser) return HKEY_CURRENT_USER;
  if (key == kHKeyLocalMachine) return HKEY_LOCAL_MACHINE;
  return reinterpret_cast<HKEY>(key);
}

RegKey Ours(HKEY key) { return reinterpret_cast<RegKey>(key); }

}  // namespace

Status SystemRegistry::OpenKey(RegKey root, const char* subKey, RegKey* result) {
  HKEY key = nullptr;
  const LONG status = ::RegOpenKeyExA(Native(root), subKey, 0, KEY_ALL_ACCESS, &key);
  if (status == ERROR_SUCCESS) *result = Ours(key);
  return status;
}

Status SystemRegistry::QueryValue(RegKey key, const char* name, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t* size) {
  DWORD nativeType = type ? *type : 0;
  DWORD nativeSize = size ? *size : 0;
  // Windows leaves the buffer undefined when the value does not fit; the interface promises it
  // untouched, so the value lands in a copy first.
  std::vector<BYTE> copy(data ? nativeSize : 0);
  const LONG status = ::RegQueryValueExA(Native(key), name, nullptr, type ? &nativeType : nullptr,
                                         data ? copy.data() : nullptr, size ? &nativeSize : nullptr);
  if (status == ERROR_SUCCESS && data && nativeSize <= copy.size())
    std::memcpy(data, copy.data(), nativeSize);
  if ((status == ERROR_SUCCESS || status == ERROR_MORE_DATA) && size) *size = nativeSize;
  if (status == ERROR_SUCCESS && type) *type = nativeType;
  return status;
}

Status SystemRegistry::CreateKey(RegKey root, const char* subKey, const char* keyClass,
                                 RegKey* result) {
  HKEY key = nullptr;
  const LONG status =
      ::RegCreateKeyExA(Native(root), subKey, 0, const_cast<LPSTR>(keyClass),
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (status == ERROR_SUCCESS) *result = Ours(key);
  return status;
}

Status SystemRegistry::SetValue(RegKey key, const char* name, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t size) {
  return ::RegSetValueExA(Native(key), name, 0, type, data, size);
}

Status SystemRegistry::DeleteKey(RegKey root, const char* subKey) {
  return ::RegDeleteKeyA(Native(root), subKey);
}

Status SystemRegistry::CloseKey(RegKey key) { return ::RegCloseKey(Native(key)); }

}  // namespace vx::win32
