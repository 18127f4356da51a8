// user-dirs.dirs: any text gives the default or a folder (absolute, no control character, one
// spelling), and a folder written as xdg-user-dirs-update writes it, on a line of its own after
// any text that the reader follows to its end, reads back as written, less repeated and final
// separators.
#include <fuzzer/FuzzedDataProvider.h>

#include "Check.h"
#include "platform/posix/shortcuts/UserDirs.h"

namespace {

bool IsFolder(const std::string& s) {
  if (s.empty() || s.front() != '/') return false;
  for (char c : s)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string folder = input.ConsumeRandomLengthString(60);
  const std::string text = input.ConsumeRemainingBytesAsString();
  const std::string desktop = vx::posix::DesktopFolder(text, "/home/u");
  FUZZ_CHECK(IsFolder(desktop) && desktop == vx::posix::WithoutExtraSeparators(desktop));

  // Two line ends: after a final backslash the first one joins lines. Past an open quote, or past
  // what the reader does not follow on (a command substitution, an `if`), no later line decides.
  // A line that names no folder reads as `:` would, which also ends a list left open by `&&`.
  const std::string base = text + "\n\n";
  if (vx::posix::DesktopFolder(base + "XDG_DESKTOP_DIR=\"/probe\"\n", "/home/u") != "/probe")
    return 0;
  std::string line = "XDG_DESKTOP_DIR=\"";
  for (char c : folder) {
    if (c == '"' || c == '\\' || c == '$' || c == '`') line += '\\';
    line += c;
  }
  line += "\"\n";
  const std::string read = vx::posix::DesktopFolder(base + line, "/home/u");
  FUZZ_CHECK(IsFolder(folder) ? read == vx::posix::WithoutExtraSeparators(folder)
                              : read == vx::posix::DesktopFolder(base + ":\n", "/home/u"));
  return 0;
}
