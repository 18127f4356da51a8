// The administrator's list of base ports: a text is taken exactly when every line, cut at its first
// "#" and trimmed of blanks, is empty or one base the host C library's strtoul reads whole (hex
// after "0x", else decimal) at most 0xFFF7, and then the list is those bases in file order; a
// refused text names its first bad line. What is taken, written back one base a line, reads back
// as the same list.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "Check.h"
#include "panel/PortAllowList.h"

namespace {

// The oracle: the line grammar, with the number read by strtoul. 0 when the text is taken, else
// the first bad line.
unsigned Expected(std::string_view text, std::vector<std::uint32_t>* bases) {
  unsigned number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string line(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++number;
    line = line.substr(0, line.find('#'));
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!line.empty() && blank(line.back())) line.pop_back();
    std::size_t from = 0;
    while (from < line.size() && blank(line[from])) ++from;
    line = line.substr(from);
    if (line.empty()) continue;
    const bool hex = line.size() > 2 && line[0] == '0' && (line[1] == 'x' || line[1] == 'X');
    const std::string digits = hex ? line.substr(2) : line;
    if (digits.empty()) return number;
    for (const char c : digits)
      if (!(hex ? std::isxdigit(static_cast<unsigned char>(c)) : std::isdigit(static_cast<unsigned char>(c))))
        return number;
    const unsigned long value = std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10);
    if (value > kHighestAllowedBase) return number;
    bases->push_back(static_cast<std::uint32_t>(value));
  }
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const AllowList list = ParseAllowList(text);
  std::vector<std::uint32_t> bases;
  const unsigned bad = Expected(text, &bases);
  FUZZ_CHECK(list.ok == (bad == 0));
  if (!list.ok) {
    FUZZ_CHECK(list.badLine == bad);
    FUZZ_CHECK(list.bases.empty());
    for (const std::uint32_t base : bases) FUZZ_CHECK(!Allows(list, base));
    return 0;
  }
  FUZZ_CHECK(list.bases == bases);
  std::string written;
  static const char* kDigits = "0123456789abcdef";
  for (const std::uint32_t base : list.bases) {
    std::string hex;
    for (std::uint32_t v = base; hex.empty() || v; v >>= 4) hex.insert(hex.begin(), kDigits[v & 0xF]);
    written += "0x" + hex + "\n";
    FUZZ_CHECK(Allows(list, base));
  }
  FUZZ_CHECK(ParseAllowList(written).bases == list.bases);
  return 0;
}
