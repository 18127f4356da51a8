#include "shell/WinApp.h"

#include "shell/Dialog.h"

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp() { g_app = this; }

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }

bool CWinApp::InitInstance() { return false; }

int CWinApp::ExitInstance() { return 0; }

bool CWinApp::Enable3dControls() { return true; }

bool CWinApp::OnCmdMsg(unsigned command) {
  if (command == vx::kIdHelp) {
    OnHelp();
    return true;
  }
  return false;
}

void CWinApp::OnHelp() {
  // The framework's help: the program's help file in a window owned by its dialog. A program
  // without a help file (the uninstaller) does nothing.
  // F1 inside a message the help shows (it runs its own loop, and passes F1 to its owner)
  // does nothing: one message at a time.
  vx::DialogWindow* owner = m_pMainWnd ? m_pMainWnd->Window() : nullptr;
  if (!m_toolkit || !owner || m_inHelp) return;
  const std::string path = m_toolkit->HelpFilePath();
  if (path.empty()) return;
  m_inHelp = true;
  m_toolkit->ShowHelp(*owner, path);
  m_inHelp = false;
}

vx::IconRef CWinApp::LoadIcon(int id) { return m_toolkit ? m_toolkit->LoadIcon(id) : 0; }

vx::AccelRef CWinApp::LoadAccelerators(int id) {
  return m_toolkit ? m_toolkit->LoadAccelerators(id) : 0;
}

int AfxWinMain(CWinApp& app, vx::Toolkit& toolkit) {
  app.SetToolkit(&toolkit);
  if (app.InitInstance()) {
    // Neither program asks to go on; there is no application message loop to enter.
  }
  app.m_pMainWnd = nullptr;
  return app.ExitInstance();
}
