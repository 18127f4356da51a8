// The help window of the Windows back end: the help, formatted, in a read-only, scrollable rich
// edit control of a dialog of ours (template VX_IDD_HELP_RICH, HelpDialog.rh), owned by the
// program's dialog and run beside it in the same modal loop. RICHED20.DLL is loaded when the window
// first opens, so that nothing is imported that a system without it lacks; where it cannot be
// loaded, or the control refuses the rich text, the window shows the plain text instead (in a
// plain edit control, template VX_IDD_HELP, when there is no rich edit). There is at most one. It
// opens beside its owner where the work area has room, else where it covers the least of it
// (WindowPlacement.h).
// Escape, Enter and its close button close it; the system then gives the activation back to its
// owner, whose dialog manager puts the focus back on the control that had it.
#pragma once

#include <string_view>

#include "shell/Toolkit.h"

namespace vx::win32::help {

// Opens the help window showing rtf (rich text), or plain (lines ending in CR LF) where rich text
// cannot be shown, with this caption; false when the window cannot be made. Only when none is open
// (IsOpen).
bool Open(void* instance, WindowRef owner, const char* caption, std::string_view rtf,
          const char* plain);
bool IsOpen();
// Makes the open help window the active one, with the focus on its text.
void BringForward();
// Hands a message of the modal loop (a MSG) to the help window's dialog manager; true when it was
// the help window's and has been dealt with. Called before the program's dialog sees the message,
// so that keys typed into the help window never reach the program's accelerators.
bool TakeMessage(void* message);

}  // namespace vx::win32::help
