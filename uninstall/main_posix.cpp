// pelzorn.exe on Linux: the uninstaller with the Qt front end.
//
// It takes no arguments. The registration and the panel's settings are read from the file hives in
// ${XDG_CONFIG_HOME:-~/.config}/vexmor/registry, shortcuts are looked for on the desktop folder that
// `xdg-user-dir DESKTOP` names, and the uninstaller's own removal is written to WININIT.INI in
// ${XDG_STATE_HOME:-~/.local/state}/vexmor for vexmor-wininit to carry out at the next login.
#include <QApplication>
#include <cstdio>
#include <set>
#include <string>

#include "platform/posix/shortcuts/DesktopLinks.h"
#include "platform/posix/registry/FileRegistry.h"
#include "platform/posix/profile/IniProfile.h"
#include "platform/posix/files/PosixFiles.h"
#include "shell/qt/QtToolkit.h"
#include "uninstall/UninstallApp.h"
#include "uninstall/res/Resources.h"

CUninstallApp theApp;

namespace {

void Complain(const std::string& what) { std::fprintf(stderr, "pelzorn: %s\n", what.c_str()); }

}  // namespace

int main(int argc, char** argv) {
  if (const std::string why = vx::QtToolkit::MissingDisplay(); !why.empty()) {
    Complain(why + " Nothing was touched.");
    return 2;
  }

  std::set<std::string> told;
  vx::posix::FileRegistry registry(vx::posix::FileRegistry::DefaultFolder(),
                                   [&told](const std::string& message) {
                                     if (told.insert(message).second) Complain(message);
                                   });
  vx::posix::PosixFiles files;
  vx::posix::DesktopLinks shell(&files.Folders());
  vx::posix::IniProfile profile;

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("pelzorn"));
  vx::QtToolkit toolkit(UninstallResources(), QCoreApplication::applicationDirPath());
  theApp.SetPlatform({&registry, &files, &shell, &profile});
  return vx::QtToolkit::EndRun(AfxWinMain(theApp, toolkit));
}
