// Desktop entries: reading any text is safe, the one-pass reader answers what the reader through a
// map of every key answers, and the program read from an entry our own writer wrote is the path
// given; a path of printable ASCII is always read back.
#include <fuzzer/FuzzedDataProvider.h>

#include "Check.h"
#include "platform/posix/DesktopEntry.h"
#include "platform/posix/LauncherEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string path = input.ConsumeRandomLengthString(80);
  const bool launcher = input.ConsumeBool();
  // Most texts begin as an entry does, so that the rules of each value are reached often.
  static const char* const kStarts[] = {"", "[Desktop Entry]\nType=Application\nExec=",
                                        "[Desktop Entry]\nType=Link\nURL="};
  const std::string text = kStarts[input.ConsumeIntegralInRange(0, 2)] +
                           input.ConsumeRemainingBytesAsString();
  FUZZ_CHECK(vx::posix::DesktopEntryTarget(text) == vx::posix::DesktopEntryTargetByMap(text));

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
