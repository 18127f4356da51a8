// One dialog template realised by the Windows dialog manager, with no parent window.
//
// RunModal creates the dialog (CreateDialogParamA) and runs its own message loop: each message is
// offered to CDialog::PreTranslateMessage first (the accelerator translation, then the dialog
// manager's IsDialogMessage in IsDialogMessage below) and dispatched only when that declines it.
// The dialog procedure hands WM_INITDIALOG, WM_COMMAND, WM_HSCROLL, WM_PAINT and WM_QUERYDRAGICON
// to the CDialog's virtuals; F1 (WM_HELP) becomes the framework's help command ID_HELP.
#pragma once

#include "shell/Toolkit.h"

namespace vx::win32 {

class Win32DialogWindow : public DialogWindow {
 public:
  Win32DialogWindow(CDialog& owner, void* instance, int templateId);
  ~Win32DialogWindow() override;
  Win32DialogWindow(const Win32DialogWindow&) = delete;
  Win32DialogWindow& operator=(const Win32DialogWindow&) = delete;

  int RunModal() override;
  void End(int result) override;
  WindowRef Handle() const override;

  void DeleteSystemMenuCommand(unsigned command) override;
  void SetIcon(IconRef icon, bool big) override;

  bool IsIconic() const override;
  ClientSize GetClientSize() const override;
  ClientSize GetSystemIconSize() const override;
  void PaintMinimised(IconRef icon, int x, int y) override;
  void DefaultPaint() override;

  void SetItemText(int id, const char* text) override;
  void SetSliderRange(int id, int minimum, int maximum, bool redraw) override;
  int GetSliderPos(int id) override;
  void FocusItem(int id) override;

  int MessageBox(const char* text, const char* caption, unsigned type) override;

  bool TranslateAccelerator(AccelRef table, const Msg& message) override;
  bool IsDialogMessage(const Msg& message) override;

  // The dialog procedure's work for one message; answers what the procedure returns.
  std::intptr_t Dispatch(unsigned message, WParam wParam, LParam lParam);
  void Attach(WindowRef window) { m_window = window; }

 private:
  CDialog& m_owner;
  void* m_instance;
  int m_templateId;
  WindowRef m_window = 0;
  bool m_ended = false;
  int m_result = -1;
  bool m_defaultPaint = false;
};

}  // namespace vx::win32
