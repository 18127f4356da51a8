#include "uninstall/UninstallApp.h"

#include "uninstall/UninstallDlg.h"

bool CUninstallApp::InitInstance() {
  Enable3dControls();
  {
    CUninstallDlg dialog(m_platform);
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    m_exitStatus = dialog.Refused() ? 1 : 0;
  }
  return false;
}
