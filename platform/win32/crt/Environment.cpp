// getenv over GetEnvironmentVariableA. A value comes whole, whatever its length: the first call
// learns the size, the copy is made on the heap, and a value that grew meanwhile is read again.
// Each copy lives to the end of the run (as the C run-time's environment does), kept with its name
// so that a second look-up answers the same copy.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

struct Found {
  Found* next;
  char* name;
  char* value;
};
Found* g_found = nullptr;

char* Copy(const char* text) {
  const std::size_t size = std::strlen(text) + 1;
  return static_cast<char*>(std::memcpy(new char[size], text, size));
}

}  // namespace

extern "C" char* getenv(const char* name) {
  for (Found* found = g_found; found; found = found->next)
    if (std::strcmp(found->name, name) == 0) return found->value;
  char small[256];
  ::SetLastError(NO_ERROR);
  DWORD size = ::GetEnvironmentVariableA(name, small, sizeof small);
  if (size == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return nullptr;
  char* value;
  if (size < sizeof small) {
    small[size] = 0;
    value = Copy(small);
  } else {
    for (;;) {  // size counts the terminating zero here
      value = new char[size];
      const DWORD got = ::GetEnvironmentVariableA(name, value, size);
      if (got < size) {
        value[got] = 0;
        break;
      }
      delete[] value;
      size = got;
    }
  }
  g_found = new Found{g_found, Copy(name), value};
  return value;
}
