// A dialog template realised as a QDialog, with every event handed to the owning CDialog.
//
// The dialog manager's part is played here: controls placed from dialog units converted with the
// dialog font's metrics, tab order as in the template, Escape and the window's close button as
// IDCANCEL, Enter as the focused push button, else the default push button, else IDOK; F1 as
// ID_HELP. Each key press reaches CDialog::PreTranslateMessage before anything else sees it.
#pragma once

#include <QDialog>
#include <QHash>
#include <QIcon>
#include <QPointer>

#include "shell/DialogTemplate.h"
#include "shell/Toolkit.h"

class CDialog;
class QAbstractButton;

namespace vx {

class TrackBar;

class QtDialogWidget : public QDialog {
  Q_OBJECT

 public:
  QtDialogWidget(CDialog& owner, const DialogTemplate& tpl);

  CDialog& Owner() { return m_owner; }
  const DialogTemplate& Template() const { return m_template; }
  QWidget* Control(int id) const { return m_controls.value(id); }

  bool eventFilter(QObject* watched, QEvent* event) override;

  void BeginPaint(QPaintEvent* event) { m_paintEvent = event; }
  void DefaultPaint();
  void PaintIcon(const QIcon& icon, int x, int y, int size);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void Build();
  void SendCommand(int id, unsigned notify);
  // The dialog manager's keyboard handling; true when it took the key.
  bool DialogKey(const Msg& message);
  friend class QtDialogWindow;

  CDialog& m_owner;
  const DialogTemplate& m_template;
  QHash<int, QWidget*> m_controls;
  int m_swallowKey = 0;  // the key whose press the dialog took at its override
  int m_offeredKey = 0;  // the key whose press was offered at its override and not taken
  QPaintEvent* m_paintEvent = nullptr;
};

class QtDialogWindow : public DialogWindow {
 public:
  QtDialogWindow(CDialog& owner, const DialogTemplate& tpl);
  ~QtDialogWindow() override;

  QtDialogWidget* Widget() const { return m_widget; }

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

 private:
  QtDialogWidget* m_widget;
  bool m_ended = false;
  int m_result = 0;
};

// The Windows virtual key of a Qt key, 0 when it has none.
unsigned VirtualKeyOf(int qtKey);

}  // namespace vx
