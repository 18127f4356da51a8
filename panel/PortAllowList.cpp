#include "panel/PortAllowList.h"

#include <algorithm>

#include "panel/PanelSettings.h"

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

int Digit(char c, unsigned radix) {
  int d = -1;
  if (c >= '0' && c <= '9') d = c - '0';
  else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
  return d >= 0 && static_cast<unsigned>(d) < radix ? d : -1;
}

// One line: nothing, a comment, or one base with an optional comment. Answers false for anything
// else; *found tells whether the line held a base.
bool ParseLine(std::string_view line, bool* found, std::uint32_t* base) {
  *found = false;
  std::size_t i = 0;
  while (i < line.size() && Blank(line[i])) ++i;
  if (i == line.size() || line[i] == '#') return true;
  unsigned radix = 10;
  if (line.size() - i > 2 && line[i] == '0' && (line[i + 1] == 'x' || line[i + 1] == 'X')) {
    radix = 16;
    i += 2;
  }
  std::uint32_t value = 0;
  std::size_t digits = 0;
  for (int d; i < line.size() && (d = Digit(line[i], radix)) >= 0; ++i, ++digits) {
    value = value * radix + static_cast<std::uint32_t>(d);
    if (value > kHighestAllowedBase) return false;
  }
  if (digits == 0) return false;
  while (i < line.size() && Blank(line[i])) ++i;
  if (i < line.size() && line[i] != '#') return false;
  *found = true;
  *base = value;
  return true;
}

}  // namespace

AllowList ParseAllowList(std::string_view text) {
  AllowList list;
  unsigned number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++number;
    bool found = false;
    std::uint32_t base = 0;
    if (!ParseLine(line, &found, &base)) {
      list.ok = false;
      list.badLine = number;
      list.bases.clear();
      return list;
    }
    if (found) list.bases.push_back(base);
  }
  return list;
}

AllowList DefaultAllowList() {
  AllowList list;
  list.bases.push_back(PanelSettings{}.Port);
  return list;
}

bool Allows(const AllowList& list, std::uint32_t base) {
  return list.ok && std::find(list.bases.begin(), list.bases.end(), base) != list.bases.end();
}

std::string UntrustedBecause(unsigned owner, unsigned mode) {
  if (owner != 0) return "it does not belong to root";
  if (mode & 022) return "group or others may write it";
  return {};
}
