#include "shell/win32/Win32Toolkit.h"

#include "shell/HelpText.h"
#include "shell/win32/Win32DialogWindow.h"
#include "shell/win32/Win32HelpWindow.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
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
  const char* caption = m_helpCaption ? m_helpCaption : "Help";
  // The size from the folder entry, all 64 bits of it (reading a whole file to count it would
  // freeze the panel); a folder in the file's place cannot be opened. ANSI calls take a path
  // shorter than MAX_PATH.
  WIN32_FIND_DATAA found;
  const HANDLE find = path.size() < MAX_PATH ? ::FindFirstFileA(path.c_str(), &found)
                                             : INVALID_HANDLE_VALUE;
  if (find != INVALID_HANDLE_VALUE) ::FindClose(find);
  const HANDLE file =
      find == INVALID_HANDLE_VALUE || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          ? INVALID_HANDLE_VALUE
          : ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    owner.MessageBox(HelpMissingMessage(path).c_str(), caption, MB_OK | MB_ICONINFORMATION);
    return;
  }
  const std::uint64_t size =
      (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
  // The beginning of the file, as much as the window can show, and no more.
  std::string head(static_cast<std::size_t>(std::min<std::uint64_t>(size, kHelpTextLimit)), '\0');
  std::size_t kept = 0;
  while (kept < head.size()) {
    DWORD read = 0;
    if (!::ReadFile(file, head.data() + kept, static_cast<DWORD>(head.size() - kept), &read,
                    nullptr) ||
        read == 0)
      break;
    kept += read;
  }
  ::CloseHandle(file);
  head.resize(kept);
  if (head.empty()) {
    owner.MessageBox(HelpEmptyMessage(path).c_str(), caption, MB_OK | MB_ICONINFORMATION);
    return;
  }
  const std::string text = EditControlText(head, size, kHelpTextLimit);
  help::Open(m_instance, owner.Handle(), caption, text.c_str());
}

}  // namespace vx::win32
