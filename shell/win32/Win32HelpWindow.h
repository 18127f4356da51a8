// The help window of the Windows back end: the help file as plain text in a read-only, scrollable
// multi-line edit control of a dialog of ours (template VX_IDD_HELP, HelpDialog.rh), owned by the
// program's dialog and run beside it in the same modal loop. There is at most one. Escape, Enter
// and its close button close it; the system then gives the activation back to its owner, whose
// dialog manager puts the focus back on the control that had it.
#pragma once

#include "shell/Toolkit.h"

namespace vx::win32::help {

// Opens the help window showing text (lines ending in CR LF) with this caption; false when the
// window cannot be made. Only when none is open (IsOpen).
bool Open(void* instance, WindowRef owner, const char* caption, const char* text);
bool IsOpen();
// Makes the open help window the active one, with the focus on its text.
void BringForward();
// Hands a message of the modal loop (a MSG) to the help window's dialog manager; true when it was
// the help window's and has been dealt with. Called before the program's dialog sees the message,
// so that keys typed into the help window never reach the program's accelerators.
bool TakeMessage(void* message);

}  // namespace vx::win32::help
