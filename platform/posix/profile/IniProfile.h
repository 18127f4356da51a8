// profile/: profile files and WININIT.INI, kept as INI text (IniProfile, IniText).
//
// vx::Profile on POSIX: the Windows folder is ${XDG_STATE_HOME:-$HOME/.local/state}/vexmor, and the
// profile-section calls edit INI files as the Windows profile functions do (IniText), writing each
// change through a temporary file and a rename.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Profile.h"

namespace vx::posix {

// INI files larger than this are not read (the Windows profile functions refuse them too).
inline constexpr std::size_t kProfileLimit = 1024 * 1024;

// The Windows folder for the environment as it stands; "" without HOME and XDG_STATE_HOME.
std::string WindowsFolder();

// The section a write should leave when the file changed between the caller's read and its write:
// the section as it now stands, less what the caller removed from what it read, plus what it
// added (at the end, in its order).
std::vector<std::string> MergeSection(const std::vector<std::string>& read,
                                      const std::vector<std::string>& written,
                                      const std::vector<std::string>& now);

class IniProfile : public vx::Profile {
 public:
  // Tests set it to make Commit fail.
  bool failCommit = false;
  // Tests set it to act between a section read and the write that follows (before the lock).
  std::function<void()> beforeWrite;
  // Blocks committed and not yet decommitted.
  int committed = 0;

  char* Commit(std::size_t size) override;
  void Decommit(char* block, std::size_t size) override;

  // Creates the folder (and its parents) when missing; 0 when it cannot.
  std::uint32_t GetWindowsDirectoryA(char* buffer, std::uint32_t size) override;

  // A file name without a folder names a file in the Windows folder. A write takes the lock
  // <file>.lock and re-reads the file under it; when the section is no longer what this object's
  // last read of it saw, the write carries the caller's changes over to it (MergeSection). It fails
  // as a whole, writing nothing, when a string would not read back as given (IniEntryFits: one
  // without '=', for one), an old line of the section would not (EntryLineHandsBack, the same
  // rule), or the file cannot be replaced.
  std::uint32_t GetPrivateProfileSectionA(const char* section, char* buffer, std::uint32_t size,
                                          const char* file) override;
  bool WritePrivateProfileSectionA(const char* section, const char* data,
                                   const char* file) override;

 private:
  struct SectionRead {
    std::string path, section;
    std::vector<std::string> entries;
  };
  SectionRead m_read;
};

}  // namespace vx::posix
