// What libstdc++'s header templates and gcc's generated code call into the libraries for. The
// programs are built without exceptions, so the __throw_* functions a template calls on a misuse
// (a string or vector beyond its maximum size, an empty std::function called) end the run as an
// uncaught exception did: status 3, here with one message naming the check that failed.
#include <cstddef>

#include "platform/win32/crt/Runtime.h"

namespace std {

void __throw_bad_alloc() {
  vx::crt::Fatal("Out of memory. The program ends here; nothing more was saved.");
}
void __throw_bad_array_new_length() {
  vx::crt::Fatal("Out of memory: an array too large for memory was asked for.");
}
void __throw_length_error(const char* what) { vx::crt::Fatal(what); }
void __throw_logic_error(const char* what) { vx::crt::Fatal(what); }
void __throw_out_of_range(const char* what) { vx::crt::Fatal(what); }
void __throw_out_of_range_fmt(const char* what, ...) { vx::crt::Fatal(what); }
void __throw_invalid_argument(const char* what) { vx::crt::Fatal(what); }
void __throw_bad_function_call() { vx::crt::Fatal("bad_function_call"); }

}  // namespace std

extern "C" void __cxa_pure_virtual() { vx::crt::Fatal("pure virtual function called"); }
