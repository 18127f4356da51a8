# Shared part of the mingw-w64 toolchain files. The including file sets VX_MINGW_TRIPLET.
#
# Debian's win32-threads cross compilers build Windows programs that link the C and C++ runtimes
# statically, so Volsar.exe and pelzorn.exe import from system DLLs only.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${VX_MINGW_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${VX_MINGW_TRIPLET}-g++)
set(CMAKE_RC_COMPILER ${VX_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
