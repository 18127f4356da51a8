// The list of allowed base ports: a text is taken exactly when every line, cut at "#" and trimmed,
// is empty or a base strtoul reads whole (hex after "0x", else decimal) up to 0xFFF7; the list is
// those bases, and reads back the same written one a line. A refused one allows nothing.
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
  for (std::size_t at = 0, end; at < text.size() && !bad; at = end + 1, ++number) {
    end = std::min(text.find('\n', at), text.size());
    std::string line = text.substr(at, end - at);
    line = line.substr(0, line.find('#'));
    line.erase(0, std::min(line.find_first_not_of(" \t\r"), line.size()));
    line.erase(line.find_last_not_of(" \t\r") + 1);
    const bool hex = line.size() > 2 && line[0] == '0' && (line[1] | 0x20) == 'x';
    const std::string digits = line.substr(hex ? 2 : 0);
    const unsigned long value = std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10);
    if (digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos ||
        value > kHighestAllowedBase)
      bad = number + 1;
    else if (!line.empty())
      bases.push_back(static_cast<std::uint32_t>(value));
  }
  FUZZ_CHECK(list.ok == !bad && list.badLine == bad);
  FUZZ_CHECK(list.ok ? list.bases == bases : list.bases.empty() && !Allows(list, 0x330));
  std::string written;
  for (const std::uint32_t base : list.bases) written += std::to_string(base) + "\n";
  FUZZ_CHECK(ParseAllowList(written).bases == list.bases);
  return 0;
}
