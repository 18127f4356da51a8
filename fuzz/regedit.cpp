// REGEDIT4 hives: whatever text is read, what the writer then writes reads back as the same keys,
// classes, values and comments without a problem and writes again byte for byte; a value set
// through the hive as the registry accepts it (key path without an empty part, names without a line
// break) reads back exactly.
#include <fuzzer/FuzzedDataProvider.h>

#include "Check.h"
#include "platform/posix/registry/RegText.h"

using vx::posix::Hive;

namespace {

bool LineFits(const std::string& s) { return s.find_first_of(std::string("\r\n\0", 3)) == std::string::npos; }

bool SameLines(const Hive::Key& a, const Hive::Key& b) {
  if (a.path != b.path || a.keyClass != b.keyClass || a.lines.size() != b.lines.size()) return false;
  for (std::size_t i = 0; i < a.lines.size(); ++i) {
    const auto &x = a.lines[i], &y = b.lines[i];
    if (x.isValue != y.isValue || x.comment != y.comment) return false;
    if (x.isValue && (x.value.name != y.value.name || x.value.type != y.value.type ||
                      x.value.data != y.value.data))
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string sub = input.ConsumeRandomLengthString(40);
  Hive::Value value;
  value.name = input.ConsumeRandomLengthString(40);
  value.type = input.ConsumeIntegral<std::uint32_t>() % 16;
  value.data = input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(0, 200));
  const std::string text = input.ConsumeRemainingBytesAsString();

  Hive hive;
  hive.Parse(text);
  const std::string path = "HKEY_CURRENT_USER\\" + sub;
  const bool accepted = !sub.empty() && sub.front() != '\\' && sub.back() != '\\' &&
                        sub.find("\\\\") == std::string::npos && LineFits(sub) && LineFits(value.name);
  if (accepted) hive.SetValue(path, value);

  const std::string written = hive.Write();
  Hive again;
  const auto result = again.Parse(written);
  FUZZ_CHECK(result.readable && result.problems.empty());
  FUZZ_CHECK(again.Keys().size() == hive.Keys().size());
  for (std::size_t i = 0; i < hive.Keys().size(); ++i) FUZZ_CHECK(SameLines(hive.Keys()[i], again.Keys()[i]));
  FUZZ_CHECK(again.Write() == written);
  if (accepted) {
    const Hive::Key* key = again.Find(path);
    FUZZ_CHECK(key);
    const Hive::Value* read = Hive::FindValue(*key, value.name);
    FUZZ_CHECK(read && read->type == value.type && read->data == value.data);
  }
  return 0;
}
