#include "platform/win32/DirectPorts.h"

#include <windows.h>

// The two guarded instructions (GuardedPorts.S), each a small function of its own that answers 1
// when the instruction ran and 0 when the system refused it, and for each instruction its address
// and where to resume when it faults.
extern "C" {
int vx_guarded_out8(unsigned port, unsigned value);
int vx_guarded_in16(unsigned port, std::uint16_t* value);
extern void* const vx_port_guards[4];
EXCEPTION_DISPOSITION __cdecl vx_port_fault(EXCEPTION_RECORD* record, void* frame,
                                            CONTEXT* context, void* dispatcher);
}

#if defined(__x86_64__)
#define VX_RESUME_AT(context) ((context)->Rip)
#elif defined(__i386__)
#define VX_RESUME_AT(context) ((context)->Eip)
#else
#error "port instructions need an x86 processor"
#endif

// Resumes at the refusal path of a guarded instruction that faulted for want of privilege; any
// other exception, or the same one elsewhere, goes on to the next handler untouched.
extern "C" EXCEPTION_DISPOSITION __cdecl vx_port_fault(EXCEPTION_RECORD* record, void*,
                                                       CONTEXT* context, void*) {
  if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
    return ExceptionContinueSearch;
  if (record->ExceptionCode != EXCEPTION_PRIV_INSTRUCTION) return ExceptionContinueSearch;
  for (int i = 0; i < 4; i += 2) {
    if (record->ExceptionAddress == vx_port_guards[i]) {
      VX_RESUME_AT(context) = reinterpret_cast<std::uintptr_t>(vx_port_guards[i + 1]);
      return ExceptionContinueExecution;
    }
  }
  return ExceptionContinueSearch;
}

namespace vx::win32 {

bool DirectPorts::Allowed(std::uint16_t port) {
  std::uint16_t value;
  return vx_guarded_in16(port, &value) != 0;
}

void DirectPorts::Out8(std::uint16_t port, std::uint8_t value) {
  if (!m_refused && !vx_guarded_out8(port, value)) m_refused = true;
}

std::uint16_t DirectPorts::In16(std::uint16_t port) {
  std::uint16_t value;
  if (!m_refused && vx_guarded_in16(port, &value)) return value;
  m_refused = true;
  return 0xFFFF;
}

}  // namespace vx::win32
