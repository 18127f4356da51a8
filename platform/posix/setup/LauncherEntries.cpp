#include "platform/posix/setup/LauncherEntries.h"

#include "platform/posix/shortcuts/DesktopEntry.h"

namespace vx::setup {

using vx::posix::EscapeDesktopString;
using vx::posix::ExecArgumentForEntry;

std::string PanelEntry(std::string_view program, std::string_view icon, bool launcher) {
  std::string entry =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Version=1.0\n"
      "Name=Vexmor Recording\n"
      "Comment=Recording panel of the Vexmor sound card\n"
      "Exec=" + ExecArgumentForEntry(program) + "\n";
  if (launcher) entry += "TryExec=" + EscapeDesktopString(program) + "\n";
  entry += "Icon=" + EscapeDesktopString(icon) + "\n"
           "Terminal=false\n"
           "Categories=AudioVideo;Audio;Mixer;\n";
  return entry;
}

std::string AutostartEntry(std::string_view wininit) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Version=1.0\n"
         "Name=Vexmor start-up removals\n"
         "Comment=Deletes the files the Vexmor uninstaller scheduled for the next start\n"
         "Exec=" + ExecArgumentForEntry(wininit) + "\n"
         "Terminal=false\n"
         "NoDisplay=true\n";
}

}  // namespace vx::setup
