// The file calls vexmor-wininit deletes through: PosixFiles, except that unlink's ENOTDIR (a file
// standing where the path needs a folder) is told apart as ERROR_DIRECTORY (267) rather than
// answered as a missing path, so that the entry fails instead of passing for already gone; and
// where a path leads, by device and inode, so that no spelling of the list's own files passes for
// another file.
#pragma once

#include <cerrno>

#include "platform/posix/files/PosixFiles.h"
#include "platform/posix/wininit/RenameList.h"

namespace vx::wininit {

class RunnerFiles : public vx::posix::PosixFiles, public PathResolver {
 public:
  std::uint32_t GetLastError() override {
    const std::uint32_t error = PosixFiles::GetLastError();
    return error == vx::kPathNotFound && LastDeleteErrno() == ENOTDIR ? vx::posix::kErrorDirectory
                                                                      : error;
  }

  // The folder is what the path before its last '/' opens (links followed, as unlink follows
  // them); the last part is looked at without following a link.
  std::optional<PathTarget> Resolve(const std::string& path) override;
};

}  // namespace vx::wininit
