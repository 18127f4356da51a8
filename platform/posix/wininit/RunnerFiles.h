// The file calls vexmor-wininit deletes through: PosixFiles, except that unlink's ENOTDIR (a file
// standing where the path needs a folder) is told apart as ERROR_DIRECTORY (267) rather than
// answered as a missing path, so that the entry fails instead of passing for already gone.
#pragma once

#include <cerrno>

#include "platform/posix/PosixFiles.h"

namespace vx::wininit {

class RunnerFiles : public vx::posix::PosixFiles {
 public:
  std::uint32_t GetLastError() override {
    const std::uint32_t error = PosixFiles::GetLastError();
    return error == vx::kPathNotFound && LastDeleteErrno() == ENOTDIR ? vx::posix::kErrorDirectory
                                                                      : error;
  }
};

}  // namespace vx::wininit
