// The run-time's own memory, string and division functions, built for the host under the names
// vx_host_<name> (the host's C library keeps the standard ones).
#define VX_CRT_NAME(name) vx_host_##name
#define VX_CRT_HOST_TEST
#include "platform/win32/crt/Division.cpp"
#include "platform/win32/crt/Strings.cpp"
