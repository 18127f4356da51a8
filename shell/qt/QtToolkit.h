// The Qt Widgets back end of the shell: realises a program's dialog templates, holds its icon and
// accelerator tables, and shows its help file, rendered as Markdown, in a help window owned by the
// program's dialog (a window of the dialog's own, so the modal dialog does not block it).
//
// The program creates the QApplication first (QtToolkit::MissingDisplay tells it beforehand
// whether Qt will find a display at all).
#pragma once

#include <QIcon>
#include <QPointer>
#include <QWidget>
#include <QString>
#include <map>
#include <string>

#include "shell/DialogTemplate.h"
#include "shell/Toolkit.h"


namespace vx {

class QtToolkit : public Toolkit {
 public:
  // programDir: the folder the program runs from, where its help file lies.
  QtToolkit(const ProgramResources& resources, QString programDir);
  ~QtToolkit() override;

  // A sentence saying why no window can be shown, or "" when a display is there.
  static std::string MissingDisplay();

  // Ends the program's run with status once its dialog has closed and its work is on disk. Under
  // Wayland the process ends here, without Qt's teardown: Qt 6.4's Wayland client can deadlock
  // closing its display connection (its event thread waits for a read the main thread never
  // finishes), which left a finished program running with no window. Elsewhere it returns status.
  static int EndRun(int status);

  std::unique_ptr<DialogWindow> CreateDialogWindow(CDialog& owner, int templateId) override;
  IconRef LoadIcon(int id) override;
  AccelRef LoadAccelerators(int id) override;
  std::string HelpFilePath() const override;
  void ShowHelp(DialogWindow& owner, const std::string& path) override;

  QWidget* HelpViewer() const { return m_helpViewer; }

 private:
  const ProgramResources& m_resources;
  QString m_programDir;
  std::map<int, QIcon> m_icons;
  QPointer<QWidget> m_helpViewer;
};

}  // namespace vx
