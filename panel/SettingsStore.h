// The panel's settings in the registry: key "Software\Vexmor_Rec" under HKEY_CURRENT_USER, six
// 4-byte REG_DWORD values, visited in the order of kSettingNames by both operations.
#pragma once

#include <array>

#include "panel/PanelSettings.h"
#include "platform/Registry.h"

inline constexpr const char* kSettingsKey = "Software\\Vexmor_Rec";
inline constexpr const char* kSettingsClass = "Vexmor_Rec";
inline constexpr std::array<const char*, 6> kSettingNames = {"Port", "Gain", "Chan",
                                                             "Mon",  "Bits", "Rate"};

// Replaces each field whose value is stored as a 4-byte REG_DWORD (Port whole, the others by their
// low byte); anything else leaves its field as it is. A missing key changes nothing.
void LoadSettings(vx::Registry& registry, PanelSettings& settings);

// Opens or creates the key (class "Vexmor_Rec") and writes all six values. Silent on failure.
void SaveSettings(vx::Registry& registry, const PanelSettings& settings);
