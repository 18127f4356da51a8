#include "platform/win32/SystemProfile.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/win32/RenameQueue.h"

namespace vx::win32 {

namespace {

// Room for a whole section as the uninstaller reads it: it commits one page of 4096 bytes.
constexpr DWORD kSectionRoom = 32768;

// The Windows 95 family has no MoveFileExA; it is looked up rather than imported so that the
// program still loads there.
using MoveFileExFunction = BOOL(WINAPI*)(LPCSTR, LPCSTR, DWORD);

MoveFileExFunction FindMoveFileEx() {
  const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  if (!kernel) return nullptr;
  return reinterpret_cast<MoveFileExFunction>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "MoveFileExA")));
}

}  // namespace

SystemProfile::SystemProfile(bool queueOnRestart) : m_queueOnRestart(queueOnRestart) {}

char* SystemProfile::Commit(std::size_t size) {
  return static_cast<char*>(::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
}

void SystemProfile::Decommit(char* block, std::size_t size) {
  if (!block) return;
  ::VirtualFree(block, size, MEM_DECOMMIT);
  // The reservation goes too, so that repeated runs leave no address space behind.
  ::VirtualFree(block, 0, MEM_RELEASE);
}

std::uint32_t SystemProfile::GetWindowsDirectoryA(char* buffer, std::uint32_t size) {
  return ::GetWindowsDirectoryA(buffer, size);
}

std::uint32_t SystemProfile::GetPrivateProfileSectionA(const char* section, char* buffer,
                                                       std::uint32_t size, const char* file) {
  return ::GetPrivateProfileSectionA(section, buffer, size, file);
}

bool SystemProfile::WritePrivateProfileSectionA(const char* section, const char* data,
                                                const char* file) {
  const bool queue = m_queueOnRestart && data && section && lstrcmpiA(section, "Rename") == 0 &&
                     IsWininit(file);
  std::vector<char> before;
  if (queue) {
    before.assign(kSectionRoom, '\0');
    ::GetPrivateProfileSectionA(section, before.data(), kSectionRoom, file);
  }
  const bool written = ::WritePrivateProfileSectionA(section, data, file) != FALSE;
  if (written && queue) QueueDeletions(before.data(), data);
  return written;
}

void SystemProfile::QueueDeletions(const char* before, const char* after) {
  m_queued = 0;
  m_refused = 0;
  const MoveFileExFunction moveFileEx = FindMoveFileEx();
  for (const std::string& path : AddedDeletions(before, after)) {
    if (moveFileEx && moveFileEx(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
      ++m_queued;
    else
      ++m_refused;
  }
}

}  // namespace vx::win32
