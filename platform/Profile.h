// The Windows folder, the profile-section calls on WININIT.INI and the one page of memory the
// uninstaller commits for the section.
//
// Section text follows the profile functions: key=value strings, each ended by a NUL, the run ended
// by one more NUL.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vx {

class Profile {
 public:
  virtual ~Profile() = default;

  // VirtualAlloc(committed, read-write) / VirtualFree(MEM_DECOMMIT). Commit answers null on failure.
  virtual char* Commit(std::size_t size) = 0;
  virtual void Decommit(char* block, std::size_t size) = 0;

  // GetWindowsDirectoryA: length without terminator; 0 on failure; the room needed when the buffer
  // is too small.
  virtual std::uint32_t GetWindowsDirectoryA(char* buffer, std::uint32_t size) = 0;

  // GetPrivateProfileSectionA: characters placed in buffer without the final NUL; 0 when the file or
  // the section is missing; size - 2 when the section does not fit.
  virtual std::uint32_t GetPrivateProfileSectionA(const char* section, char* buffer,
                                                  std::uint32_t size, const char* file) = 0;

  // WritePrivateProfileSectionA: replaces the whole section, keeps the rest of the file, creates the
  // file when missing. False on failure.
  virtual bool WritePrivateProfileSectionA(const char* section, const char* data,
                                           const char* file) = 0;
};

}  // namespace vx
