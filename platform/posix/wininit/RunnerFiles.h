// The folders vexmor-wininit deletes in: each entry's folder opened once with O_PATH, its identity
// read with fstat, the last part looked at with fstatat and removed with unlinkat, all relative to
// that one handle. errno is translated to the Windows error numbers the logic expects; a missing
// folder on the way (ENOENT) is told apart from a file standing where a folder is needed (ENOTDIR),
// so that the entry fails instead of passing for already gone.
#pragma once

#include <memory>
#include <string>

#include "platform/posix/wininit/RenameList.h"

namespace vx::wininit {

class RunnerFiles : public EntryFolders {
 public:
  std::unique_ptr<EntryFolder> Open(const std::string& folder, std::uint32_t* error) override;
};

}  // namespace vx::wininit
