#include "panel/PanelApp.h"

#include "panel/CardControl.h"
#include "panel/PanelDlg.h"
#include "panel/SettingsStore.h"

bool CPanelApp::InitInstance() {
  Enable3dControls();
  if (m_platform.loaded)
    m_settings = *m_platform.loaded;
  else
    LoadSettings(*m_platform.registry, m_settings);
  WriteMode(*m_platform.ports, m_settings);
  {
    CPanelDlg dialog(*this);
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
  }
  SaveSettings(*m_platform.registry, m_settings);
  return false;
}
