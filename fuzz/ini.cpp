// INI sections: a section written with entries the writer accepts reads back as exactly those
// entries, trimmed or as their lines stand; every line of the file outside them keeps its bytes
// and its line end, whatever mix of LF, CRLF and lone CR the file holds (a last line without a
// line end gains one only when something follows it, and a blank LF line that comes to follow a
// lone CR ends in CRLF, else the two would read as one line); a missing section comes after one
// blank line; and writing the same entries again changes nothing. Through the profile call on a
// real file: a write that fails leaves the file byte for byte, one that succeeds reads back as
// the strings given, and the same write again leaves the file as it is.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "Check.h"
#include "platform/posix/files/FileText.h"
#include "platform/posix/profile/IniProfile.h"
#include "platform/posix/profile/IniText.h"

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

struct Piece {
  std::string_view body, end;
};

// The lines after the byte-order mark: LF, CRLF and a lone CR each end a line.
std::vector<Piece> Split(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<Piece> lines;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t eol = text.find_first_of("\r\n", pos);
    if (eol == std::string_view::npos) eol = text.size();
    std::size_t next = std::min(text.size(), eol + (text.substr(eol, 2) == "\r\n" ? 2 : 1));
    lines.push_back({text.substr(pos, eol - pos), text.substr(eol, next - eol)});
    pos = next;
  }
  return lines;
}

// The lines of the text less the entry lines of the first section of that name (a line in it that
// is neither blank nor a ';' comment), and those entry lines; whether the section is there.
struct Sorted {
  std::vector<Piece> kept, entries;
  bool found = false;
};

Sorted SortLines(std::string_view text, std::string_view section) {
  Sorted sorted;
  bool inside = false;
  for (const Piece& line : Split(text)) {
    if (auto name = Header(line.body)) {
      inside = !sorted.found && SameNoCase(*name, Trim(section));
      sorted.found = sorted.found || inside;
    } else if (inside && !Trim(line.body).empty() && Trim(line.body).front() != ';') {
      sorted.entries.push_back(line);
      continue;
    }
    sorted.kept.push_back(line);
  }
  return sorted;
}

// LF-ended text with its line ends mixed: line i ends as the pattern's two bits for it say.
std::string MixLineEnds(std::string_view text, std::uint8_t pattern) {
  static constexpr std::string_view kEnds[] = {"\n", "\r", "\r\n", "\n"};
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n')
      out += kEnds[(pattern >> (2 * (i % 4))) & 3];
    else
      out += text[i];
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string section = input.ConsumeRandomLengthString(12);
  std::vector<std::string> entries(input.ConsumeIntegralInRange<int>(0, 4));
  for (auto& e : entries) e = input.ConsumeRandomLengthString(40);
  const bool mix = input.ConsumeBool();
  const std::uint8_t pattern = input.ConsumeIntegral<std::uint8_t>();
  std::string text = input.ConsumeRemainingBytesAsString();
  if (mix) text = MixLineEnds(text, pattern);

  // The entries and their lines as they stand come in pairs (vexmor-wininit reads both).
  FUZZ_CHECK(vx::posix::ReadIniSection(text, section).size() ==
             vx::posix::ReadIniSectionLines(text, section).size());
  const auto written = vx::posix::ReplaceIniSection(text, section, entries);
  if (!written) return 0;
  FUZZ_CHECK(vx::posix::ReadIniSection(*written, section) == entries);
  FUZZ_CHECK(vx::posix::ReadIniSectionLines(*written, section) == entries);
  FUZZ_CHECK(vx::posix::ReplaceIniSection(*written, section, entries) == written);

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
      FUZZ_CHECK(profile.WritePrivateProfileSectionA(name.c_str(), data.c_str(), path.c_str()));
      FUZZ_CHECK(vx::posix::ReadSmallFile(path, 1 << 24) == after);
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

  // Line by line: the new section's entry lines are the entries, and every other line is the old
  // file's, in order, with its bytes and line end; an appended section comes after one blank line.
  const bool marked = text.compare(0, 3, "\xEF\xBB\xBF") == 0;
  FUZZ_CHECK(marked == (written->compare(0, 3, "\xEF\xBB\xBF") == 0));
  const Sorted before = SortLines(text, section), after = SortLines(*written, section);
  FUZZ_CHECK(after.found && after.entries.size() == entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) FUZZ_CHECK(after.entries[i].body == entries[i]);
  // An appended section: one blank line unless the file ends in one, then its header.
  std::vector<std::string_view> appended;
  const std::string header = "[" + std::string(Trim(section)) + "]";
  if (!before.found) {
    if (!before.kept.empty() && !Trim(before.kept.back().body).empty()) appended.push_back("");
    appended.push_back(header);
  }
  FUZZ_CHECK(after.kept.size() == before.kept.size() + appended.size());
  for (std::size_t i = 0; i < appended.size(); ++i)
    FUZZ_CHECK(after.kept[before.kept.size() + i].body == appended[i]);
  const char* const first = written->data() + (marked ? 3 : 0);
  const char* const stop = written->data() + written->size();
  for (std::size_t i = 0; i < before.kept.size(); ++i) {
    const Piece& old = before.kept[i];
    const Piece& now = after.kept[i];
    FUZZ_CHECK(now.body == old.body);
    const bool last = now.body.data() + now.body.size() + now.end.size() == stop;
    const bool afterLoneCr = now.body.data() > first && now.body.data()[-1] == '\r';
    if (old.end.empty())
      FUZZ_CHECK(now.end.empty() == last);
    else if (old.body.empty() && old.end == "\n" && afterLoneCr)
      FUZZ_CHECK(now.end == "\r\n");
    else
      FUZZ_CHECK(now.end == old.end);
  }
  return 0;
}
