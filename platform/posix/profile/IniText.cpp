#include "platform/posix/profile/IniText.h"

namespace vx::posix {

namespace {

struct Line {
  std::string_view body;  // without its line end
  std::string_view end;   // "\n", "\r\n", "\r" or "" for a last line without one
};

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The UTF-8 byte-order mark an editor may put before the first line; "" when there is none.
std::string_view MarkOf(std::string_view text) {
  return text.substr(0, 3) == kByteOrderMark ? kByteOrderMark : std::string_view();
}

// The lines after the byte-order mark. LF, CRLF and a lone CR each end a line.
std::vector<Line> SplitLines(std::string_view text) {
  text.remove_prefix(MarkOf(text).size());
  std::vector<Line> lines;
  while (!text.empty()) {
    std::size_t eol = text.find_first_of("\r\n");
    if (eol == std::string_view::npos) {
      lines.push_back({text, {}});
      break;
    }
    std::size_t endSize = text.compare(eol, 2, "\r\n") == 0 ? 2 : 1;
    lines.push_back({text.substr(0, eol), text.substr(eol, endSize)});
    text.remove_prefix(eol + endSize);
  }
  return lines;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

// The section name of a header line; nothing for other lines.
std::optional<std::string_view> HeaderName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  std::size_t close = line.rfind(']');
  if (close == std::string_view::npos || close == 0) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

enum class Kind { kBlank, kComment, kEntry };

Kind KindOf(std::string_view line) {
  line = Trim(line);
  if (line.empty()) return Kind::kBlank;
  if (line.front() == ';') return Kind::kComment;
  return Kind::kEntry;
}

// [first, last) lines of the section's body; first is the line after the header.
struct Range {
  std::size_t header, first, last;
};

// The first section of that name at or after line `from`.
std::optional<Range> FindSection(const std::vector<Line>& lines, std::string_view section,
                                 std::size_t from = 0) {
  for (std::size_t i = from; i < lines.size(); ++i) {
    auto name = HeaderName(lines[i].body);
    if (!name || !EqualNoCase(*name, Trim(section))) continue;
    std::size_t end = i + 1;
    while (end < lines.size() && !HeaderName(lines[end].body)) ++end;
    return Range{i, i + 1, end};
  }
  return std::nullopt;
}

std::string EntryText(std::string_view line) {
  line = Trim(line);
  std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::string(line);
  std::string entry(Trim(line.substr(0, eq)));
  entry += '=';
  entry += Trim(line.substr(eq + 1));
  return entry;
}

bool BreaksLines(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool BlankAtAnEnd(std::string_view s) { return !s.empty() && (IsBlank(s.front()) || IsBlank(s.back())); }

}  // namespace

bool IniEntryFits(std::string_view entry) {
  const std::size_t eq = entry.find('=');
  if (eq == std::string_view::npos || BreaksLines(entry)) return false;
  if (BlankAtAnEnd(entry.substr(0, eq)) || BlankAtAnEnd(entry.substr(eq + 1))) return false;
  // Read back as an entry: not a comment, not a header ("[a]=b" is the section "a").
  return KindOf(entry) == Kind::kEntry && !HeaderName(entry);
}

bool EntryLineHandsBack(std::string_view line) {
  // The key is read trimmed, which keeps its meaning; the value must stand as it will be written.
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  std::string entry(Trim(line.substr(0, eq)));
  entry += line.substr(eq);
  return IniEntryFits(entry);
}

std::vector<std::string> ReadIniSection(std::string_view text, std::string_view section,
                                        Sections which) {
  std::vector<std::string> entries = ReadIniSectionLines(text, section, which);
  for (auto& entry : entries) entry = EntryText(entry);
  return entries;
}

std::vector<std::string> ReadIniSectionLines(std::string_view text, std::string_view section,
                                             Sections which) {
  std::vector<std::string> bodies;
  auto lines = SplitLines(text);
  for (auto range = FindSection(lines, section); range;
       range = which == Sections::kEvery ? FindSection(lines, section, range->last)
                                         : std::nullopt) {
    for (std::size_t i = range->first; i < range->last; ++i)
      if (KindOf(lines[i].body) == Kind::kEntry) bodies.emplace_back(lines[i].body);
  }
  return bodies;
}

bool HasIniSection(std::string_view text, std::string_view section) {
  return FindSection(SplitLines(text), section).has_value();
}

namespace {

// A line of the text being written: a kept line with its own end, or a new one.
struct OutLine {
  std::string_view body, end;
  bool written;
};

// The lines joined. A kept last line without a line end gets `eol` only when something follows
// it. A lone CR followed by a line that begins with its LF would read as one CRLF, merging two
// lines: a new line takes CRLF instead of its CR there, and a blank LF line coming after a lone CR
// (kept lines that were apart, or the blank line before an appended section) takes CRLF.
std::string Join(std::string_view mark, const std::vector<OutLine>& lines, std::string_view eol) {
  std::string out(mark);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const OutLine& line = lines[i];
    const bool last = i + 1 == lines.size();
    std::string_view end = line.end.empty() && !last ? eol : line.end;
    const bool nextIsLf = !last && lines[i + 1].body.empty() && lines[i + 1].end == "\n";
    if (line.written && end == "\r" && nextIsLf) end = "\r\n";
    if (line.body.empty() && end == "\n" && !out.empty() && out.back() == '\r') end = "\r\n";
    out += line.body;
    out += end;
  }
  return out;
}

}  // namespace

std::optional<std::string> ReplaceIniSection(std::string_view text, std::string_view section,
                                             const std::vector<std::string>& entries) {
  if (BreaksLines(section) || section.find(']') != std::string_view::npos || Trim(section).empty())
    return std::nullopt;
  for (const auto& entry : entries)
    if (!IniEntryFits(entry)) return std::nullopt;

  auto lines = SplitLines(text);
  std::string_view eol = "\n";
  for (const auto& line : lines) {
    if (!line.end.empty()) {
      eol = line.end;
      break;
    }
  }

  std::vector<OutLine> out;
  out.reserve(lines.size() + entries.size() + 2);
  auto keep = [&](const Line& line) { out.push_back({line.body, line.end, false}); };
  auto add = [&](std::string_view body) { out.push_back({body, eol, true}); };

  auto range = FindSection(lines, section);
  // The old entries are written again only as the caller read them: one that the read could not
  // hand back exactly would come back changed, or not at all.
  for (std::size_t i = range ? range->first : 0; range && i < range->last; ++i)
    if (KindOf(lines[i].body) == Kind::kEntry && !EntryLineHandsBack(lines[i].body))
      return std::nullopt;
  if (!range) {
    const std::string header = "[" + std::string(Trim(section)) + "]";
    for (const auto& line : lines) keep(line);
    if (!lines.empty() && KindOf(lines.back().body) != Kind::kBlank) add("");
    add(header);
    for (const auto& entry : entries) add(entry);
    return Join(MarkOf(text), out, eol);
  }

  // Old entries span [firstEntry, lastEntry]; without any, the new ones go after the last line
  // that is not blank, so that blank lines before the next section stay where they are.
  std::size_t firstEntry = range->last, lastEntry = range->first;
  bool any = false;
  for (std::size_t i = range->first; i < range->last; ++i) {
    if (KindOf(lines[i].body) != Kind::kEntry) continue;
    if (!any) firstEntry = i;
    lastEntry = i;
    any = true;
  }
  if (!any) {
    firstEntry = range->first;
    for (std::size_t i = range->first; i < range->last; ++i)
      if (KindOf(lines[i].body) != Kind::kBlank) firstEntry = i + 1;
    lastEntry = firstEntry;  // empty span: [firstEntry, firstEntry)
  } else {
    ++lastEntry;  // make the span half-open
  }

  for (std::size_t i = 0; i < firstEntry; ++i) keep(lines[i]);
  for (std::size_t i = firstEntry; i < lastEntry; ++i)
    if (KindOf(lines[i].body) != Kind::kEntry) keep(lines[i]);
  for (const auto& entry : entries) add(entry);
  for (std::size_t i = lastEntry; i < lines.size(); ++i) keep(lines[i]);
  return Join(MarkOf(text), out, eol);
}

}  // namespace vx::posix
