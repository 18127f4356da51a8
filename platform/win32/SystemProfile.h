// The Windows folder, the profile-section calls and the section buffer over kernel32.
//
// On the NT family, which ignores WININIT.INI, a [Rename] section written to WININIT.INI also has
// each deletion it adds queued with MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT), file
// before folder as the section orders them. That queue is open to administrators only; where the
// system refuses, the section in WININIT.INI is all there is, as before.
#pragma once

#include "platform/Profile.h"

namespace vx::win32 {

class SystemProfile : public Profile {
 public:
  // queueOnRestart: mirror added [Rename] deletions into the system's own start-up queue (the NT
  // family); false leaves WININIT.INI alone to do the work (the Windows 95 family).
  explicit SystemProfile(bool queueOnRestart);

  char* Commit(std::size_t size) override;
  void Decommit(char* block, std::size_t size) override;
  std::uint32_t GetWindowsDirectoryA(char* buffer, std::uint32_t size) override;
  std::uint32_t GetPrivateProfileSectionA(const char* section, char* buffer, std::uint32_t size,
                                          const char* file) override;
  bool WritePrivateProfileSectionA(const char* section, const char* data,
                                   const char* file) override;

  // The deletions the last section write queued with MoveFileExA, and how many the system took.
  unsigned QueuedOnRestart() const { return m_queued; }
  unsigned RefusedOnRestart() const { return m_refused; }

 private:
  void QueueDeletions(const char* before, const char* after);

  bool m_queueOnRestart;
  unsigned m_queued = 0;
  unsigned m_refused = 0;
};

}  // namespace vx::win32
