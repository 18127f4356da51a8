// Desktop entries: reading any text is safe, and the program read from an entry our own writer
// wrote is the path given; a path of printable ASCII is always read back.
#include <fuzzer/FuzzedDataProvider.h>

#include "Check.h"
#include "platform/posix/DesktopEntry.h"
#include "platform/posix/LauncherEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string path = input.ConsumeRandomLengthString(80);
  const bool launcher = input.ConsumeBool();
  const std::string text = input.ConsumeRemainingBytesAsString();
  (void)vx::posix::DesktopEntryTarget(text);

  bool printable = !path.empty();
  for (char c : path) printable = printable && c >= 0x20 && c < 0x7f;
  for (const std::string& entry :
       {vx::setup::PanelEntry(path, "/icon.png", launcher), vx::setup::AutostartEntry(path)}) {
    const auto target = vx::posix::DesktopEntryTarget(entry);
    FUZZ_CHECK(!target || *target == path);
    FUZZ_CHECK(target || !printable);
  }
  return 0;
}
