// The entry point of the shipped programs, and the end of the process.
//
// gcc for mingw-w64 puts a pointer to each translation unit's static initialiser in .ctors; the
// linker script frames them as __CTOR_LIST__ (-1, the pointers, 0), likewise __DTOR_LIST__. A
// global with a destructor registers it with atexit from its initialiser. The initialisers run
// last to first, as mingw-w64's own start-up runs them; the application object is a global, so
// all of this happens before WinMain.
#include <windows.h>

#include <cstdlib>

#include "platform/win32/crt/Runtime.h"

extern "C" {
using StaticFunction = void (*)();
extern StaticFunction __CTOR_LIST__[];
extern StaticFunction __DTOR_LIST__[];
}

namespace {

// The functions atexit registered, run last first by exit. The C standard asks for room for 32.
constexpr int kAtExitSlots = 32;
StaticFunction g_atExit[kAtExitSlots];
int g_atExitCount = 0;

void RunConstructors() {
  int count = 0;
  while (__CTOR_LIST__[count + 1]) ++count;
  for (int i = count; i >= 1; --i) __CTOR_LIST__[i]();
}

void RunDestructors() {
  while (g_atExitCount > 0) g_atExit[--g_atExitCount]();
  for (int i = 1; __DTOR_LIST__[i]; ++i) __DTOR_LIST__[i]();
}

// The command line after the program's own name (quoted or not), as WinMain expects it.
char* Arguments() {
  char* line = ::GetCommandLineA();
  bool quoted = false;
  for (; *line && (quoted || (*line != ' ' && *line != '\t')); ++line)
    if (*line == '"') quoted = !quoted;
  while (*line == ' ' || *line == '\t') ++line;
  return line;
}

}  // namespace

extern "C" {

int atexit(StaticFunction function) {
  if (g_atExitCount == kAtExitSlots) return -1;
  g_atExit[g_atExitCount++] = function;
  return 0;
}

void exit(int status) {
  RunDestructors();
  ::ExitProcess(static_cast<UINT>(status));
}

// What the code reaches for "cannot continue" (std::terminate's handler, __builtin_abort): status
// 3, as MSVCRT's abort ends a program.
void abort() { vx::crt::Fatal("the program stopped on an internal error"); }

// The image's entry point (the linker's --entry). The stack may come 4-byte aligned on i686.
#if defined(__i386__)
__attribute__((force_align_arg_pointer))
#endif
[[noreturn]] void vx_crt_start() __asm__("vx_crt_start");
void vx_crt_start() {
  RunConstructors();
  STARTUPINFOA startup;
  startup.cb = sizeof startup;
  ::GetStartupInfoA(&startup);
  const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
  exit(WinMain(::GetModuleHandleA(nullptr), nullptr, Arguments(), show));
}

}  // extern "C"
