// The shell's toolkit on the Windows API. Dialogs, the icon and the accelerator table come from the
// program's own resources (compiled by windres from its res/*.inc files). The help handler opens
// the program's help file, beside the program, in the system's help viewer (WinHelp) where the
// system has one: the Windows 95 family and NT up to version 5 (XP, Server 2003). Elsewhere (Vista
// and later, and Wine as it reports itself by default) it shows the help compiled into the program,
// formatted, in a help window of ours (Win32HelpWindow.h).
#pragma once

#include <string>
#include <string_view>

#include "shell/Toolkit.h"

namespace vx::win32 {

// The help compiled into the program (ProgramHelpText.h): rich text, and plain text without markup.
struct HelpText {
  std::string_view rtf;
  std::string_view plain;
};

class Win32Toolkit : public Toolkit {
 public:
  // instance: the module whose resources hold the dialogs (an HINSTANCE). helpFile: the name of the
  // help file beside the program, or null when the program has none; helpCaption: the caption of
  // the window of ours that shows helpText.
  Win32Toolkit(void* instance, const char* helpFile, const char* helpCaption,
               HelpText helpText = {});
  // Once the program's dialog has ended: when this program asked the system's help viewer for its
  // file, the viewer is told to close (HELP_QUIT), also while that request is still under way,
  // waiting for it a few seconds at most (Win32Toolkit.cpp).
  ~Win32Toolkit() override;

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
  HelpText m_helpText;
  std::string m_viewerFile;          // the file the system's viewer was asked to show, "" when none
  WindowRef m_viewerOwner = 0;       // the window the requests to the viewer named
  void* m_request = nullptr;         // the thread of the last request to the viewer (a HANDLE)
};

}  // namespace vx::win32
