// The handler std::terminate calls. libstdc++'s default prints the type of the exception in flight,
// demangled, which links its whole demangler (about 36 KB) into a program whose own code throws
// nothing. A program without a console has nowhere to print it anyway: it aborts, as the default
// does after printing.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
