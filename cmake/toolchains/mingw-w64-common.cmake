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

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static -Wl,--gc-sections")

# The images ship small: optimised for size, each function and datum in a section of its own so
# that the linker drops what nothing reaches. Debug information is still produced; the build
# moves it into a file beside each program (shell/win32/CMakeLists.txt). The programs' own code
# throws and catches nothing, so it carries no exception tables either: an exception the runtime
# throws (only std::bad_alloc could reach it) ends the program, as an uncaught one did before.
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections -fno-exceptions")
set(CMAKE_CXX_FLAGS_RELWITHDEBINFO_INIT "-Os -g -DNDEBUG")
