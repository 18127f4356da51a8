// CUninstallDlg: the confirmation dialog. OK runs the uninstall procedure with the dialog as owner
// of its message boxes, then ends the dialog; Cancel, Escape and Close end it untouched.
#pragma once

#include "shell/Dialog.h"
#include "uninstall/Uninstall.h"

class CUninstallDlg : public CDialog {
 public:
  explicit CUninstallDlg(const UninstallPlatform& platform);

  void OnOK() override;

 private:
  const UninstallPlatform& m_platform;
};
