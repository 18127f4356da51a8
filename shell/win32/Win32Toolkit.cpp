#include "shell/win32/Win32Toolkit.h"

#include "shell/HelpText.h"
#include "shell/win32/Win32DialogWindow.h"
#include "shell/win32/Win32HelpWindow.h"

#include <windows.h>

#include <commctrl.h>

#include <string>

// <windows.h> renames these to their ANSI forms; here they are the back end's own members.
#undef LoadIcon
#undef LoadAccelerators
#undef MessageBox

namespace vx::win32 {

namespace {

// The most text the help window shows: a multi-line edit control of the Windows 95 family holds
// at most 64 KB.
constexpr std::size_t kHelpTextLimit = 60000;

HINSTANCE Native(void* instance) { return static_cast<HINSTANCE>(instance); }

// WinHelpA, looked up at run time in USER32 (which every program of ours has loaded), so that the
// images import nothing a system without a help viewer lacks.
using WinHelpFunction = BOOL(WINAPI*)(HWND, LPCSTR, UINT, ULONG_PTR);

WinHelpFunction WinHelpEntry() {
  const HMODULE user = ::GetModuleHandleA("USER32.DLL");
  return user ? reinterpret_cast<WinHelpFunction>(
                    reinterpret_cast<void (*)()>(::GetProcAddress(user, "WinHelpA")))
              : nullptr;
}

// F1 goes to the system's help viewer on a Windows whose version is below 6.
bool SystemHelpViewer() { return (::GetVersion() & 0xFF) < 6; }

// How long the end of the program waits for the viewer: to answer HELP_QUIT, and to finish a
// request that was under way when the dialog ended (which takes as long as the viewer needs to
// start: most of a second under Wine).
constexpr DWORD kQuitPatience = 1000;    // ms
constexpr DWORD kRequestPatience = 5000;  // ms

// One call of WinHelpA, made on a thread of its own: WinHelpA returns only once the viewer has
// dealt with the call, and a viewer that cannot open the file first says so in a message box of
// its own (the panel answers meanwhile); a viewer that answers nothing never returns it. The call
// owns its data, since the program may end before it returns (the process then ends the thread).
struct ViewerCall {
  WinHelpFunction winHelp;
  HWND owner;
  std::string path;
  UINT command;
};

DWORD WINAPI CallViewer(void* parameter) {
  const ViewerCall* call = static_cast<ViewerCall*>(parameter);
  call->winHelp(call->owner, call->path.c_str(), call->command, 0);
  delete call;
  return 0;
}

// The thread making the call; null when no thread can be had, and the call was made here.
HANDLE StartCall(ViewerCall* call) {
  DWORD id = 0;
  const HANDLE thread = ::CreateThread(nullptr, 0, CallViewer, call, 0, &id);
  if (!thread) CallViewer(call);
  return thread;
}

// Whether the call on thread (null: one made in place) has returned within ms.
bool Returned(HANDLE thread, DWORD ms) {
  return !thread || ::WaitForSingleObject(thread, ms) == WAIT_OBJECT_0;
}

}  // namespace

Win32Toolkit::Win32Toolkit(void* instance, const char* helpFile, const char* helpCaption,
                           HelpText helpText)
    : m_instance(instance), m_helpFile(helpFile), m_helpCaption(helpCaption), m_helpText(helpText) {
  // Registers the trackbar class ("msctls_trackbar32") that the panel's template names.
  ::InitCommonControls();
}

Win32Toolkit::~Win32Toolkit() {
  if (m_viewerFile.empty()) return;  // the system's viewer was never asked
  // HELP_QUIT, with the window the requests named, whether or not the last request has come back:
  // a viewer that shows the file, one still starting, one whose message about the file is up. A
  // quit that goes out while a request is under way may reach no viewer (WinHelpA starts the viewer
  // before it hands it the request): once that request has returned, a second quit follows. A
  // viewer that does not answer is not waited for beyond kQuitPatience.
  const WinHelpFunction winHelp = WinHelpEntry();
  const HWND owner = reinterpret_cast<HWND>(m_viewerOwner);
  while (winHelp) {
    const bool requestReturned = Returned(m_request, 0);
    const HANDLE quit = StartCall(new ViewerCall{winHelp, owner, m_viewerFile, HELP_QUIT});
    const bool answered = Returned(quit, kQuitPatience);
    if (quit) ::CloseHandle(quit);
    if (!answered || requestReturned || !Returned(m_request, kRequestPatience)) break;
  }
  if (m_request) ::CloseHandle(m_request);
}

std::unique_ptr<DialogWindow> Win32Toolkit::CreateDialogWindow(CDialog& owner, int templateId) {
  if (!::FindResourceA(Native(m_instance), MAKEINTRESOURCEA(templateId), RT_DIALOG))
    return nullptr;
  return std::make_unique<Win32DialogWindow>(owner, m_instance, templateId);
}

IconRef Win32Toolkit::LoadIcon(int id) {
  // Looked up as an icon group first, so that a missing group leaves the window without an icon.
  if (!::FindResourceA(Native(m_instance), MAKEINTRESOURCEA(id), RT_GROUP_ICON))
    return 0;
  return reinterpret_cast<IconRef>(::LoadIconA(Native(m_instance), MAKEINTRESOURCEA(id)));
}

AccelRef Win32Toolkit::LoadAccelerators(int id) {
  return reinterpret_cast<AccelRef>(::LoadAcceleratorsA(Native(m_instance), MAKEINTRESOURCEA(id)));
}

std::string Win32Toolkit::HelpFilePath() const {
  if (!m_helpFile) return {};
  // Room for any path the system gives; one that is too long to open still names the file in
  // the message that help is not available.
  std::string program(32768, '\0');
  const DWORD length =
      ::GetModuleFileNameA(Native(m_instance), program.data(), static_cast<DWORD>(program.size()));
  if (length == 0 || length >= program.size()) return m_helpFile;
  std::string path(program, 0, length);
  const std::size_t cut = path.find_last_of('\\');
  path.erase(cut == std::string::npos ? 0 : cut + 1);
  return path + m_helpFile;
}

void Win32Toolkit::ShowHelp(DialogWindow& owner, const std::string& path) {
  if (help::IsOpen()) {
    help::BringForward();
    return;
  }
  if (SystemHelpViewer()) {
    if (const WinHelpFunction winHelp = WinHelpEntry()) {
      if (!Returned(m_request, 0)) return;  // F1 again while the viewer is still answering
      if (m_request) ::CloseHandle(m_request);
      m_viewerFile = path;
      m_viewerOwner = owner.Handle();
      m_request = StartCall(new ViewerCall{winHelp, reinterpret_cast<HWND>(m_viewerOwner), path,
                                           HELP_CONTENTS});
      return;
    }
  }
  const char* caption = m_helpCaption ? m_helpCaption : "Help";
  if (m_helpText.plain.empty()) {
    owner.MessageBox(HelpEmptyMessage(path).c_str(), caption, MB_OK | MB_ICONINFORMATION);
    return;
  }
  const std::string_view head = m_helpText.plain.substr(0, kHelpTextLimit);
  const std::string plain = EditControlText(head, m_helpText.plain.size(), kHelpTextLimit);
  help::Open(m_instance, owner.Handle(), caption, m_helpText.rtf, plain.c_str());
}

}  // namespace vx::win32
