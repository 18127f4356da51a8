// CWinApp: the application object both programs derive from.
//
// One global instance per program, constructed during static initialisation. The entry point hands
// it a toolkit back end and calls AfxWinMain, which runs InitInstance once; a false result ends the
// program (neither program ever continues into a message loop of the application's own).
#pragma once

#include "shell/Toolkit.h"

class CDialog;

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual bool InitInstance();
  // Once InitInstance has returned: the process exit status (0 here).
  virtual int ExitInstance();

  // Asks for three-dimensional control drawing; both back ends draw that way already.
  bool Enable3dControls();

  // The application's message map: ID_HELP goes to OnHelp, nothing else is handled.
  virtual bool OnCmdMsg(unsigned command);
  virtual void OnHelp();

  vx::IconRef LoadIcon(int id);
  vx::AccelRef LoadAccelerators(int id);

  void SetToolkit(vx::Toolkit* toolkit) { m_toolkit = toolkit; }
  vx::Toolkit* GetToolkit() const { return m_toolkit; }

  CDialog* m_pMainWnd = nullptr;

 private:
  vx::Toolkit* m_toolkit = nullptr;
  bool m_inHelp = false;  // OnHelp is showing the help or its message
};

// The one application object, or null before it is constructed.
CWinApp* AfxGetApp();

// Runs the application: InitInstance once on this thread, then ExitInstance. Answers the process
// exit status, ExitInstance's.
int AfxWinMain(CWinApp& app, vx::Toolkit& toolkit);
