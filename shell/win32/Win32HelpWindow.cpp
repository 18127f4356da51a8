#include "shell/win32/Win32HelpWindow.h"

#include <windows.h>

#include <richedit.h>

#include <string>

#include "shell/WindowPlacement.h"
#include "shell/win32/HelpDialog.rh"

namespace vx::win32::help {

namespace {

HWND g_window = nullptr;  // the open help window

ScreenRect Rect(const RECT& r) { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }

// Moves the help window beside its owner where the work area has room for it (the template
// centres it on the screen, over the owner).
void PlaceBesideOwner(HWND window, HWND owner) {
  RECT mine, theirs, area;
  if (!owner || !::GetWindowRect(window, &mine) || !::GetWindowRect(owner, &theirs)) return;
  if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0))
    area = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  const ScreenRect at = PlaceBeside(Rect(area), Rect(theirs), mine.right - mine.left,
                                    mine.bottom - mine.top);
  ::SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK HelpProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:  // lParam: the owner; the window is not shown yet
      PlaceBesideOwner(window, reinterpret_cast<HWND>(lParam));
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

// RICHED20.DLL registers the rich edit class (RichEdit20A) when it is loaded. It is loaded once,
// the first time the window opens, and stays for the rest of the run.
bool g_richEditTried = false;
HMODULE g_richEdit = nullptr;

bool RichEditLoaded() {
  if (!g_richEditTried) g_richEdit = ::LoadLibraryA("RICHED20.DLL");
  g_richEditTried = true;
  return g_richEdit != nullptr;
}

struct StreamSource {
  std::string_view text;
};

DWORD CALLBACK ReadStream(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* read) {
  auto* source = reinterpret_cast<StreamSource*>(cookie);
  const std::size_t count = source->text.size() < static_cast<std::size_t>(size)
                                ? source->text.size()
                                : static_cast<std::size_t>(size);
  for (std::size_t i = 0; i < count; ++i) buffer[i] = static_cast<BYTE>(source->text[i]);
  source->text.remove_prefix(count);
  *read = static_cast<LONG>(count);
  return 0;
}

// Puts text (RTF with SF_RTF, plain with SF_TEXT) into the rich edit control, replacing what it
// held; false when the control reports an error.
bool StreamIn(HWND control, std::string_view text, WPARAM format) {
  StreamSource source{text};
  EDITSTREAM stream = {};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
  stream.pfnCallback = ReadStream;
  ::SendMessageA(control, EM_STREAMIN, format, reinterpret_cast<LPARAM>(&stream));
  return stream.dwError == 0;
}

// The next word of text at or after `at` (blanks, line ends and the bullet 0x95 part words), ""
// at the end.
std::string_view NextWord(std::string_view text, std::size_t& at) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\x95'; };
  while (at < text.size() && blank(text[at])) ++at;
  const std::size_t start = at;
  while (at < text.size() && !blank(text[at])) ++at;
  return text.substr(start, at - start);
}

// Whether the control shows the words of plain, in order, and nothing else: what it made of the
// rich text is the help, without markup.
bool ShowsWordsOf(HWND control, std::string_view plain) {
  std::string shown(static_cast<std::size_t>(::SendMessageA(control, WM_GETTEXTLENGTH, 0, 0)) + 1,
                    '\0');
  shown.resize(static_cast<std::size_t>(
      ::SendMessageA(control, WM_GETTEXT, shown.size(), reinterpret_cast<LPARAM>(shown.data()))));
  std::size_t a = 0, b = 0;
  for (;;) {
    const std::string_view word = NextWord(shown, a);
    if (word != NextWord(plain, b)) return false;
    if (word.empty()) return true;
  }
}

}  // namespace

bool Open(void* instance, WindowRef owner, const char* caption, std::string_view rtf,
          const char* plain) {
  if (g_window) return false;
  auto create = [&](int templateId) {
    return ::CreateDialogParamA(static_cast<HINSTANCE>(instance), MAKEINTRESOURCEA(templateId),
                                reinterpret_cast<HWND>(owner), HelpProc,
                                static_cast<LPARAM>(owner));
  };
  HWND window = !rtf.empty() && RichEditLoaded() ? create(VX_IDD_HELP_RICH) : nullptr;
  const bool rich = window != nullptr;
  if (!rich) window = create(VX_IDD_HELP);
  if (!window) return false;
  g_window = window;
  ::SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption));
  const HWND control = ::GetDlgItem(window, VX_IDC_HELP_TEXT);
  if (rich) {
    // Rich edit takes 32K characters unless told otherwise. A rich text it refuses, or makes into
    // other words than the help's, shows as plain text.
    ::SendMessageA(control, EM_EXLIMITTEXT, 0, 16 * 1024 * 1024);
    ::SendMessageA(control, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(6, 6));
    if (!StreamIn(control, rtf, SF_RTF) || !ShowsWordsOf(control, plain))
      StreamIn(control, plain, SF_TEXT);
  } else {
    ::SetDlgItemTextA(window, VX_IDC_HELP_TEXT, plain);
  }
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
