#include "platform/posix/registry/RegText.h"

#include <algorithm>
#include <cstdio>

namespace vx::posix {

namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kClassPrefix = ";Class=";
constexpr std::string_view kUnreadablePrefix = "; unreadable: ";
constexpr std::size_t kHexLineWidth = 76;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// 1 to 8 hex digits, nothing else.
bool ParseHexNumber(std::string_view s, std::uint32_t* out) {
  if (s.empty() || s.size() > 8) return false;
  std::uint32_t v = 0;
  for (char c : s) {
    const int d = HexDigit(c);
    if (d < 0) return false;
    v = (v << 4) | static_cast<std::uint32_t>(d);
  }
  *out = v;
  return true;
}

// "01,02,ab" (white space allowed around each byte, a trailing comma tolerated) -> bytes.
bool ParseHexList(std::string_view s, std::vector<std::uint8_t>* out) {
  out->clear();
  s = TrimRight(TrimLeft(s));
  if (s.empty()) return true;
  while (true) {
    const std::size_t comma = s.find(',');
    const std::string_view token = TrimRight(TrimLeft(s.substr(0, comma)));
    std::uint32_t v = 0;
    if (token.size() > 2 || !ParseHexNumber(token, &v)) return false;
    out->push_back(static_cast<std::uint8_t>(v));
    if (comma == std::string_view::npos) return true;
    s = s.substr(comma + 1);
    if (TrimLeft(s).empty()) return true;  // "01,02," as some editors leave it
  }
}

// A quoted string at the start of s: "..." with \\ and \" escapes; any other backslash stands for
// itself. Answers the position after the closing quote, or npos.
std::size_t ParseQuoted(std::string_view s, std::string* out) {
  out->clear();
  if (s.empty() || s[0] != '"') return std::string_view::npos;
  for (std::size_t i = 1; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"') return i + 1;
    if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
      out->push_back(s[++i]);
      continue;
    }
    out->push_back(c);
  }
  return std::string_view::npos;
}

