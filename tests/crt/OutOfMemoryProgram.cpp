// vx_crt_out_of_memory.exe FOLDER: a program linked as the shipped ones are, with their own
// run-time, that runs out of memory on purpose. It leaves a file in FOLDER for each step that ran:
// "constructed" (its static constructor, before WinMain), "started"; and those that must not run
// once the heap refused: "allocated" after the request, "atexit" and "destructor" at a normal end,
// where a program saves its settings.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

std::string g_folder;
bool g_constructed = false;

void Mark(const char* step) {
  const HANDLE file = ::CreateFileA((g_folder + "\\" + step).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
}

struct SavesAtTheEnd {
  SavesAtTheEnd() { g_constructed = true; }
  ~SavesAtTheEnd() { Mark("destructor"); }
} g_saves;

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
  g_folder = arguments;
  if (g_constructed) Mark("constructed");
  Mark("started");
  std::atexit([] { Mark("atexit"); });
  // More than any process can have: half the address space.
  volatile std::size_t huge = static_cast<std::size_t>(-1) / 2;
  static_cast<char*>(::operator new(huge))[0] = 1;
  Mark("allocated");
  return 0;
}
