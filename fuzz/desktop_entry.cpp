// Desktop entries: reading any text is safe, and the program read from an entry our own writer
// wrote is the path given, also into storage a previous reading left; a path of printable ASCII is
// always read back.
#include <fuzzer/FuzzedDataProvider.h>

#include "Check.h"
#include "platform/posix/shortcuts/DesktopEntry.h"
#include "platform/posix/setup/LauncherEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string path = input.ConsumeRandomLengthString(80);
  const bool launcher = input.ConsumeBool();
  // Two texts in three begin as an entry does, so that the rules of each value are reached often.
  static const char* const kStarts[] = {"", "[Desktop Entry]\nType=Application\nExec=",
                                        "[Desktop Entry]\nType=Link\nURL="};
  const std::string text = kStarts[input.ConsumeIntegralInRange(0, 2)] +
                           input.ConsumeRemainingBytesAsString();
  // Storage kept from input to input, as the sweep keeps it from entry to entry.
  static std::string reused;
  const auto target = vx::posix::DesktopEntryTarget(text);
  FUZZ_CHECK(vx::posix::DesktopEntryTarget(text, reused) == target.has_value());
  FUZZ_CHECK(!target || reused == *target);

  bool printable = !path.empty();
  for (char c : path) printable = printable && c >= 0x20 && c < 0x7f;
  for (const std::string& entry :
       {vx::setup::PanelEntry(path, "/icon.png", launcher), vx::setup::AutostartEntry(path)}) {
    const bool read = vx::posix::DesktopEntryTarget(entry, reused);
    FUZZ_CHECK(!read || reused == path);
    FUZZ_CHECK(read || !printable);
  }
  return 0;
}