void AppendQuoted(std::string& out, std::string_view s) {
  out.push_back('"');
  for (char c : s) {
    if (c == '\\' || c == '"') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
}

// A name or string can be written between quotes when it holds no line break and no NUL.
bool Quotable(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

// ;Class="..." standing alone on a (trimmed) line: the class string of the key above.
bool ParseClassLine(std::string_view line, std::string* keyClass) {
  return line.substr(0, kClassPrefix.size()) == kClassPrefix &&
         ParseQuoted(line.substr(kClassPrefix.size()), keyClass) == line.size() - kClassPrefix.size();
}

// A comment line, its bytes kept: the reader takes one CR off before a line's LF, so a comment
// that ends in CR gets one more.
void WriteComment(std::string& out, const std::string& comment) {
  out += comment;
  out += !comment.empty() && comment.back() == '\r' ? "\r\n" : "\n";
}

// The value part after '=': a string, dword:, hex: or hex(N):, the hex list complete.
bool ParseData(std::string_view s, Hive::Value* value) {
  s = TrimRight(TrimLeft(s));
  if (!s.empty() && s[0] == '"') {
    std::string text;
    const std::size_t end = ParseQuoted(s, &text);
    if (end == std::string_view::npos || !TrimLeft(s.substr(end)).empty()) return false;
    value->type = 1;  // REG_SZ, stored with its terminator as RegSetValueEx is given it
    value->data.assign(text.begin(), text.end());
    value->data.push_back(0);
    return true;
  }
  const auto colon = s.find(':');
  if (colon == std::string_view::npos) return false;
  std::string kind(s.substr(0, colon));
  std::transform(kind.begin(), kind.end(), kind.begin(), Lower);
  const std::string_view rest = s.substr(colon + 1);
  if (kind == "dword") {
    std::uint32_t v = 0;
    if (!ParseHexNumber(TrimLeft(rest), &v)) return false;
    value->type = 4;
    value->data = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                   static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    return true;
  }
  std::uint32_t type = 3;  // hex: is REG_BINARY
  if (kind.size() > 5 && kind.compare(0, 4, "hex(") == 0 && kind.back() == ')') {
    if (!ParseHexNumber(std::string_view(kind).substr(4, kind.size() - 5), &type)) return false;
  } else if (kind != "hex") {
    return false;
  }
  value->type = type;
  return ParseHexList(rest, &value->data);
}

// "name"=data or @=data, the data complete. Answers false for anything else.
bool ParseValueLine(std::string_view line, Hive::Value* value) {
  std::string_view rest;
  if (!line.empty() && line[0] == '@') {
    value->name.clear();
    rest = line.substr(1);
  } else {
    const std::size_t end = ParseQuoted(line, &value->name);
    if (end == std::string_view::npos) return false;
    rest = line.substr(end);
  }
  rest = TrimLeft(rest);
  if (rest.empty() || rest[0] != '=') return false;
  return ParseData(rest.substr(1), value);
}

// [path] -> path, when it is a usable key: a root named HKEY_..., no empty part between
// backslashes. Deletion lines ([-HKEY_...]) and anything else answer false.
bool ParseKeyLine(std::string_view line, std::string* path) {
  const std::size_t close = line.rfind(']');
  if (line.empty() || line[0] != '[' || close == std::string_view::npos) return false;
  if (!TrimLeft(line.substr(close + 1)).empty()) return false;
  const std::string_view p = line.substr(1, close - 1);
  if (p.size() < 5 || !SameName(p.substr(0, 5), "HKEY_")) return false;
  if (p.back() == '\\' || p.find("\\\\") != std::string_view::npos) return false;
  path->assign(p);
  return true;
}

bool StartsWithPath(std::string_view path, std::string_view prefix) {
  return path.size() > prefix.size() && path[prefix.size()] == '\\' &&
         SameName(path.substr(0, prefix.size()), prefix);
}

void WriteValue(std::string& out, const Hive::Value& v) {
  std::string line;
  if (v.name.empty())
    line = "@";
  else
    AppendQuoted(line, v.name);
  line.push_back('=');
  const auto& d = v.data;
  const bool plainString = v.type == 1 && !d.empty() && d.back() == 0 &&
                           Quotable(std::string_view(reinterpret_cast<const char*>(d.data()),
                                                     d.size() - 1));
  if (plainString) {
    AppendQuoted(line, std::string_view(reinterpret_cast<const char*>(d.data()), d.size() - 1));
    out += line;
    out.push_back('\n');
    return;
  }
  char buf[32];
  if (v.type == 4 && d.size() == 4) {
    const std::uint32_t n = static_cast<std::uint32_t>(d[0]) | static_cast<std::uint32_t>(d[1]) << 8 |
                            static_cast<std::uint32_t>(d[2]) << 16 |
                            static_cast<std::uint32_t>(d[3]) << 24;
    std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(n));
    out += line;
    out += buf;
    out.push_back('\n');
    return;
  }
  if (v.type == 3) {
    line += "hex:";
  } else {
    std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(v.type));
    line += buf;
  }
  for (std::size_t i = 0; i < d.size(); ++i) {
    // Long lists continue after ",\" on a line indented by two spaces, as regedit wraps them.
    if (i > 0 && line.size() + 3 > kHexLineWidth) {
      out += line;
      out += "\\\n";
      line = "  ";
    }
    std::snprintf(buf, sizeof buf, i + 1 < d.size() ? "%02x," : "%02x", d[i]);
    line += buf;
  }
  out += line;
  out.push_back('\n');
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

Hive::ParseResult Hive::Parse(std::string_view text) {
  ParseResult result;
  m_preamble.clear();
  m_keys.clear();
  if (text.find('\0') != std::string_view::npos) {
    result.whyNot = "it holds binary data";
    return result;
  }
  if (TrimRight(TrimLeft(text)).find_first_not_of("\n\r\t ") == std::string_view::npos) {
    result.readable = true;  // an empty file: an empty hive, nothing to lose
    return result;
  }

  // One line at a time, by what the line is and where it stands.
  enum class State {
    kHeader,        // the first line must be REGEDIT4
    kPreamble,      // before the first key line
    kKey,           // under a key line
    kKeyFirstLine,  // directly under a key line, where its class line stands
    kUnreadableKey, // under a key line that cannot be read: its values are kept as comments
    kContinued,     // inside a hex list continued with ",\"
  };
  State state = State::kHeader;
  State afterContinued = State::kKey;
  std::string pending;                   // a continued value's text so far, continuations joined
  std::vector<std::string> pendingRaw;   // and its lines as they stood
  std::size_t pendingLine = 0;
  Key* key = nullptr;

  auto keepUnreadable = [&](std::size_t number, std::string_view raw) {
    result.problems.push_back({number, std::string(raw)});
    std::string comment(kUnreadablePrefix);
    comment += raw;
    if (key)
      key->lines.push_back({false, {}, std::move(comment)});
    else
      m_preamble.push_back(std::move(comment));
  };
  auto addValue = [&](Value v) {
    // A name that stands twice: the later line wins, as an import applies them in order.
    for (auto& l : key->lines)
      if (l.isValue && SameName(l.value.name, v.name)) {
        l.value = std::move(v);
        return;
      }
    key->lines.push_back({true, std::move(v), {}});
  };
  auto finishValue = [&](std::string_view body, std::size_t number,
                         const std::vector<std::string>& raw) {
    Value v;
    if (ParseValueLine(body, &v)) {
      addValue(std::move(v));
    } else {
      for (std::size_t i = 0; i < raw.size(); ++i) keepUnreadable(number + i, raw[i]);
    }
  };

  std::size_t number = 0;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) nl = text.size();
    std::string_view raw = text.substr(pos, nl - pos);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    const bool last = nl >= text.size();
    pos = nl + 1;
    ++number;
    if (last && raw.empty()) break;
    const std::string_view line = TrimRight(TrimLeft(raw));

    if (state == State::kHeader) {
      if (line.empty()) continue;
      std::string_view first = line;
      if (first.substr(0, 3) == "\xEF\xBB\xBF") first.remove_prefix(3);  // a UTF-8 mark
      if (first != kHeader) {
        result.whyNot = "its first line is not REGEDIT4";
        m_preamble.clear();
        return result;
      }
      state = State::kPreamble;
      continue;
    }

    if (state == State::kContinued) {
      // A line that starts something else ends the list unfinished: the value is unreadable and
      // the line is read for what it is.
      const bool broken = line.empty() || line[0] == '[' || line[0] == '"' || line[0] == '@' ||
                          line[0] == ';';
      if (!broken) pendingRaw.emplace_back(raw);
      const bool more = !broken && line.back() == '\\';
      if (!broken) pending += more ? line.substr(0, line.size() - 1) : line;
      if (more && !last) continue;
      state = afterContinued;
      if (state == State::kUnreadableKey || broken || more) {
        for (std::size_t i = 0; i < pendingRaw.size(); ++i)
          keepUnreadable(pendingLine + i, pendingRaw[i]);
      } else {
        finishValue(pending, pendingLine, pendingRaw);
      }
      if (!broken) continue;
    }

    if (line.empty()) {
      if (state == State::kKeyFirstLine) state = State::kKey;
      continue;
    }
    if (line[0] == '[') {
      std::string path;
      if (ParseKeyLine(line, &path)) {
        key = FindMutable(path);  // a key that stands twice gathers its values in one place
        if (!key) {
          m_keys.push_back({path, {}, {}});
          key = &m_keys.back();
        }
        state = State::kKeyFirstLine;
      } else {
        keepUnreadable(number, raw);
        state = State::kUnreadableKey;
      }
      continue;
    }
    if (line[0] == ';') {
      std::string keyClass;
      if (state == State::kKeyFirstLine && ParseClassLine(line, &keyClass)) {
        key->keyClass = std::move(keyClass);
      } else if (key) {
        key->lines.push_back({false, {}, std::string(raw)});
      } else {
        m_preamble.emplace_back(raw);
      }
      if (state == State::kKeyFirstLine) state = State::kKey;
      continue;
    }
    if (state == State::kKeyFirstLine) state = State::kKey;

    // A value line; a hex list may go on over the next lines.
    if (!last && line.size() >= 2 && line.back() == '\\' &&
        (line[line.size() - 2] == ',' || line[line.size() - 2] == ':')) {
      afterContinued = (state == State::kKey) ? State::kKey : State::kUnreadableKey;
      state = State::kContinued;
      pending.assign(line.substr(0, line.size() - 1));
      pendingRaw.assign(1, std::string(raw));
      pendingLine = number;
      continue;
    }
    if (state == State::kKey)
      finishValue(line, number, {std::string(raw)});
    else
      keepUnreadable(number, raw);  // a value before any key, or under an unreadable key line
  }
  result.readable = true;
  return result;
}

