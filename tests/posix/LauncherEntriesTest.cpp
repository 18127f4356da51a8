// The entries the install step writes read back as shortcuts to what they launch, so that the
// uninstaller's sweep finds the desktop shortcut by the path of the installed program.
#include <gtest/gtest.h>

#include "platform/posix/shortcuts/DesktopEntry.h"
#include "platform/posix/setup/LauncherEntries.h"

namespace {

TEST(LauncherEntries, TargetsAreTheInstalledPrograms) {
  for (const std::string& prefix : {std::string("/opt/vexmor"), std::string("/home/a b/$x/100%")}) {
    std::string program = prefix + "/lib/vexmor/Volsar.exe";
    std::string desktop = vx::setup::PanelEntry(program, prefix + "/icon.png", false);
    EXPECT_EQ(vx::posix::DesktopEntryTarget(desktop), program) << desktop;
    std::string launcher = vx::setup::PanelEntry(program, prefix + "/icon.png", true);
    EXPECT_EQ(vx::posix::DesktopEntryTarget(launcher), program) << launcher;
    EXPECT_NE(launcher.find("\nTryExec=" + program + "\n"), std::string::npos) << launcher;
    EXPECT_EQ(desktop.find("TryExec"), std::string::npos);
    std::string wininit = prefix + "/bin/vexmor-wininit";
    EXPECT_EQ(vx::posix::DesktopEntryTarget(vx::setup::AutostartEntry(wininit)), wininit);
  }
}

}  // namespace
