#include "panel/SettingsStore.h"

#include <cstdint>
#include <cstring>

namespace {

// Position in kSettingNames -> byte field; position 0 is Port, the one 32-bit field.
template <typename Settings>
auto* ByteField(Settings& s, std::size_t position) {
  switch (position) {
    case 1: return &s.Gain;
    case 2: return &s.Chan;
    case 3: return &s.Mon;
    case 4: return &s.Bits;
    default: return &s.Rate;
  }
}

std::uint32_t FieldValue(const PanelSettings& s, std::size_t position) {
  return position == 0 ? s.Port : *ByteField(s, position);
}

}  // namespace

void LoadSettings(vx::Registry& registry, PanelSettings& settings) {
  vx::RegKey key = 0;
  if (registry.OpenKey(vx::kHKeyCurrentUser, kSettingsKey, &key) != vx::kOk) return;
  for (std::size_t i = 0; i < kSettingNames.size(); ++i) {
    std::uint8_t data[4] = {};
    std::uint32_t size = sizeof data;
    std::uint32_t type = vx::kRegDword;
    if (registry.QueryValue(key, kSettingNames[i], &type, data, &size) != vx::kOk) continue;
    // A value of another type or size was not written by the panel: taking its bytes as a number
    // would program the card with garbage, so the field keeps what it has.
    if (type != vx::kRegDword || size != sizeof data) continue;
    std::uint32_t value = 0;
    std::memcpy(&value, data, sizeof value);  // REG_DWORD is little-endian, as is every target
    if (i == 0)
      settings.Port = value;
    else
      *ByteField(settings, i) = static_cast<std::uint8_t>(value & 0xFF);
  }
  registry.CloseKey(key);
}

void SaveSettings(vx::Registry& registry, const PanelSettings& settings) {
  vx::RegKey key = 0;
  if (registry.CreateKey(vx::kHKeyCurrentUser, kSettingsKey, kSettingsClass, &key) != vx::kOk)
    return;
  for (std::size_t i = 0; i < kSettingNames.size(); ++i) {
    const std::uint32_t value = FieldValue(settings, i);
    std::uint8_t data[4];
    std::memcpy(data, &value, sizeof data);
    registry.SetValue(key, kSettingNames[i], vx::kRegDword, data, sizeof data);
  }
  registry.CloseKey(key);
}
