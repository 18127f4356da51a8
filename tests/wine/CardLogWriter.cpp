// Appends VX_LOG_LINES lines to VEXMOR_CARD_LOG through the panel's PortLog and the shipped
// programs' run-time: line i writes the byte VX_LOG_VALUE (decimal) to port i.
#include <windows.h>

#include <cstdlib>

#include "platform/emulated/EmulatedCard.h"
#include "platform/emulated/PortLog.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  vx::EmulatedCard card(0);
  vx::PortLog log(card, std::getenv("VEXMOR_CARD_LOG"));
  unsigned n[2] = {};
  const char* names[2] = {"VX_LOG_LINES", "VX_LOG_VALUE"};
  for (int i = 0; i < 2; ++i)
    for (const char* c = std::getenv(names[i]); c && *c; ++c) n[i] = n[i] * 10 + *c - '0';
  for (unsigned port = 0; port < n[0]; ++port) log.Out8(port, n[1]);
  return log.Ok() ? 0 : 2;
}
