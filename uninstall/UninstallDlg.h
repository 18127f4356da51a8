// CUninstallDlg: the confirmation dialog. OK runs the uninstall procedure with the dialog as owner
// of its message boxes, then ends the dialog; Cancel, Escape and Close end it untouched.
#pragma once

#include "shell/Dialog.h"
#include "uninstall/Uninstall.h"

class CUninstallDlg : public CDialog {
 public:
  explicit CUninstallDlg(const UninstallPlatform& platform);

  void OnOK() override;

  // Whether OK met a registration this account may not open (and so touched nothing).
  bool Refused() const { return m_outcome == UninstallOutcome::kRefused; }

 private:
  const UninstallPlatform& m_platform;
  UninstallOutcome m_outcome = UninstallOutcome::kDone;
};
