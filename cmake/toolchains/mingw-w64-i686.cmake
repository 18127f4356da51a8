# 32-bit Windows of the Windows 95 family with Debian's mingw-w64 (g++-mingw-w64-i686-win32): a
# PE32 image whose subsystem and operating-system versions are 4.0. Built and inspected here; a
# 64-bit kernel without 32-bit support cannot run it.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VX_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT
  " -Wl,--major-os-version,4 -Wl,--minor-os-version,0"
  " -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0")
