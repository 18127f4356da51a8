#include "shell/win32/Win32DialogWindow.h"

#include "shell/Dialog.h"
#include "shell/win32/Win32HelpWindow.h"

#include <windows.h>

#include <commctrl.h>

// <windows.h> renames these to their ANSI forms; here they are the back end's own members.
#undef MessageBox
#undef IsDialogMessage
#undef TranslateAccelerator

namespace vx::win32 {

namespace {

HWND Native(WindowRef window) { return reinterpret_cast<HWND>(window); }

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Win32DialogWindow* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Win32DialogWindow*>(lParam);
    ::SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    self->Attach(reinterpret_cast<WindowRef>(window));
  } else {
    self = reinterpret_cast<Win32DialogWindow*>(::GetWindowLongPtrA(window, DWLP_USER));
  }
  // Messages before WM_INITDIALOG (WM_SETFONT) go to the dialog manager's defaults.
  if (!self) return FALSE;
  return self->Dispatch(message, wParam, lParam);
}

// The system's MSG for a message of the modal loop, or one built from its fields.
const MSG* NativeMessage(const Msg& message, MSG* built) {
  if (message.native) return static_cast<const MSG*>(message.native);
  *built = MSG{};
  built->hwnd = Native(message.window);
  built->message = message.message;
  built->wParam = message.wParam;
  built->lParam = message.lParam;
  return built;
}

// The small icon (caption, task bar) of an icon loaded from the resources: the image of the small
// icon's size read again from the same resource, rather than the big one shrunk. CopyImage is
// looked up at run time, so that the images import nothing beyond what they did; where it is not
// to be had, or cannot read the resource again, the icon itself.
using CopyImageFunction = HANDLE(WINAPI*)(HANDLE, UINT, int, int, UINT);

HICON SmallIcon(HICON icon) {
  const HMODULE user = ::GetModuleHandleA("USER32.DLL");
  const auto copyImage = user ? reinterpret_cast<CopyImageFunction>(reinterpret_cast<void (*)()>(
                                    ::GetProcAddress(user, "CopyImage")))
                              : nullptr;
  if (!copyImage) return icon;
  const HANDLE small = copyImage(icon, IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                 ::GetSystemMetrics(SM_CYSMICON), LR_COPYFROMRESOURCE);
  return small ? static_cast<HICON>(small) : icon;
}

}  // namespace

Win32DialogWindow::Win32DialogWindow(CDialog& owner, void* instance, int templateId)
    : m_owner(owner), m_instance(instance), m_templateId(templateId) {}

Win32DialogWindow::~Win32DialogWindow() {
  if (m_window) ::DestroyWindow(Native(m_window));
}

int Win32DialogWindow::RunModal() {
  m_ended = false;
  m_result = -1;
  // No parent: the dialog is the program's only window. WM_INITDIALOG arrives inside this call.
  const HWND dialog =
      ::CreateDialogParamA(static_cast<HINSTANCE>(m_instance), MAKEINTRESOURCEA(m_templateId),
                           nullptr, DialogProc, reinterpret_cast<LPARAM>(this));
  if (!dialog) return -1;
  m_window = reinterpret_cast<WindowRef>(dialog);

  MSG native;
  while (!m_ended) {
    const BOOL got = ::GetMessageA(&native, nullptr, 0, 0);
    if (got == 0) {
      // WM_QUIT belongs to whoever runs the outer loop; leave it for them.
      ::PostQuitMessage(static_cast<int>(native.wParam));
      break;
    }
    if (got == -1) break;
    Msg message;
    message.window = reinterpret_cast<WindowRef>(native.hwnd);
    message.message = native.message;
    message.wParam = native.wParam;
    message.lParam = native.lParam;
    message.native = &native;
    // The help window's messages are its own: the dialog never sees its keys.
    if (help::TakeMessage(&native)) continue;
    if (m_owner.PreTranslateMessage(&message)) continue;
    ::TranslateMessage(&native);
    ::DispatchMessageA(&native);
  }

  ::DestroyWindow(dialog);
  m_window = 0;
  return m_result;
}

void Win32DialogWindow::End(int result) {
  m_result = result;
  m_ended = true;
  if (!m_window) return;
  ::ShowWindow(Native(m_window), SW_HIDE);
  // The loop may be waiting in GetMessageA (the command came in through SendMessage from another
  // thread or process); a posted message wakes it to see the end.
  ::PostMessageA(Native(m_window), WM_NULL, 0, 0);
}

