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

std::string Win32Toolkit::HelpFilePath() const {
  if (!m_helpFile) return {};
  char program[MAX_PATH];
  const DWORD length = ::GetModuleFileNameA(Native(m_instance), program, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  std::string path(program, length);
  const std::size_t cut = path.find_last_of('\\');
  path.erase(cut == std::string::npos ? 0 : cut + 1);
  return path + m_helpFile;
}

void Win32Toolkit::ShowHelp(DialogWindow& owner, const std::string& path) {
  if (help::IsOpen()) {
    help::BringForward();
    return;
  }
  const char* caption = m_helpCaption ? m_helpCaption : "Help";
  const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    owner.MessageBox(HelpMissingMessage(path).c_str(), caption, MB_OK | MB_ICONINFORMATION);
    return;
  }
  // The beginning of the file, as much as the window can show, and the size of the whole.
  std::string head(kHelpTextLimit, '\0');
  std::size_t kept = 0, size = 0;
  for (;;) {
    char rest[4096];
    char* into = kept < head.size() ? head.data() + kept : rest;
    const DWORD room = static_cast<DWORD>(kept < head.size() ? head.size() - kept : sizeof rest);
    DWORD read = 0;
    if (!::ReadFile(file, into, room, &read, nullptr) || read == 0) break;
    if (into != rest) kept += read;
    size += read;
  }
  ::CloseHandle(file);
  head.resize(kept);
  if (size == 0) {
    owner.MessageBox(HelpEmptyMessage(path).c_str(), caption, MB_OK | MB_ICONINFORMATION);
    return;
  }
  const std::string text = EditControlText(head, size, kHelpTextLimit);
  help::Open(m_instance, owner.Handle(), caption, text.c_str());
}

}  // namespace vx::win32
