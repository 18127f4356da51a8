// CDialog: the dialog both programs show, with the shell's common behaviour.
//
// The toolkit back end realises the template as a window and sends every event here: OnInitDialog
// once, WM_COMMAND to OnCommand, WM_HSCROLL to OnHScroll, WM_PAINT to OnPaint, and each keyboard
// message first to PreTranslateMessage. What the base handlers do is what the programs rely on from
// the framework: IDOK and IDCANCEL end the modal run, unhandled commands reach the application's
// message map (ID_HELP), and the base PreTranslateMessage is the dialog manager's keyboard handling.
#pragma once

#include <memory>

#include "shell/MessageOwner.h"
#include "shell/Toolkit.h"

class CDialog : public vx::MessageOwner {
 public:
  CDialog(int templateId, CDialog* parent);
  ~CDialog() override;
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Realises the template, runs it until EndDialog, answers EndDialog's result (-1 when the
  // template cannot be found or no toolkit is present).
  int DoModal();
  void EndDialog(int result);

  virtual bool OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  virtual bool OnCommand(vx::WParam wParam, vx::LParam lParam);
  virtual void OnHScroll(unsigned code, unsigned position, int controlId);
  virtual bool PreTranslateMessage(vx::Msg* message);
  virtual void OnPaint();
  virtual vx::IconRef OnQueryDragIcon();

  // Control access by identifier.
  void SetDlgItemTextA(int id, const char* text);
  void SetSliderRange(int id, int minimum, int maximum, bool redraw);
  int GetSliderPos(int id);
  void GotoDlgCtrl(int id);

  int MessageBoxA(const char* text, const char* caption, unsigned type) override;
  vx::WindowRef GetSafeHwnd() const override;

  int GetTemplateId() const { return m_templateId; }
  vx::DialogWindow* Window() const { return m_window.get(); }

  vx::IconRef m_hIcon = 0;

 private:
  int m_templateId;
  std::unique_ptr<vx::DialogWindow> m_window;
};

// Where the minimised window draws its icon: centred, rounding toward zero.
struct IconOrigin {
  int x;
  int y;
};
IconOrigin MinimisedIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight);