WindowRef Win32DialogWindow::Handle() const { return m_window; }

std::intptr_t Win32DialogWindow::Dispatch(unsigned message, WParam wParam, LParam lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return m_owner.OnInitDialog() ? TRUE : FALSE;
    case WM_COMMAND:
      return m_owner.OnCommand(wParam, lParam) ? TRUE : FALSE;
    case WM_HSCROLL: {
      const HWND control = reinterpret_cast<HWND>(lParam);
      const int id = control ? ::GetDlgCtrlID(control) : 0;
      m_owner.OnHScroll(LOWORD(wParam), HIWORD(wParam), id);
      return TRUE;
    }
    case WM_PAINT:
      m_defaultPaint = false;
      m_owner.OnPaint();
      return m_defaultPaint ? FALSE : TRUE;
    case WM_QUERYDRAGICON:
      // One of the messages whose result a dialog procedure returns directly.
      return static_cast<std::intptr_t>(m_owner.OnQueryDragIcon());
    case WM_HELP:
      // F1: the framework's help command, which reaches the application's message map.
      ::SendMessageA(Native(m_window), WM_COMMAND, MAKEWPARAM(kIdHelp, 0), 0);
      return TRUE;
    default:
      return FALSE;
  }
}

void Win32DialogWindow::DeleteSystemMenuCommand(unsigned command) {
  if (const HMENU menu = ::GetSystemMenu(Native(m_window), FALSE))
    ::DeleteMenu(menu, command, MF_BYCOMMAND);
}

void Win32DialogWindow::SetIcon(IconRef icon, bool big) {
  HICON native = reinterpret_cast<HICON>(icon);
  if (!big && native) native = SmallIcon(native);
  ::SendMessageA(Native(m_window), WM_SETICON, big ? ICON_BIG : ICON_SMALL,
                 reinterpret_cast<LPARAM>(native));
}

bool Win32DialogWindow::IsIconic() const { return ::IsIconic(Native(m_window)) != FALSE; }

ClientSize Win32DialogWindow::GetClientSize() const {
  RECT client = {};
  ::GetClientRect(Native(m_window), &client);
  return {client.right - client.left, client.bottom - client.top};
}

ClientSize Win32DialogWindow::GetSystemIconSize() const {
  return {::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON)};
}

void Win32DialogWindow::PaintMinimised(IconRef icon, int x, int y) {
  const HWND window = Native(m_window);
  PAINTSTRUCT paint;
  const HDC dc = ::BeginPaint(window, &paint);
  ::SendMessageA(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  ::DrawIcon(dc, x, y, reinterpret_cast<HICON>(icon));
  ::EndPaint(window, &paint);
}

void Win32DialogWindow::DefaultPaint() { m_defaultPaint = true; }

void Win32DialogWindow::SetItemText(int id, const char* text) {
  ::SetDlgItemTextA(Native(m_window), id, text);
}

void Win32DialogWindow::SetSliderRange(int id, int minimum, int maximum, bool redraw) {
  ::SendDlgItemMessageA(Native(m_window), id, TBM_SETRANGE, redraw ? TRUE : FALSE,
                        MAKELPARAM(minimum, maximum));
}

int Win32DialogWindow::GetSliderPos(int id) {
  return static_cast<int>(::SendDlgItemMessageA(Native(m_window), id, TBM_GETPOS, 0, 0));
}

void Win32DialogWindow::FocusItem(int id) {
  if (const HWND item = ::GetDlgItem(Native(m_window), id))
    ::SendMessageA(Native(m_window), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item), TRUE);
}

int Win32DialogWindow::MessageBox(const char* text, const char* caption, unsigned type) {
  return ::MessageBoxA(Native(m_window), text, caption, type);
}

bool Win32DialogWindow::TranslateAccelerator(AccelRef table, const Msg& message) {
  if (!table || !m_window) return false;
  MSG built;
  MSG* native = const_cast<MSG*>(NativeMessage(message, &built));
  return ::TranslateAcceleratorA(Native(m_window), reinterpret_cast<HACCEL>(table), native) != 0;
}

bool Win32DialogWindow::IsDialogMessage(const Msg& message) {
  if (!m_window) return false;
  MSG built;
  MSG* native = const_cast<MSG*>(NativeMessage(message, &built));
  return ::IsDialogMessageA(Native(m_window), native) != FALSE;
}

}  // namespace vx::win32
