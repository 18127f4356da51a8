#include "shell/win32/Win32HelpWindow.h"

#include <windows.h>

#include "shell/win32/HelpDialog.rh"

namespace vx::win32::help {

namespace {

HWND g_window = nullptr;  // the open help window

INT_PTR CALLBACK HelpProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;  // the focus goes to the text
    case WM_COMMAND:
      // Escape and the close button arrive as IDCANCEL, Enter as IDOK.
      if (LOWORD(wParam) != IDCANCEL && LOWORD(wParam) != IDOK) return FALSE;
      ::DestroyWindow(window);
      return TRUE;
    case WM_CLOSE:  // what a multi-line edit control sends its dialog for Escape
      ::DestroyWindow(window);
      return TRUE;
    case WM_HELP:
      return TRUE;  // F1 in the help window: it is already open and in front
    case WM_DESTROY:
      if (g_window == window) g_window = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

bool Open(void* instance, WindowRef owner, const char* caption, const char* text) {
  if (g_window) return false;
  const HWND window =
      ::CreateDialogParamA(static_cast<HINSTANCE>(instance), MAKEINTRESOURCEA(VX_IDD_HELP),
                           reinterpret_cast<HWND>(owner), HelpProc, 0);
  if (!window) return false;
  g_window = window;
  ::SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption));
  ::SetDlgItemTextA(window, VX_IDC_HELP_TEXT, text);
  // No selection, the caret at the top (the dialog manager selects all of an edit control's text
  // when it gives it the focus).
  ::SendDlgItemMessageA(window, VX_IDC_HELP_TEXT, EM_SETSEL, 0, 0);
  return true;
}

bool IsOpen() { return g_window != nullptr; }

void BringForward() {
  if (!g_window) return;
  // Moving the focus into a window that is not active activates it. The caret stays where the
  // reader left it (the text is at most 64 KB, so the 16-bit positions of EM_GETSEL hold it).
  const LRESULT selection = ::SendDlgItemMessageA(g_window, VX_IDC_HELP_TEXT, EM_GETSEL, 0, 0);
  ::SendMessageA(g_window, WM_NEXTDLGCTL,
                 reinterpret_cast<WPARAM>(::GetDlgItem(g_window, VX_IDC_HELP_TEXT)), TRUE);
  ::SendDlgItemMessageA(g_window, VX_IDC_HELP_TEXT, EM_SETSEL, LOWORD(selection),
                        HIWORD(selection));
}

bool TakeMessage(void* message) {
  return g_window && ::IsDialogMessageA(g_window, static_cast<MSG*>(message)) != FALSE;
}

}  // namespace vx::win32::help