std::string Hive::Write() const {
  std::string out(kHeader);
  out += "\n\n";
  for (const auto& c : m_preamble) WriteComment(out, c);
  if (!m_preamble.empty()) out.push_back('\n');
  for (const auto& k : m_keys) {
    out.push_back('[');
    out += k.path;
    out += "]\n";
    std::string ignored;
    if (!k.keyClass.empty()) {
      out += kClassPrefix;
      AppendQuoted(out, k.keyClass);
      out.push_back('\n');
    } else if (!k.lines.empty() && !k.lines.front().isValue &&
               ParseClassLine(TrimRight(TrimLeft(k.lines.front().comment)), &ignored)) {
      // A comment that reads like a class line stays a comment: a blank line keeps it apart.
      out.push_back('\n');
    }
    for (const auto& l : k.lines) {
      if (l.isValue)
        WriteValue(out, l.value);
      else
        WriteComment(out, l.comment);
    }
    out.push_back('\n');
  }
  return out;
}

Hive::Key* Hive::FindMutable(std::string_view path) {
  for (auto& k : m_keys)
    if (SameName(k.path, path)) return &k;
  return nullptr;
}

const Hive::Key* Hive::Find(std::string_view path) const {
  return const_cast<Hive*>(this)->FindMutable(path);
}

