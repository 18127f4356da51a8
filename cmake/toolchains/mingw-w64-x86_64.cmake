# 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-win32). This build runs under Wine
# on the build machine: CTest starts each test program through tests/wine/wine-run.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VX_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../../tests/wine/wine-run)
