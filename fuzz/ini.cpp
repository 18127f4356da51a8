// INI sections: a section written with entries the writer accepts reads back as exactly those
// entries, trimmed or as their lines stand, and every byte of the file outside the section stays
// as it was (a last line without a line end may gain one when something follows it). Through the
// profile call on a real file: a write that fails leaves the file byte for byte, and one that
// succeeds reads back as the strings given.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>
#include <unistd.h>

#include <optional>
#include <string_view>
#include <vector>

#include "Check.h"
#include "platform/posix/FileText.h"
#include "platform/posix/IniProfile.h"
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

// A file for the profile call, in memory where the system has a tmpfs.
const std::string& ScratchFile() {
  static const std::string path = [] {
    std::string folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    folder += "/fuzz-ini.XXXXXX";
    if (!::mkdtemp(folder.data())) __builtin_trap();
    vx::posix::SetFolderSyncForTests([](const std::string&) { return 0; });
    return folder + "/w.ini";
  }();
  return path;
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

  // The profile call on a file holding the text: all or nothing.
  {
    const std::string& path = ScratchFile();
    std::string data;
    std::vector<std::string> strings;
    for (const auto& e : entries) {
      if (e.empty() || e.find('\0') != std::string::npos) break;  // the run would end there
      data += e;
      data += '\0';
      strings.push_back(e);
    }
    data += '\0';
    const std::string name = section.c_str();
    FUZZ_CHECK(vx::posix::WriteFileAtomically(path, text));
    vx::posix::IniProfile profile;
    if (profile.WritePrivateProfileSectionA(name.c_str(), data.c_str(), path.c_str())) {
      auto after = vx::posix::ReadSmallFile(path, 1 << 24);
      FUZZ_CHECK(after && vx::posix::ReadIniSection(*after, name) == strings);
    } else {
      FUZZ_CHECK(vx::posix::ReadSmallFile(path, 1 << 24) == text);
    }
  }

  // [begin, end) of the section's lines in the old text; npos when it has none. LF, CRLF and a lone
  // CR end a line; a byte-order mark before the first line is no part of it.
  std::size_t begin = std::string::npos, end = text.size();
  for (std::size_t pos = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0; pos < text.size();) {
    std::size_t eol = text.find_first_of("\r\n", pos);
    std::size_t next = eol == std::string::npos ? text.size()
                       : text.compare(eol, 2, "\r\n") == 0 ? eol + 2
                                                            : eol + 1;
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
