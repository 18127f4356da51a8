// setup/: the install step (vexmor-register) and the entries it writes.
//
// The desktop entries the install step writes: the panel's shortcut on the desktop, its launcher
// entry for the application menus, and the autostart entry that runs vexmor-wininit at login.
//
// Pure text; vexmor-register writes them. The panel's entries name the installed Volsar.exe in
// their Exec key exactly as the uninstall registration names the install folder, so that the
// uninstaller's sweep recognises the desktop shortcut as one to delete.
#pragma once

#include <string>
#include <string_view>

namespace vx::setup {

inline constexpr std::string_view kPanelEntryName = "vexmor-recording.desktop";
inline constexpr std::string_view kAutostartEntryName = "vexmor-wininit.desktop";
// The icon's name in the hicolor theme (tools/make_icon.py draws it at each size).
inline constexpr std::string_view kPanelIconName = "vexmor-recording";

// The panel's entry. A launcher entry also carries TryExec, so that menus hide it once the
// uninstaller has deleted the program.
std::string PanelEntry(std::string_view program, std::string_view icon, bool launcher);

// The autostart entry of vexmor-wininit.
std::string AutostartEntry(std::string_view wininit);

}  // namespace vx::setup
