// Stands in for platform/win32/GuardedPorts.S in a test copy of the panel: a system that refuses
// every port access from number VX_REFUSE_FROM on (0: the probe read). An access asked for after
// a refusal ends the process with status 99; those let through act as an idle card.
#include <windows.h>

#include <cstdint>
#include <cstdlib>

namespace {

int Let() {
  static long accesses = 0;
  long from = 0;
  for (const char* c = std::getenv("VX_REFUSE_FROM"); c && *c; ++c) from = from * 10 + *c - '0';
  if (accesses > from) ::ExitProcess(99);
  return accesses++ < from;
}

}  // namespace

extern "C" {
extern void* const vx_port_guards[4];
void* const vx_port_guards[4] = {};  // no instruction of ours to step over
int vx_guarded_out8(unsigned, unsigned) { return Let(); }
int vx_guarded_in16(unsigned, std::uint16_t* value) { return *value = 0, Let(); }
}
