// The start-up and run-time of the shipped Windows programs (Volsar.exe, pelzorn.exe), over
// KERNEL32 alone, in place of the mingw-w64 C run-time start-up, MSVCRT.DLL, the compiled parts of
// libstdc++ and libgcc's unwinder.
//
// Why: the images of the Windows 95 family must start on the first Windows 95 release, which has
// no MSVCRT.DLL, on an 80386 (Debian's i686 libraries are built for the Pentium Pro), and stay
// small; the programs throw nothing and use little of either library (a few std::string, vector,
// optional and function templates, which compile into the programs themselves). What they still
// need from a run-time is here, one job per file:
//
//   Start.cpp     the entry point: static constructors, WinMain, atexit, exit and abort
//   Heap.cpp      operator new and delete over the process heap (the code calls no malloc)
//   Fatal.cpp     the end of a run that cannot go on: one message box, status 3, nothing saved
//                 (a refused allocation, a failed check of libstdc++'s headers, abort)
//   Strings.cpp   the memory and string functions the code and the compiler call
//   Stdio.cpp     fopen/fputs/fflush/fclose for the card log: unbuffered, append, text mode
//   Environment.cpp  getenv over GetEnvironmentVariableA, whole values of any length
//   Support.cpp   what libstdc++'s headers and gcc's code call: the __throw_* functions, pure
//                 virtual calls
//   Division.cpp  64-bit division on i686, in 80386 instructions
//
// Under a kilobyte of code each; about 2.5 KB of the i686 Volsar.exe in all. gcc emits no stack
// probe (___chkstk_ms) for these programs, whose frames stay below 4 KB: a frame above that fails
// the link, it is not silently left unprobed.
//
// The Wine unit tests link the usual run-time; only the shipped programs link this one
// (vx_use_own_runtime in CMakeLists.txt). The one USER32 call is the fatal message box.
#pragma once

#include <cstddef>

namespace vx::crt {

// Shows one message box naming what failed (the program's caption "Vexmor Recording") and ends the
// process with status 3 at once: no destructor or atexit function runs, so nothing is saved after
// it. A second failure meanwhile (another thread, or a message handled while the box is up) shows
// no second box.
[[noreturn]] void Fatal(const char* what);

// Fatal for an allocation of `bytes` that the heap refused.
[[noreturn]] void OutOfMemory(std::size_t bytes);

// The text OutOfMemory shows for a request of `bytes`, into out (at least kOutOfMemoryTextSize).
constexpr std::size_t kOutOfMemoryTextSize = 128;
void OutOfMemoryText(std::size_t bytes, char* out);

}  // namespace vx::crt
