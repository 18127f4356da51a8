#include "shell/win32/Win32Toolkit.h"

#include "shell/win32/Win32DialogWindow.h"

#include <windows.h>

#include <commctrl.h>

#include <vector>

// <windows.h> renames these to their ANSI forms; here they are the toolkit's own members.
#undef LoadIcon
#undef LoadAccelerators

namespace vx::win32 {

namespace {

// The most of a help file that the help window shows.
constexpr DWORD kHelpTextLimit = 32 * 1024;

HINSTANCE Native(void* instance) { return static_cast<HINSTANCE>(instance); }

}  // namespace

Win32Toolkit::Win32Toolkit(void* instance, const char* helpFile, const char* helpCaption)
    : m_instance(instance), m_helpFile(helpFile), m_helpCaption(helpCaption) {
  // Registers the trackbar class ("msctls_trackbar32") that the panel's template names.
  ::InitCommonControls();
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

std::string Win32Toolkit::HelpPath() const {
  if (!m_helpFile) return {};
  char program[MAX_PATH];
  const DWORD length = ::GetModuleFileNameA(Native(m_instance), program, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  std::string path(program, length);
  const std::size_t cut = path.find_last_of('\\');
  path.erase(cut == std::string::npos ? 0 : cut + 1);
  return path + m_helpFile;
}

bool Win32Toolkit::ShowHelp() {
  const std::string path = HelpPath();
  if (path.empty()) return false;
  const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::vector<char> text(kHelpTextLimit + 1, '\0');
  DWORD read = 0;
  const BOOL ok = ::ReadFile(file, text.data(), kHelpTextLimit, &read, nullptr);
  ::CloseHandle(file);
  if (!ok) return false;
  text[read] = '\0';
  // Owned by the dialog that is active, so it stays modal to it like any of its message boxes.
  ::MessageBoxA(::GetActiveWindow(), text.data(), m_helpCaption ? m_helpCaption : "Help",
                MB_OK | MB_ICONINFORMATION);
  return true;
}

}  // namespace vx::win32
