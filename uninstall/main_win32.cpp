// pelzorn.exe on Windows: the uninstaller on the Windows API.
//
// It takes no arguments. The registration and the panel's settings are in the registry, shortcuts
// are looked for in the desktop folder, and the uninstaller's own removal is written to the
// [Rename] section of WININIT.INI in the Windows folder; on the NT family, which never reads that
// file, the same deletions are also queued with MoveFileEx for the next start where the system
// allows it.
#include <windows.h>

#include "platform/win32/SystemFamily.h"
#include "platform/win32/SystemFiles.h"
#include "platform/win32/SystemProfile.h"
#include "platform/win32/SystemRegistry.h"
#include "platform/win32/SystemShellLinks.h"
#include "shell/win32/Win32Toolkit.h"
#include "uninstall/UninstallApp.h"
#include "uninstall/res/Resources.h"

CUninstallApp theApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  vx::win32::SystemRegistry registry;
  vx::win32::SystemFiles files;
  vx::win32::SystemShellLinks shell;
  vx::win32::SystemProfile profile(vx::win32::CurrentSystemFamily() ==
                                   vx::win32::SystemFamily::WindowsNT);

  const vx::ProgramResources& resources = UninstallResources();
  vx::win32::Win32Toolkit toolkit(instance, resources.helpFile, nullptr);
  UninstallPlatform platform{&registry, &files, &shell, &profile};
  platform.installerRights = "an administrator, the account that installed the panel";
  theApp.SetPlatform(platform);
  return AfxWinMain(theApp, toolkit);
}
