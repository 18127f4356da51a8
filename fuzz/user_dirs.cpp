// user-dirs.dirs: any text gives the default or a folder (absolute, no control character, one
// spelling), and a folder written as xdg-user-dirs-update writes it reads back as written, less
// repeated and final separators.
#include <fuzzer/FuzzedDataProvider.h>

#include "Check.h"
#include "platform/posix/UserDirs.h"

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

  std::string line = "XDG_DESKTOP_DIR=\"";
  for (char c : folder) {
    if (c == '"' || c == '\\' || c == '$' || c == '`') line += '\\';
    line += c;
  }
  line += "\"\n";
  const std::string read = vx::posix::DesktopFolder(text + "\n" + line, "/home/u");
  FUZZ_CHECK(IsFolder(folder) ? read == vx::posix::WithoutExtraSeparators(folder)
                              : read == vx::posix::DesktopFolder(text, "/home/u"));
  return 0;
}
