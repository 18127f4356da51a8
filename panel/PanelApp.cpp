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
  if (m_platform.ports->Refused()) {
    TellPortsRefused(nullptr);
  } else {
    CPanelDlg dialog(*this);
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
  }
  if (!m_portsRefused) SaveSettings(*m_platform.registry, m_settings);
  return false;
}

void CPanelApp::TellPortsRefused(vx::MessageOwner* owner) {
  if (m_portsRefused) return;
  m_portsRefused = true;
  if (m_platform.tellRefusal) m_platform.tellRefusal(owner, m_settings);
}
