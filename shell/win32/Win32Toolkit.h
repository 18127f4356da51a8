// The shell's toolkit on the Windows API. Dialogs, the icon and the accelerator table come from the
// program's own resources (compiled by windres from its res/*.inc files); the help handler shows the
// program's help file, from the folder the program was started from, as plain text in a help
// window of ours (Win32HelpWindow.h).
#pragma once

#include <string>

#include "shell/Toolkit.h"

namespace vx::win32 {

class Win32Toolkit : public Toolkit {
 public:
  // instance: the module whose resources hold the dialogs (an HINSTANCE). helpFile: the name of the
  // help file beside the program, or null when the program has none; helpCaption: the caption of
  // the window that shows it.
  Win32Toolkit(void* instance, const char* helpFile, const char* helpCaption);

  std::unique_ptr<DialogWindow> CreateDialogWindow(CDialog& owner, int templateId) override;
  IconRef LoadIcon(int id) override;
  AccelRef LoadAccelerators(int id) override;
  // The program's folder and helpFile; empty when it has none.
  std::string HelpFilePath() const override;
  void ShowHelp(DialogWindow& owner, const std::string& path) override;

 private:
  void* m_instance;
  const char* m_helpFile;
  const char* m_helpCaption;
};

}  // namespace vx::win32
