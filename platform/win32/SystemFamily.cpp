#include "platform/win32/SystemFamily.h"

#include <windows.h>

namespace vx::win32 {

SystemFamily CurrentSystemFamily() {
  // GetVersion sets the top bit on the Windows 95 family (and Win32s) and clears it on NT.
  return (::GetVersion() & 0x80000000u) ? SystemFamily::Windows95 : SystemFamily::WindowsNT;
}

}  // namespace vx::win32
