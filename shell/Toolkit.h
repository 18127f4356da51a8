// What the shell asks of a toolkit back end (Qt on Linux, the Windows API natively).
//
// A back end realises dialog templates as windows (DialogWindow), loads the program's icon and
// accelerator tables, and shows the help file in a window of its own. It decides nothing about the programs: every event
// goes back to the CDialog that owns the window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/ShellLinks.h"
#include "shell/WinConstants.h"

class CDialog;

namespace vx {

using IconRef = std::uintptr_t;   // 0: no icon
using AccelRef = std::uintptr_t;  // 0: no table

// A message on its way to a dialog, as the modal loop sees it. Back ends without Windows messages
// build the keyboard ones (kWmKeyDown, kWmSysKeyDown with a virtual key in wParam).
struct Msg {
  WindowRef window = 0;
  unsigned message = 0;
  WParam wParam = 0;
  LParam lParam = 0;
  std::uint8_t keyState = 0;     // kAccelShift/kAccelControl/kAccelAlt held, for key messages
  const void* native = nullptr;  // the back end's own message, when it has one
};

struct ClientSize {
  int width = 0;
  int height = 0;
};

// One realised dialog.
class DialogWindow {
 public:
  virtual ~DialogWindow() = default;

  // Shows the dialog and runs its modal loop until End; answers End's result.
  virtual int RunModal() = 0;
  virtual void End(int result) = 0;
  virtual WindowRef Handle() const = 0;

  // The shell's window set-up.
  virtual void DeleteSystemMenuCommand(unsigned command) = 0;
  virtual void SetIcon(IconRef icon, bool big) = 0;

  // Minimised painting.
  virtual bool IsIconic() const = 0;
  virtual ClientSize GetClientSize() const = 0;
  virtual ClientSize GetSystemIconSize() const = 0;
  virtual void PaintMinimised(IconRef icon, int x, int y) = 0;
  virtual void DefaultPaint() = 0;

  // Controls, by identifier.
  virtual void SetItemText(int id, const char* text) = 0;
  virtual void SetSliderRange(int id, int minimum, int maximum, bool redraw) = 0;
  virtual int GetSliderPos(int id) = 0;  // TBM_GETPOS
  virtual void FocusItem(int id) = 0;

  virtual int MessageBox(const char* text, const char* caption, unsigned type) = 0;

  // Keyboard: an accelerator translation, and the dialog manager's own handling.
  virtual bool TranslateAccelerator(AccelRef table, const Msg& message) = 0;
  virtual bool IsDialogMessage(const Msg& message) = 0;
};

class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // The dialog of the program's template templateId, owned by owner; null when there is none.
  virtual std::unique_ptr<DialogWindow> CreateDialogWindow(CDialog& owner, int templateId) = 0;
  virtual IconRef LoadIcon(int id) = 0;
  virtual AccelRef LoadAccelerators(int id) = 0;
  // The full path of the program's help file, in the folder the program runs from; "" when the
  // program has none.
  virtual std::string HelpFilePath() const = 0;
  // Shows the help file at path in the program's one help window, owned by the dialog owner and
  // closed with Escape or its close button, after which owner has the focus again. A second call
  // while it is open brings it forward. A file that cannot be read or is empty is named in a
  // message box owned by owner instead (HelpText.h).
  virtual void ShowHelp(DialogWindow& owner, const std::string& path) = 0;
};

}  // namespace vx
