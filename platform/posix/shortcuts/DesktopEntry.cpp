#include "platform/posix/shortcuts/DesktopEntry.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vx::posix {

namespace {

constexpr std::string_view kMainGroup = "Desktop Entry";
// Characters that the Exec rules allow only inside a quoted argument (space and tab separate
// arguments and are handled apart).
constexpr std::string_view kReserved = "\n\"'\\><~|&;$*?#()`";
// Field codes: the current ones and the deprecated ones, all expanded by launchers to something
// that is not part of the program's name.
constexpr std::string_view kFieldCodes = "fFuUickdDnNvm";

[[gnu::always_inline]] inline bool IsSpace(char c) { return c == ' ' || c == '\t'; }

[[gnu::always_inline]] inline std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && (IsSpace(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

constexpr std::array<bool, 256> kKeyChars = [] {
  std::array<bool, 256> table{};
  for (int c = 0; c < 256; ++c)
    table[c] = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
  return table;
}();

[[gnu::always_inline]] inline bool IsKeyChar(char c) {
  return kKeyChars[static_cast<unsigned char>(c)];
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char a = s[i], b = prefix[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

// Whether eight bytes are all printable ASCII (none below 0x20, none with its high bit).
bool PrintableWord(const char* at) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u, kHigh = 0x8080808080808080u;
  std::uint64_t word;
  std::memcpy(&word, at, sizeof word);
  return ((((word - kOnes * 0x20) & ~word) | word) & kHigh) == 0;
}

// Whether a line (no '\n' in it) is entry text: UTF-8 without overlong forms or surrogates, and no
// control character but tab and CR.
bool IsLineText(const char* from, const char* to) {
  // Most lines are printable ASCII: eight bytes at a time, the last eight overlapping.
  if (to - from >= 8) {
    const char* at = from;
    while (to - at > 8 && PrintableWord(at)) at += 8;
    if (PrintableWord(to - 8) && (to - at <= 8)) return true;
  }
  const auto* p = reinterpret_cast<const unsigned char*>(from);
  const auto* stop = reinterpret_cast<const unsigned char*>(to);
  while (p < stop) {
    unsigned c = *p;
    if (c < 0x80) {
      if (c < 0x20 && c != '\t' && c != '\r') return false;
      ++p;
      continue;
    }
    int extra;
    unsigned min;
    if ((c & 0xE0) == 0xC0) {
      extra = 1, min = 0x80, c &= 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, min = 0x800, c &= 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, min = 0x10000, c &= 0x07;
    } else {
      return false;
    }
    if (stop - p <= extra) return false;
    for (int i = 1; i <= extra; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;
      c = (c << 6) | (p[i] & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    p += extra + 1;
  }
  return true;
}

// A line's end (its '\n', or the end of the text), the line checked as entry text; nothing when it
// is not. (A sequence cut by a '\n' is broken either way, so line by line checks the whole text.)
const char* LineEnd(const char* from, const char* end) {
  const void* newline = std::memchr(from, '\n', static_cast<std::size_t>(end - from));
  const char* eol = newline ? static_cast<const char*>(newline) : end;
  return IsLineText(from, eol) ? eol : nullptr;
}

// Names met so far (the keys of one group, or the groups), to tell a repeated one without copying
// any: a few are compared as they come, the rest sorted once at the end.
class SeenNames {
 public:
  // False when the name was seen before (among the first few; Repeated tells of the rest).
  [[gnu::always_inline]] bool Add(std::string_view name) {
    // Length, first and last character: most unequal names differ there.
    const std::uint32_t hash = name.empty() ? 0
        : static_cast<std::uint32_t>(name.size()) ^
          (static_cast<std::uint32_t>(static_cast<unsigned char>(name.front())) << 16) ^
          (static_cast<std::uint32_t>(static_cast<unsigned char>(name.back())) << 24);
    for (std::size_t i = 0; i < count_; ++i)
      if (first_[i].hash == hash && first_[i].View() == name) return false;
    if (count_ < kFirst)
      first_[count_++] = {name.data(), name.size(), hash};
    else
      more_.push_back(name);
    return true;
  }
  bool Repeated() {
    if (more_.empty()) return false;
    for (const Name& name : first_) more_.push_back(name.View());
    std::sort(more_.begin(), more_.end());
    return std::adjacent_find(more_.begin(), more_.end()) != more_.end();
  }

 private:
  // Left unset until used (a string_view array would be cleared on every call).
  struct Name {
    const char* data;
    std::size_t size;
    std::uint32_t hash;
    std::string_view View() const { return {data, size}; }
  };
  static constexpr std::size_t kFirst = 16;
  Name first_[kFirst];
  std::size_t count_ = 0;
  std::vector<std::string_view> more_;
};

// The characters of a string value with its escapes (\s \n \t \r \\) undone, one at a time; any
// other backslash stays as it is.
class Unescaped {
 public:
  explicit Unescaped(std::string_view value) : value_(value) { Decode(); }
  bool AtEnd() const { return at_ == value_.size(); }
  char Peek() const { return char_; }
  char Next() {
    const char c = char_;
    at_ += width_;
    Decode();
    return c;
  }
  // The characters from here up to the first that is not ordinary (a backslash never is), which
  // stand for themselves: passed over, and answered as a view.
  template <class IsOrdinary>
  std::string_view TakeRun(IsOrdinary ordinary) {
    if (at_ == value_.size() || width_ != 1) return {};
    const std::size_t from = at_;
    while (at_ < value_.size() && ordinary(value_[at_])) ++at_;
    Decode();
    return value_.substr(from, at_ - from);
  }

 private:
  void Decode() {
    if (at_ == value_.size()) return;
    char_ = value_[at_];
    width_ = 1;
    if (char_ != '\\' || at_ + 1 == value_.size()) return;
    switch (value_[at_ + 1]) {
      case 's': char_ = ' '; break;
      case 'n': char_ = '\n'; break;
      case 't': char_ = '\t'; break;
      case 'r': char_ = '\r'; break;
      case '\\': break;
      default: return;
    }
    width_ = 2;
  }

  std::string_view value_;
  std::size_t at_ = 0;
  char char_ = 0;
  std::size_t width_ = 1;
};

// The characters of a value that holds no backslash, which are its own.
class Verbatim {
 public:
  explicit Verbatim(std::string_view value) : value_(value) {}
  bool AtEnd() const { return at_ == value_.size(); }
  char Peek() const { return value_[at_]; }
  char Next() { return value_[at_++]; }
  template <class IsOrdinary>
  std::string_view TakeRun(IsOrdinary ordinary) {
    const std::size_t from = at_;
    while (at_ < value_.size() && ordinary(value_[at_])) ++at_;
    return value_.substr(from, at_ - from);
  }

 private:
  std::string_view value_;
  std::size_t at_ = 0;
};

bool HasBackslash(std::string_view value) {
  return std::memchr(value.data(), '\\', value.size()) != nullptr;
}

bool UnescapedIs(std::string_view value, std::string_view text) {
  if (!HasBackslash(value)) return value == text;
  Unescaped in(value);
  for (char c : text)
    if (in.AtEnd() || in.Next() != c) return false;
  return in.AtEnd();
}

// What a character is to the Exec rules, one table lookup instead of a search per character.
enum : unsigned char {
  kIsReserved = 1, kIsFieldCode = 2, kIsQuotedEscape = 4, kIsSpace = 8, kIsPercent = 16
};
constexpr std::array<unsigned char, 256> kExecClass = [] {
  std::array<unsigned char, 256> table{};
  for (char c : kReserved) table[static_cast<unsigned char>(c)] |= kIsReserved;
  for (char c : kFieldCodes) table[static_cast<unsigned char>(c)] |= kIsFieldCode;
  for (char c : std::string_view("\"`$\\")) table[static_cast<unsigned char>(c)] |= kIsQuotedEscape;
  table[' '] |= kIsSpace;
  table['\t'] |= kIsSpace;
  table['%'] |= kIsPercent;
  return table;
}();
unsigned char ClassOf(char c) { return kExecClass[static_cast<unsigned char>(c)]; }
// A character that stands for itself in an unquoted argument (field code letters do, unless a
// percent sign comes before them).
bool IsOrdinary(char c) { return (ClassOf(c) & ~kIsFieldCode) == 0; }

// ExecProgram over the characters `in` gives (Unescaped, or Verbatim where there is no escape).
template <class Chars>
bool ExecProgramOf(Chars in, std::size_t size, std::string& program) {
  // Undoing escapes never lengthens the text: the program is written in place, then cut to size.
  program.resize(size);
  char* const out = program.data();
  std::size_t length = 0;
  bool found = false;  // the first argument is complete; later ones are only checked
  while (true) {
    while (!in.AtEnd() && (ClassOf(in.Peek()) & kIsSpace)) in.Next();
    if (in.AtEnd()) break;
    if (in.Peek() == '"') {
      in.Next();
      while (true) {
        if (in.AtEnd()) return false;  // no closing quote
        char c = in.Next();
        if (c == '"') break;
        if (c == '\\') {
          if (in.AtEnd() || !(ClassOf(in.Peek()) & kIsQuotedEscape)) return false;
          c = in.Next();
        } else if (c == '%') {
          // Field codes may not stand inside quotes; only the literal percent may.
          if (in.AtEnd() || in.Peek() != '%') return false;
          in.Next();
        }
        if (!found) out[length++] = c;
      }
      // A quoted argument is a whole argument: "a"b is broken quoting.
      if (!in.AtEnd() && !(ClassOf(in.Peek()) & kIsSpace)) return false;
      found = true;
      continue;
    }
    bool onlyFieldCodes = true;
    while (!in.AtEnd()) {
      // Most of a word is ordinary characters: they are copied as one run.
      const std::string_view run = in.TakeRun(IsOrdinary);
      if (!run.empty()) {
        if (!found) {
          std::memcpy(out + length, run.data(), run.size());
          length += run.size();
        }
        onlyFieldCodes = false;
        if (in.AtEnd()) break;
      }
      const char c = in.Peek();
      const unsigned char what = ClassOf(c);
      if (what & kIsSpace) break;
      in.Next();
      if (what & kIsReserved) return false;
      if (what & kIsPercent) {
        if (in.AtEnd()) return false;
        char code = in.Next();
        if (code == '%') {
          if (!found) out[length++] = '%';
          onlyFieldCodes = false;
        } else if (!(ClassOf(code) & kIsFieldCode)) {
          return false;
        }
        continue;
      }
      if (!found) out[length++] = c;
      onlyFieldCodes = false;
    }
    // An argument that was only field codes disappears (and wrote nothing of the program).
    if (!onlyFieldCodes) found = true;
  }
  if (!found || length == 0) return false;
  program.resize(length);
  return true;
}

// The program of an Exec value (string escapes not yet undone): its first argument by the Exec
// rules, every later one checked by them too. Nothing when the value breaks them,
// has no argument, or its first is empty.
bool ExecProgram(std::string_view value, std::string& program) {
  if (HasBackslash(value)) return ExecProgramOf(Unescaped(value), value.size(), program);
  return ExecProgramOf(Verbatim(value), value.size(), program);
}

// The key of an entry line (blanks and CRs before its '=' aside) and where that '=' stands: as
// letters, digits and '-' with an optional [locale] suffix. False when the line has
// no '=' or what stands before the first one is no key.
bool SplitEntry(std::string_view line, std::string_view& key, std::size_t& eq) {
  const std::size_t n = line.size();
  std::size_t i = 0;
  while (i < n && IsKeyChar(line[i])) ++i;
  if (i == 0) return false;
  if (i < n && line[i] == '[') {
    std::size_t close = i + 1;
    while (close < n && line[close] != ']' && line[close] != '[' && line[close] != '=') ++close;
    if (close == n || line[close] != ']' || close == i + 1) return false;
    i = close + 1;
  }
  key = line.substr(0, i);
  while (i < n && (IsSpace(line[i]) || line[i] == '\r')) ++i;
  if (i == n || line[i] != '=') return false;
  eq = i;
  return true;
}

}  // namespace

std::string UnescapeDesktopString(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c == '\\' && i + 1 < value.size()) {
      switch (value[i + 1]) {
        case 's': out += ' '; ++i; continue;
        case 'n': out += '\n'; ++i; continue;
        case 't': out += '\t'; ++i; continue;
        case 'r': out += '\r'; ++i; continue;
        case '\\': out += '\\'; ++i; continue;
        default: break;
      }
    }
    out += c;
  }
  return out;
}

std::optional<std::string> FileUrlPath(std::string_view url) {
  if (!StartsWithNoCase(url, "file://")) return std::nullopt;
  url.remove_prefix(7);
  std::size_t slash = url.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  std::string_view host = url.substr(0, slash);
  if (!host.empty() && !(host.size() == 9 && StartsWithNoCase(host, "localhost"))) return std::nullopt;
  url.remove_prefix(slash);
  // A query or fragment names no file.
  if (url.find_first_of("?#") != std::string_view::npos) return std::nullopt;
  std::string path;
  path.reserve(url.size());
  for (std::size_t i = 0; i < url.size(); ++i) {
    if (url[i] != '%') {
      path += url[i];
      continue;
    }
    if (i + 2 >= url.size()) return std::nullopt;
    int hi = HexValue(url[i + 1]), lo = HexValue(url[i + 2]);
    if (hi < 0 || lo < 0 || (hi == 0 && lo == 0)) return std::nullopt;
    path += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return path;
}

std::optional<std::string> DesktopEntryTarget(std::string_view text) {
  std::string target;
  if (!DesktopEntryTarget(text, target)) return std::nullopt;
  return target;
}

bool DesktopEntryTarget(std::string_view text, std::string& target) {
  // One pass over the lines; only the values of Type, Exec and URL are kept, as views of the text.
  const char* at = text.data();
  const char* const end = at + text.size();
  SeenNames groups, keys;
  std::string_view group;  // empty before the first header
  bool inMain = false;
  std::string_view type, exec, url;
  bool hasType = false, hasExec = false, hasUrl = false;
  while (at < end) {
    const char* eol = LineEnd(at, end);
    if (!eol) return false;
    std::string_view line = Trim(std::string_view(at, static_cast<std::size_t>(eol - at)));
    at = eol == end ? end : eol + 1;
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      if (line.back() != ']') return false;
      const bool first = group.empty();
      group = line.substr(1, line.size() - 2);
      if (group.empty()) return false;
      for (char c : group)
        if (c == '[' || c == ']') return false;
      // The main group comes first; no group may appear twice.
      if (first && group != kMainGroup) return false;
      if (!groups.Add(group)) return false;
      inMain = first;
      continue;
    }
    if (group.empty()) return false;  // an entry outside any group
    std::string_view key;
    std::size_t eq;
    if (!SplitEntry(line, key, eq)) return false;
    if (!inMain) continue;
    if (!keys.Add(key)) return false;
    const std::string_view value = Trim(line.substr(eq + 1));
    if (key.size() == 4 && key == "Type") type = value, hasType = true;
    else if (key.size() == 4 && key == "Exec") exec = value, hasExec = true;
    else if (key.size() == 3 && key == "URL") url = value, hasUrl = true;
  }
  if (group.empty() || groups.Repeated() || keys.Repeated() || !hasType) return false;
  if (UnescapedIs(type, "Application")) return hasExec && ExecProgram(exec, target);
  if (!hasUrl || !UnescapedIs(type, "Link")) return false;
  auto path = FileUrlPath(UnescapeDesktopString(url));
  if (path) target = std::move(*path);
  return path.has_value();
}

std::string ExecArgumentForEntry(std::string_view argument) {
  bool quote = argument.empty() ||
               argument.find_first_of(kReserved) != std::string_view::npos ||
               argument.find_first_of(" \t") != std::string_view::npos;
  std::string exec;
  if (quote) exec += '"';
  for (char c : argument) {
    if (quote && std::string_view("\"`$\\").find(c) != std::string_view::npos) exec += '\\';
    exec += c;
    if (c == '%') exec += '%';
  }
  if (quote) exec += '"';
  // Then the string escapes, undone first when the file is read.
  return EscapeDesktopString(exec);
}

std::string EscapeDesktopString(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace vx::posix
