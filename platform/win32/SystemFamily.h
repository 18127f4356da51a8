// Which family of Windows the program runs on. The Windows 95 family lets a program execute port
// instructions and processes WININIT.INI at start-up; the NT family (and Wine) faults on port
// instructions and keeps its start-up deletions in PendingFileRenameOperations instead.
#pragma once

namespace vx::win32 {

enum class SystemFamily { Windows95, WindowsNT };

SystemFamily CurrentSystemFamily();

}  // namespace vx::win32
