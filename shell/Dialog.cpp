#include "shell/Dialog.h"

#include "shell/WinApp.h"

CDialog::CDialog(int templateId, CDialog* /*parent*/) : m_templateId(templateId) {
  if (CWinApp* app = AfxGetApp()) m_hIcon = app->LoadIcon(128);
}

CDialog::~CDialog() = default;

int CDialog::DoModal() {
  CWinApp* app = AfxGetApp();
  vx::Toolkit* toolkit = app ? app->GetToolkit() : nullptr;
  if (!toolkit) return -1;
  m_window = toolkit->CreateDialogWindow(*this, m_templateId);
  if (!m_window) return -1;
  const int result = m_window->RunModal();
  m_window.reset();
  return result;
}

void CDialog::EndDialog(int result) {
  if (m_window) m_window->End(result);
}

bool CDialog::OnInitDialog() {
  // The shell's part: no Size and no Maximize in the system menu, the program icon on the window.
  if (m_window) {
    m_window->DeleteSystemMenuCommand(vx::kScSize);
    m_window->DeleteSystemMenuCommand(vx::kScMaximize);
    m_window->SetIcon(m_hIcon, true);
    m_window->SetIcon(m_hIcon, false);
  }
  return true;
}

void CDialog::OnOK() { EndDialog(vx::kIdOk); }

void CDialog::OnCancel() { EndDialog(vx::kIdCancel); }

bool CDialog::OnCommand(vx::WParam wParam, vx::LParam /*lParam*/) {
  const unsigned command = static_cast<unsigned>(wParam & 0xFFFF);
  if (command == vx::kIdOk) {
    OnOK();
    return true;
  }
  if (command == vx::kIdCancel) {
    OnCancel();
    return true;
  }
  // Commands the dialog does not handle go on to the application's message map.
  CWinApp* app = AfxGetApp();
  return app && app->OnCmdMsg(command);
}

void CDialog::OnHScroll(unsigned /*code*/, unsigned /*position*/, int /*controlId*/) {}

bool CDialog::PreTranslateMessage(vx::Msg* message) {
  return m_window && message && m_window->IsDialogMessage(*message);
}

void CDialog::OnPaint() {
  if (!m_window) return;
  if (!m_window->IsIconic()) {
    m_window->DefaultPaint();
    return;
  }
  const vx::ClientSize client = m_window->GetClientSize();
  const vx::ClientSize icon = m_window->GetSystemIconSize();
  const IconOrigin at = MinimisedIconOrigin(client.width, client.height, icon.width, icon.height);
  m_window->PaintMinimised(m_hIcon, at.x, at.y);
}

vx::IconRef CDialog::OnQueryDragIcon() { return m_hIcon; }

void CDialog::SetDlgItemTextA(int id, const char* text) {
  if (m_window) m_window->SetItemText(id, text);
}

void CDialog::SetSliderRange(int id, int minimum, int maximum, bool redraw) {
  if (m_window) m_window->SetSliderRange(id, minimum, maximum, redraw);
}

int CDialog::GetSliderPos(int id) { return m_window ? m_window->GetSliderPos(id) : 0; }

void CDialog::GotoDlgCtrl(int id) {
  if (m_window) m_window->FocusItem(id);
}

int CDialog::MessageBoxA(const char* text, const char* caption, unsigned type) {
  return m_window ? m_window->MessageBox(text, caption, type) : 0;
}

vx::WindowRef CDialog::GetSafeHwnd() const { return m_window ? m_window->Handle() : 0; }

IconOrigin MinimisedIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
  // C++ division truncates toward zero, as the formula asks: a 30x30 client gives (0, 0).
  return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}
