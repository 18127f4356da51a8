#include "uninstall/UninstallDlg.h"

#include "uninstall/res/ResourceIds.h"

CUninstallDlg::CUninstallDlg(const UninstallPlatform& platform)
    : CDialog(IDD_UNINSTALL, nullptr), m_platform(platform) {}

void CUninstallDlg::OnOK() {
  m_outcome = RunUninstall(*this, m_platform);
  CDialog::OnOK();
}
