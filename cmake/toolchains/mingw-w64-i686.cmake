# 32-bit Windows of the Windows 95 family with Debian's mingw-w64 (g++-mingw-w64-i686-win32): a
# PE32 image whose subsystem and operating-system versions are 4.0. Its tests run under Debian's
# 32-bit Wine (wine32:i386) in a 32-bit prefix: CTest starts each through tests/wine/wine-run.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VX_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# No unwind tables for code that throws nothing: 32-bit Windows finds its exception handlers
# through the thread's handler chain, not through tables, and gdb reads .debug_frame.
string(APPEND CMAKE_CXX_FLAGS_INIT " -fno-asynchronous-unwind-tables")
# The instructions of an 80386, the processor Windows 95 asks for (Debian's compiler defaults to
# the Pentium Pro's); the programs have no floating point, so no x87 instruction either.
string(APPEND CMAKE_CXX_FLAGS_INIT " -march=i386")
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT
  " -Wl,--major-os-version,4 -Wl,--minor-os-version,0"
  " -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../../tests/wine/wine-run --arch=win32)
