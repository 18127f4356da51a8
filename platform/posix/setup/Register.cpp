// vexmor-register: the per-user steps of the install, run by `cmake --install` (cmake/Install.cmake).
//
// Typical use (paths absolute):
//   vexmor-register uninstall-string /opt/vx/lib/vexmor/pelzorn.exe
//   vexmor-register desktop-entry /opt/vx/lib/vexmor/Volsar.exe
//   vexmor-register launcher OUT.desktop /opt/vx/lib/vexmor/Volsar.exe
//   vexmor-register autostart /opt/vx/bin/vexmor-wininit
//   vexmor-register data-home      prints ${XDG_DATA_HOME:-~/.local/share}, the menus' folder
// Every location comes from the environment at the time it runs (HOME, XDG_CONFIG_HOME,
// XDG_DATA_HOME and user-dirs.dirs), as the programs will find them. The entries name the icon by
// its theme name. Each error is one line on stderr; exit status 1.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "platform/posix/shortcuts/DesktopLinks.h"
#include "platform/posix/files/Environment.h"
#include "platform/posix/registry/FileRegistry.h"
#include "platform/posix/files/FileText.h"
#include "platform/posix/shortcuts/LinkPath.h"
#include "platform/posix/setup/LauncherEntries.h"

namespace {

constexpr const char* kUninstallKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vexmor_Rec";

int Fail(const std::string& line) {
  std::fprintf(stderr, "vexmor-register: %s\n", line.c_str());
  return 1;
}

int UninstallString(const std::string& pelzorn) {
  vx::posix::FileRegistry registry(vx::posix::FileRegistry::DefaultFolder(), [](const std::string& line) {
    std::fprintf(stderr, "vexmor-register: %s\n", line.c_str());
  });
  vx::RegKey key = 0;
  vx::Status status = registry.CreateKey(vx::kHKeyLocalMachine, kUninstallKey, "", &key);
  if (status != vx::kOk) return Fail("cannot create the uninstall key (error " + std::to_string(status) + ")");
  status = registry.SetValue(key, "UninstallString", vx::kRegSz,
                             reinterpret_cast<const std::uint8_t*>(pelzorn.c_str()),
                             static_cast<std::uint32_t>(pelzorn.size() + 1));
  vx::Status closed = registry.CloseKey(key);
  if (status != vx::kOk || closed != vx::kOk)
    return Fail("cannot write UninstallString (error " + std::to_string(status != vx::kOk ? status : closed) + ")");
  return 0;
}

int WriteEntry(const std::string& path, const std::string& text, mode_t mode) {
  std::string folder(vx::posix::FolderOf(path));
  if (!folder.empty() && vx::posix::MakeFolderTree(folder) != 0) return Fail(folder + ": cannot be created");
  if (!vx::posix::WriteFileAtomically(path, text)) return Fail(path + ": cannot be written");
  if (::chmod(path.c_str(), mode) != 0) return Fail(path + ": cannot set its permissions");
  std::printf("-- Written: %s\n", path.c_str());
  return 0;
}

int DesktopEntry(const std::string& program) {
  std::string desktop = vx::posix::ResolveDesktopFolder();
  if (desktop.empty()) return Fail("no desktop folder: HOME is not set");
  // Executable, as desktops want a launcher on the desktop to be before they run it.
  return WriteEntry(desktop + "/" + std::string(vx::setup::kPanelEntryName),
                    vx::setup::PanelEntry(program, vx::setup::kPanelIconName, false), 0755);
}

int Autostart(const std::string& wininit) {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (!(config && config[0] == '/') && vx::posix::Home().empty())
    return Fail("no configuration folder: HOME is not set");
  return WriteEntry(vx::posix::ConfigHome() + "/autostart/" + std::string(vx::setup::kAutostartEntryName),
                    vx::setup::AutostartEntry(wininit), 0644);
}

int DataHome() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (!(data && data[0] == '/') && vx::posix::Home().empty())
    return Fail("no data folder: HOME is not set");
  std::printf("%s\n", vx::posix::DataHome().c_str());
  return 0;
}

bool Absolute(const std::string& path) { return !path.empty() && path[0] == '/'; }

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  for (const auto& arg : args)
    if (&arg != &args[0] && !Absolute(arg)) return Fail(arg + ": not an absolute path");
  if (args.size() == 2 && args[0] == "uninstall-string") return UninstallString(args[1]);
  if (args.size() == 2 && args[0] == "desktop-entry") return DesktopEntry(args[1]);
  if (args.size() == 3 && args[0] == "launcher")
    return WriteEntry(args[1], vx::setup::PanelEntry(args[2], vx::setup::kPanelIconName, true), 0644);
  if (args.size() == 2 && args[0] == "autostart") return Autostart(args[1]);
  if (args.size() == 1 && args[0] == "data-home") return DataHome();
  std::fprintf(stderr,
               "usage: vexmor-register uninstall-string PELZORN\n"
               "       vexmor-register desktop-entry VOLSAR\n"
               "       vexmor-register launcher FILE VOLSAR\n"
               "       vexmor-register autostart WININIT\n"
               "       vexmor-register data-home\n");
  return 2;
}
