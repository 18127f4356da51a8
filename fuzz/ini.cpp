// INI sections: a section written with entries the writer accepts reads back as exactly those
// entries, trimmed or as their lines stand, and every byte of the file outside the section stays
// as it was (a last line without a line end may gain one when something follows it).
#include <fuzzer/FuzzedDataProvider.h>

#include <optional>
#include <string_view>
#include <vector>

#include "Check.h"
#include "platform/posix/IniText.h"

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

// The header rule of the format: a line "[name]" once blanks are taken off its ends.
std::optional<std::string_view> Header(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  std::size_t close = line.rfind(']');
  if (close == std::string_view::npos || close == 0) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string section = input.ConsumeRandomLengthString(12);
  std::vector<std::string> entries(input.ConsumeIntegralInRange<int>(0, 4));
  for (auto& e : entries) e = input.ConsumeRandomLengthString(40);
  const std::string text = input.ConsumeRemainingBytesAsString();

  // The entries and their lines as they stand come in pairs (vexmor-wininit reads both).
  FUZZ_CHECK(vx::posix::ReadIniSection(text, section).size() ==
             vx::posix::ReadIniSectionLines(text, section).size());
  const auto written = vx::posix::ReplaceIniSection(text, section, entries);
  if (!written) return 0;
  FUZZ_CHECK(vx::posix::ReadIniSection(*written, section) == entries);
  FUZZ_CHECK(vx::posix::ReadIniSectionLines(*written, section) == entries);

  // [begin, end) of the section's lines in the old text; npos when it has none.
  std::size_t begin = std::string::npos, end = text.size();
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t eol = text.find('\n', pos);
    std::size_t next = eol == std::string::npos ? text.size() : eol + 1;
    std::string_view line = std::string_view(text).substr(pos, next - pos);
    if (auto name = Header(line)) {
      if (begin == std::string::npos && SameNoCase(*name, Trim(section))) {
        begin = pos;
      } else if (begin != std::string::npos) {
        end = pos;
        break;
      }
    }
    pos = next;
  }
  if (begin == std::string::npos) {
    // Appended: the old text comes first, whole.
    FUZZ_CHECK(written->compare(0, text.size(), text) == 0);
  } else {
    FUZZ_CHECK(written->compare(0, begin, text, 0, begin) == 0);
    const std::size_t tail = text.size() - end;
    FUZZ_CHECK(written->size() >= tail &&
               written->compare(written->size() - tail, tail, text, end, tail) == 0);
  }
  return 0;
}
