#include "platform/posix/shortcuts/DesktopEntry.h"

#include <cstring>

namespace vx::posix {

namespace {

constexpr std::string_view kMainGroup = "Desktop Entry";
// Characters that make our writer quote an Exec argument: those the shell rules give a meaning
// outside quotes (blanks and control characters are quoted too).
constexpr std::string_view kReserved = "\"'\\><~|&;$*?#()`";

// What the key-file reader skips before a line, before a value and after a key (g_ascii_isspace:
// no vertical tab).
[[gnu::always_inline]] inline bool IsAsciiSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}
bool IsAsciiControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }
bool IsAsciiAlnum(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// UTF-8 without overlong forms, surrogates or values past U+10FFFF: what a value must be for the
// reader to hand it out as a string.
bool IsUtf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* const stop = p + text.size();
  while (p < stop) {
    unsigned c = *p;
    if (c < 0x80) {
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

// A key as the key-file reader takes it: a name of any characters but '[' and ']', neither
// beginning nor ending in a blank, and an optional [locale] of letters, digits, '-', '_', '.' and
// '@'. (The reader takes letters of any script in a locale; ASCII is enough for real ones, and a
// file with another is refused as a whole, never misread.)
bool IsKeyName(std::string_view key) {
  const std::size_t n = key.size();
  std::size_t q = 0;
  while (q < n && key[q] != '[' && key[q] != ']') ++q;
  if (q == 0 || key[0] == ' ' || key[q - 1] == ' ') return false;
  if (q < n && key[q] == '[') {
    ++q;
    while (q < n && (IsAsciiAlnum(key[q]) || key[q] == '-' || key[q] == '_' || key[q] == '.' ||
                     key[q] == '@'))
      ++q;
    if (q == n || key[q] != ']') return false;
    ++q;
  }
  return q == n;
}

// One value of the main group as it stands in the file (escapes not undone); the last of a
// repeated key.
struct RawValue {
  std::string_view text;
  bool present = false;
  void Set(std::string_view value) { text = value, present = true; }
};

struct MainValues {
  RawValue type, exec, url, name, icon;
};

// Reads the text as the key-file reader reads it, keeping the values the decision needs. False
// when the reader refuses the file: a line that is no comment, group or key (or a key before any
// group), an invalid group or key name, an Encoding other than UTF-8 in the first group, a first
// group other than [Desktop Entry]. Lines end at LF; a CR before the LF is dropped, and kept on
// a last line without one. A group that appears again goes on where it stopped.
bool ReadMainValues(std::string_view text, MainValues& values) {
  // A NUL byte makes the file no text (the reader would cut values at it).
  if (std::memchr(text.data(), '\0', text.size())) return false;
  const char* at = text.data();
  const char* const end = at + text.size();
  std::string_view start;  // the first group
  bool anyGroup = false, inMain = false, inStart = false;
  while (at < end) {
    const void* newline = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
    const char* eol = newline ? static_cast<const char*>(newline) : end;
    std::string_view line(at, static_cast<std::size_t>(eol - at));
    at = newline ? eol + 1 : end;
    if (newline && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::size_t lead = 0;
    while (lead < line.size() && IsAsciiSpace(line[lead])) ++lead;
    line.remove_prefix(lead);
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      // A group line; anything else beginning with '[' has no valid key either.
      // After its ']' only blanks, the reader stepping over UTF-8 continuation bytes that follow
      // the ']' or a blank as parts of that character.
      const std::size_t close = line.find(']');
      if (close == std::string_view::npos) return false;
      for (std::size_t i = close + 1; i < line.size(); ++i)
        if (line[i] != ' ' && line[i] != '\t' && (line[i] & 0xC0) != 0x80) return false;
      const std::string_view group = line.substr(1, close - 1);
      if (group.empty()) return false;
      for (char c : group)
        if (c == '[' || IsAsciiControl(c)) return false;
      if (!anyGroup) start = group, anyGroup = true;
      inMain = group == kMainGroup;
      inStart = group == start;
      continue;
    }
    if (!anyGroup) return false;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos || eq == 0) return false;
    std::size_t keyEnd = eq;
    while (keyEnd > 0 && IsAsciiSpace(line[keyEnd - 1])) --keyEnd;
    const std::string_view key = line.substr(0, keyEnd);
    if (!IsKeyName(key)) return false;
    std::size_t from = eq + 1;
    while (from < line.size() && IsAsciiSpace(line[from])) ++from;
    const std::string_view value = line.substr(from);  // trailing blanks are the value's
    if (inStart && key == "Encoding" && !EqualsNoCase(value, "UTF-8")) return false;
    if (!inMain) continue;
    switch (key.size()) {
      case 3: if (key == "URL") values.url.Set(value); break;
      case 4:
        if (key == "Type") values.type.Set(value);
        else if (key == "Exec") values.exec.Set(value);
        else if (key == "Name") values.name.Set(value);
        else if (key == "Icon") values.icon.Set(value);
        break;
      default: break;
    }
  }
  return anyGroup && start == kMainGroup;
}

// A value as a string: valid UTF-8, its escapes (\s \n \t \r \\) undone into `out`; false for a
// missing value or one that is no UTF-8. As the reader hands values out: any other backslash
// stays with the character after it, and a backslash at the end goes. The answer is `raw` itself
// when it holds no backslash.
bool StringValue(const RawValue& raw, std::string& out, std::string_view& value) {
  if (!raw.present || !IsUtf8(raw.text)) return false;
  if (!std::memchr(raw.text.data(), '\\', raw.text.size())) {
    value = raw.text;
    return true;
  }
  out.clear();
  for (std::size_t i = 0; i < raw.text.size(); ++i) {
    char c = raw.text[i];
    if (c == '\\') {
      if (++i == raw.text.size()) break;
      switch (raw.text[i]) {
        case 's': c = ' '; break;
        case 'n': c = '\n'; break;
        case 't': c = '\t'; break;
        case 'r': c = '\r'; break;
        case '\\': c = '\\'; break;
        default: out += '\\', c = raw.text[i];
      }
    }
    out += c;
  }
  value = out;
  return true;
}

// Whether `command` is a command line by the shell-like rules launchers split Exec with
// (g_shell_parse_argv), and its first word into `first` when given: words separated by unquoted
// blanks (space, tab, newline); single quotes taking everything to the next one; double quotes in
// which a backslash escapes only " \ ` $ and newline; outside quotes a backslash escapes any
// character and drops a newline; a '#' at the start or after a space or newline begins a comment
// to the line's end. Broken quoting, a backslash or '#' as the last character, or no word at all
// is no command line.
bool FirstShellWord(std::string_view command, std::string* first) {
  const std::size_t n = command.size();
  if (first) first->clear();
  std::size_t words = 0;
  bool inWord = false;
  auto emit = [&](char c) {
    if (first && words == 0) *first += c;
  };
  std::size_t i = 0;
  while (i < n) {
    const char c = command[i];
    if (c == ' ' || c == '\t' || c == '\n') {
      if (inWord) ++words, inWord = false;
      ++i;
      continue;
    }
    if (c == '#' && (i == 0 || command[i - 1] == ' ' || command[i - 1] == '\n')) {
      if (i + 1 == n) return false;
      const std::size_t newline = command.find('\n', i + 1);
      if (newline == std::string_view::npos) break;
      i = newline + 1;  // the newline ends the comment, not the word
      continue;
    }
    if (c == '\\') {
      if (i + 1 == n) return false;
      if (command[i + 1] != '\n') {
        inWord = true;
        emit(command[i + 1]);
      }
      i += 2;
      continue;
    }
    inWord = true;
    if (c == '\'') {
      const std::size_t close = command.find('\'', i + 1);
      if (close == std::string_view::npos) return false;
      if (first && words == 0) first->append(command.substr(i + 1, close - i - 1));
      i = close + 1;
      continue;
    }
    if (c == '"') {
      std::size_t k = i + 1;
      while (true) {
        if (k == n) return false;
        const char q = command[k];
        if (q == '"') break;
        if (q == '\\' && k + 1 < n) {
          const char next = command[k + 1];
          if (next == '"' || next == '\\' || next == '`' || next == '$' || next == '\n') {
            emit(next);
            k += 2;
            continue;
          }
        }
        emit(q);
        ++k;
      }
      i = k + 1;
      continue;
    }
    // Ordinary characters, as one run.
    std::size_t run = i;
    while (run < n && command[run] != ' ' && command[run] != '\t' && command[run] != '\n' &&
           command[run] != '\\' && command[run] != '\'' && command[run] != '"' &&
           command[run] != '#')
      ++run;
    if (run == i) run = i + 1;  // a '#' inside a word is its own
    if (first && words == 0) first->append(command.substr(i, run - i));
    i = run;
  }
  if (inWord) ++words;
  return words > 0;
}

// Single quotes around a text, each quote in it closed, escaped and opened again (g_shell_quote).
void AppendShellQuoted(std::string& out, std::string_view text) {
  out += '\'';
  for (char c : text) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  out += '\'';
}

// Scratch storage kept from entry to entry, so that reading entries allocates nothing once warm.
struct Scratch {
  std::string exec, name, icon, expanded;
};
Scratch& ScratchStorage() {
  thread_local Scratch scratch;
  return scratch;
}

// The program a launcher runs for Type=Application: the Exec value's field codes expanded as the
// launcher expands them with no file to open (%f %F %u %U and unknown codes give nothing, %% a
// percent sign, %c the Name, %k the entry's own path and %i "--icon" with the Icon, each quoted
// as one word), then the first word of what that gives. The value must be a command line before
// the expansion too (a launcher does not load the entry otherwise).
bool ApplicationProgram(const MainValues& values, std::string_view entryPath,
                        std::string& program) {
  Scratch& scratch = ScratchStorage();
  std::string_view exec;
  if (!StringValue(values.exec, scratch.exec, exec) || exec.empty()) return false;
  if (exec.find('%') == std::string_view::npos) return FirstShellWord(exec, &program);
  if (!FirstShellWord(exec, nullptr)) return false;
  std::string& expanded = scratch.expanded;
  expanded.clear();
  for (std::size_t i = 0; i < exec.size(); ++i) {
    if (exec[i] != '%' || i + 1 == exec.size()) {
      expanded += exec[i];
      continue;
    }
    const char code = exec[++i];
    std::string_view text;
    switch (code) {
      case '%': expanded += '%'; break;
      case 'c':
        if (StringValue(values.name, scratch.name, text)) AppendShellQuoted(expanded, text);
        break;
      case 'k':
        if (!entryPath.empty()) AppendShellQuoted(expanded, entryPath);
        break;
      case 'i':
        if (StringValue(values.icon, scratch.icon, text)) {
          // A themed icon's name loses a file suffix written by mistake.
          const std::size_t dot = text.rfind('.');
          if (!text.empty() && text.front() != '/' && dot != std::string_view::npos) {
            const std::string_view suffix = text.substr(dot);
            if (suffix == ".png" || suffix == ".xpm" || suffix == ".svg") text.remove_suffix(4);
          }
          expanded += "--icon ";
          AppendShellQuoted(expanded, text);
        }
        break;
      default: break;  // files to open (none), deprecated and unknown codes
    }
  }
  return FirstShellWord(expanded, &program);
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

namespace {

// Percent-decoding of a URI part; nothing when a '%' has no two hex digits after it or decodes to
// NUL or '/' (which would change what the part names).
bool Unescape(std::string_view part, std::string& out) {
  out.clear();
  out.reserve(part.size());
  for (std::size_t i = 0; i < part.size(); ++i) {
    if (part[i] != '%') {
      out += part[i];
      continue;
    }
    if (part.size() - i < 3) return false;
    const int hi = HexValue(part[i + 1]), lo = HexValue(part[i + 2]);
    if (hi < 0 || lo < 0) return false;
    const char c = static_cast<char>(hi * 16 + lo);
    if (c == '\0' || c == '/') return false;
    out += c;
    i += 2;
  }
  return true;
}

}  // namespace

std::optional<std::string> FileUrlPath(std::string_view url) {
  // file:/path, file:///path, or file://host/path with the host this machine.
  if (url.size() < 6 || !EqualsNoCase(url.substr(0, 6), "file:/")) return std::nullopt;
  if (url.find('#') != std::string_view::npos) return std::nullopt;
  url.remove_prefix(5);
  if (url.substr(0, 3) == "///") {
    url.remove_prefix(2);
  } else if (url.substr(0, 2) == "//") {
    url.remove_prefix(2);
    const std::size_t slash = url.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    if (!EqualsNoCase(url.substr(0, slash), "localhost")) return std::nullopt;
    url.remove_prefix(slash);
  }
  std::string path;
  if (!Unescape(url, path)) return std::nullopt;
  return path;
}

std::optional<std::string> DesktopEntryTarget(std::string_view text, std::string_view entryPath) {
  std::string target;
  if (!DesktopEntryTarget(text, entryPath, target)) return std::nullopt;
  return target;
}

bool DesktopEntryTarget(std::string_view text, std::string_view entryPath, std::string& target) {
  MainValues values;
  if (!ReadMainValues(text, values)) return false;
  std::string_view type;
  std::string& scratch = ScratchStorage().name;
  if (!StringValue(values.type, scratch, type)) return false;
  if (type == "Application") return ApplicationProgram(values, entryPath, target);
  if (type != "Link") return false;
  std::string_view url;
  if (!StringValue(values.url, scratch, url)) return false;
  auto path = FileUrlPath(url);
  if (path) target = std::move(*path);
  return path.has_value();
}

std::string ExecArgumentForEntry(std::string_view argument) {
  bool quote = argument.empty() || argument.find_first_of(kReserved) != std::string_view::npos;
  for (char c : argument) quote = quote || c == ' ' || IsAsciiControl(c);
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
