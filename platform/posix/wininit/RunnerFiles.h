// The file calls vexmor-wininit deletes through: PosixFiles, except that unlink's ENOTDIR (a file
// standing where the path needs a folder) is told apart as ERROR_DIRECTORY (267) rather than
// answered as a missing path, so that the entry fails instead of passing for already gone.
#pragma once

#include <unistd.h>

#include <cerrno>

#include "platform/posix/PosixFiles.h"

namespace vx::wininit {

class RunnerFiles : public vx::posix::PosixFiles {
 public:
  bool DeleteFileA(const char* path) override {
    notFolder_ = false;
    if (PosixFiles::DeleteFileA(path)) return true;
    if (PosixFiles::GetLastError() == vx::kPathNotFound) {
      // Asked again for the errno the translation folded away.
      if (::unlink(path) == 0) return true;
      notFolder_ = errno == ENOTDIR;
    }
    return false;
  }
  bool RemoveDirectoryA(const char* path) override {
    notFolder_ = false;
    return PosixFiles::RemoveDirectoryA(path);
  }
  std::uint32_t GetLastError() override {
    return notFolder_ ? vx::posix::kErrorDirectory : PosixFiles::GetLastError();
  }

 private:
  bool notFolder_ = false;
};

}  // namespace vx::wininit