bool Hive::Exists(std::string_view path) const {
  for (const auto& k : m_keys)
    if (SameName(k.path, path) || StartsWithPath(k.path, path)) return true;
  return false;
}

Hive::Key& Hive::Create(std::string_view path, std::string_view keyClass) {
  if (Key* k = FindMutable(path)) return *k;
  // Spell each part as the longest existing parent spells it.
  std::string spelt(path);
  std::size_t known = 0;
  for (const auto& k : m_keys) {
    for (std::size_t end = std::min(k.path.size(), path.size()); end > known; --end) {
      const bool boundary = (end == path.size() || path[end] == '\\') &&
                            (end == k.path.size() || k.path[end] == '\\');
      if (boundary && SameName(std::string_view(k.path).substr(0, end), path.substr(0, end))) {
        spelt.replace(0, end, k.path, 0, end);
        known = end;
        break;
      }
    }
  }
  m_keys.push_back({std::move(spelt), std::string(keyClass), {}});
  return m_keys.back();
}

void Hive::SetValue(std::string_view path, Value value) {
  Key& key = Create(path, {});
  for (auto& l : key.lines)
    if (l.isValue && SameName(l.value.name, value.name)) {
      std::string name = std::move(l.value.name);  // the name keeps its first spelling
      l.value = std::move(value);
      l.value.name = std::move(name);
      return;
    }
  key.lines.push_back({true, std::move(value), {}});
}

bool Hive::Delete(std::string_view path) {
  const auto before = m_keys.size();
  const bool existed = Exists(path);
  m_keys.erase(std::remove_if(m_keys.begin(), m_keys.end(),
                              [&](const Key& k) {
                                return SameName(k.path, path) || StartsWithPath(k.path, path);
                              }),
               m_keys.end());
  return existed || m_keys.size() != before;
}

const Hive::Value* Hive::FindValue(const Key& key, std::string_view name) {
  for (const auto& l : key.lines)
    if (l.isValue && SameName(l.value.name, name)) return &l.value;
  return nullptr;
}

}  // namespace vx::posix
