#include "shell/win32/Win32Toolkit.h"

#include "shell/HelpText.h"
#include "shell/win32/Win32DialogWindow.h"
#include "shell/win32/Win32HelpWindow.h"

#include <windows.h>

#include <commctrl.h>

#include <atomic>
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

// What became of the last request to the system's viewer. WinHelpA returns only once the viewer
// has dealt with the request, and a viewer that cannot open the file says so in a message box of
// its own first: the request goes from a thread of its own, so that the panel answers meanwhile.
// One per process, since a request may outlive the toolkit (the panel closed while the viewer's
// message is up: the process ends the thread).
enum ViewerState : int { kNoViewer, kViewerAsked, kViewerShows };
std::atomic<int> g_viewerState{kNoViewer};

struct ViewerRequest {
  WinHelpFunction winHelp;
  HWND owner;
  std::string path;
};

DWORD WINAPI AskViewer(void* parameter) {
  const ViewerRequest* request = static_cast<ViewerRequest*>(parameter);
  const BOOL shown =
      request->winHelp(request->owner, request->path.c_str(), HELP_CONTENTS, 0);
  g_viewerState = shown ? kViewerShows : kNoViewer;
  delete request;
  return 0;
}

}  // namespace

Win32Toolkit::Win32Toolkit(void* instance, const char* helpFile, const char* helpCaption,
                           std::string_view helpText)
    : m_instance(instance), m_helpFile(helpFile), m_helpCaption(helpCaption), m_helpText(helpText) {
  // Registers the trackbar class ("msctls_trackbar32") that the panel's template names.
  ::InitCommonControls();
}

Win32Toolkit::~Win32Toolkit() {
  // Only a viewer that shows our file is asked to close; one still answering the request is left
  // to the user.
  if (g_viewerState != kViewerShows) return;
  if (const WinHelpFunction winHelp = WinHelpEntry())
    winHelp(nullptr, m_viewerFile.c_str(), HELP_QUIT, 0);
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
      if (g_viewerState == kViewerAsked) return;  // F1 again while the viewer is still answering
      g_viewerState = kViewerAsked;
      m_viewerFile = path;
      auto* request = new ViewerRequest{winHelp, reinterpret_cast<HWND>(owner.Handle()), path};
      DWORD id = 0;
      if (HANDLE thread = ::CreateThread(nullptr, 0, AskViewer, request, 0, &id))
        ::CloseHandle(thread);
      else
        AskViewer(request);
      return;
    }
  }
  const char* caption = m_helpCaption ? m_helpCaption : "Help";
  if (m_helpText.empty()) {
    owner.MessageBox(HelpEmptyMessage(path).c_str(), caption, MB_OK | MB_ICONINFORMATION);
    return;
  }
  const std::string_view head = m_helpText.substr(0, kHelpTextLimit);
  const std::string text = EditControlText(head, m_helpText.size(), kHelpTextLimit);
  help::Open(m_instance, owner.Handle(), caption, text.c_str());
}

}  // namespace vx::win32
