// The administrator's list of base ports: a text is taken exactly when every line, cut at its first
// "#" and trimmed of blanks, is empty or one base that the C library's strtoul reads whole (hex
// after "0x", else decimal) at most 0xFFF7; then the list is those bases in order, and written back
// one a line it reads back the same. A refused text names its first bad line and allows nothing.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "Check.h"
#include "panel/PortAllowList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const AllowList list = ParseAllowList(text);
  std::vector<std::uint32_t> bases;
  unsigned bad = 0, number = 0;
  for (std::size_t at = 0; at < text.size() && !bad; ++number) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    std::string line = text.substr(at, end - at);
    at = end + 1;
    line = line.substr(0, line.find('#'));
    line.erase(0, line.find_first_not_of(" \t\r") == std::string::npos ? line.size()
                                                                        : line.find_first_not_of(" \t\r"));
    line.erase(line.find_last_not_of(" \t\r") + 1);
    if (line.empty()) continue;
    const bool hex = line.size() > 2 && line[0] == '0' && (line[1] | 0x20) == 'x';
    const std::string digits = line.substr(hex ? 2 : 0);
    const bool whole = digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") ==
                       std::string::npos;
    const unsigned long value = whole ? std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10) : 0;
    if (!whole || value > kHighestAllowedBase) bad = number + 1;
    else bases.push_back(static_cast<std::uint32_t>(value));
  }
  FUZZ_CHECK(list.ok == !bad && list.badLine == bad);
  if (!list.ok) {
    FUZZ_CHECK(list.bases.empty() && !Allows(list, bases.empty() ? 0x330 : bases[0]));
    return 0;
  }
  FUZZ_CHECK(list.bases == bases);
  std::string written;
  for (const std::uint32_t base : bases) written += std::to_string(base) + "\n";
  FUZZ_CHECK(ParseAllowList(written).bases == bases);
  return 0;
}
