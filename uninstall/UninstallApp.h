// CUninstallApp: the uninstaller's application object. Its start-up is the shell's with nothing of
// its own before or after the dialog.
#pragma once

#include "shell/WinApp.h"
#include "uninstall/Uninstall.h"

class CUninstallApp : public CWinApp {
 public:
  CUninstallApp() = default;

  // What the procedure reaches the machine through; the entry point fills it in before the run.
  void SetPlatform(const UninstallPlatform& platform) { m_platform = platform; }
  const UninstallPlatform& Platform() const { return m_platform; }

  bool InitInstance() override;

 private:
  UninstallPlatform m_platform;
};
