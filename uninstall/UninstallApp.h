// CUninstallApp: the uninstaller's application object. Its start-up is the shell's with nothing of
// its own before or after the dialog; the run ends with status 1 when the uninstall was refused.
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
  // 1 when the uninstall was refused for want of rights, else 0.
  int ExitInstance() override { return m_exitStatus; }

 private:
  UninstallPlatform m_platform;
  int m_exitStatus = 0;
};
