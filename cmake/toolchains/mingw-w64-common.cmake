# Shared part of the mingw-w64 toolchain files. The including file sets VX_MINGW_TRIPLET.
#
# Debian's win32-threads cross compilers. Volsar.exe and pelzorn.exe link no default library at
# all but a run-time of their own (platform/win32/crt/), so they import from system DLLs only; the
# test programs link the C and C++ runtimes statically.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${VX_MINGW_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${VX_MINGW_TRIPLET}-g++)
set(CMAKE_RC_COMPILER ${VX_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static -Wl,--gc-sections")

# The images ship small: optimised for size, each function and datum in a section of its own so
# that the linker drops what nothing reaches. Debug information is still produced; the build
# moves it into a file beside each program (shell/win32/CMakeLists.txt). The programs' own code
# throws and catches nothing and asks no type of an object at run time, so it carries no
# exception tables and no type information either; what would have thrown ends the program
# (platform/win32/crt/Support.cpp). -Os must be the build type's level, not precede it: CMake's
# own defaults are replaced in mingw-w64-flags.cmake.
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections -fno-exceptions -fno-rtti")
set(CMAKE_USER_MAKE_RULES_OVERRIDE_CXX ${CMAKE_CURRENT_LIST_DIR}/mingw-w64-flags.cmake)
