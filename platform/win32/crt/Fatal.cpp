// The end of a run that cannot go on: one message box, status 3, nothing more saved.
#include <windows.h>

#include "platform/win32/crt/Runtime.h"

namespace vx::crt {

namespace {

// The thread showing the message, 0 while none does. An exchange is a plain xchg on every x86.
DWORD g_failingThread = 0;

}  // namespace

void Fatal(const char* what) {
  const DWORD self = ::GetCurrentThreadId();
  const DWORD first = __atomic_exchange_n(&g_failingThread, self, __ATOMIC_SEQ_CST);
  if (first == 0) {
    // Task-modal: every window of this thread is disabled while the box is up, so no control
    // handler runs (and saves) behind it.
    ::MessageBoxA(nullptr, what, "Vexmor Recording", MB_OK | MB_ICONSTOP | MB_TASKMODAL);
    ::ExitProcess(3);
  }
  // A second failure while the first box is up. On the thread that shows it (a message its loop
  // dispatched), end the process now; any other thread waits for that box to end it.
  if (first == self) ::ExitProcess(3);
  for (;;) ::Sleep(INFINITE);
}

void OutOfMemoryText(std::size_t bytes, char* out) {
  const char head[] = "Out of memory: a request for ";
  const char tail[] = " bytes failed. The program ends here; nothing more was saved.";
  char digits[24];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + bytes % 10);
    bytes /= 10;
  } while (bytes);
  for (const char* c = head; *c;) *out++ = *c++;
  while (count) *out++ = digits[--count];
  for (const char* c = tail; *c;) *out++ = *c++;
  *out = 0;
}

void OutOfMemory(std::size_t bytes) {
  char text[kOutOfMemoryTextSize];  // on the stack: there is no heap to build it on
  OutOfMemoryText(bytes, text);
  Fatal(text);
}

}  // namespace vx::crt
