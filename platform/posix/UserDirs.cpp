#include "platform/posix/UserDirs.h"

namespace vx::posix {

namespace {

constexpr std::string_view kDesktopKey = "XDG_DESKTOP_DIR";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Whether "$" followed by c expands in sh: a name, a positional or special parameter, ${...} or
// $(...).
bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool StartsExpansion(char c) {
  return IsNameCharacter(c) || std::string_view("{(@*#?-$!").find(c) != std::string_view::npos;
}

void SkipBlanks(std::string_view& s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
}

// One line of the file: the folder it names, relative to home or absolute.
struct Setting {
  bool underHome = false;
  std::string path;
};

std::optional<Setting> ParseLine(std::string_view line) {
  SkipBlanks(line);
  if (line.substr(0, kDesktopKey.size()) != kDesktopKey) return std::nullopt;
  line.remove_prefix(kDesktopKey.size());
  SkipBlanks(line);
  if (line.empty() || line.front() != '=') return std::nullopt;
  line.remove_prefix(1);
  SkipBlanks(line);
  if (line.empty() || line.front() != '"') return std::nullopt;
  line.remove_prefix(1);
  Setting setting;
  if (line.substr(0, 5) == "$HOME") {
    setting.underHome = true;
    line.remove_prefix(5);
    // "$HOMEX" is another variable, not the home folder.
    if (!line.empty() && IsNameCharacter(line.front())) return std::nullopt;
  } else if (line.empty() || line.front() != '/') {
    return std::nullopt;
  }
  // Inside double quotes, as sh reads them: a backslash escapes only $ ` " \ (and a newline,
  // which a line cannot hold); before anything else it stays. A $ that starts an expansion, or a
  // backquote, would make sh read something this reader cannot know: the line is passed over.
  bool closed = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') {
      closed = true;
      line.remove_prefix(i + 1);
      break;
    }
    if (c == '`') return std::nullopt;
    if (c == '$' && i + 1 < line.size() && StartsExpansion(line[i + 1])) return std::nullopt;
    if (c == '\\' && i + 1 < line.size() && std::string_view("$`\"\\").find(line[i + 1]) !=
                                                 std::string_view::npos)
      c = line[++i];
    setting.path += c;
  }
  if (!closed) return std::nullopt;
  // After the closing quote: blanks, then a comment or nothing. Anything else would be joined to the
  // value, or make the line a command with the setting for it alone.
  SkipBlanks(line);
  if (!line.empty() && line.front() != '#') return std::nullopt;
  // A NUL or another control character names no folder anyone made on purpose.
  for (char c : setting.path)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return std::nullopt;
  return setting;
}

}  // namespace

std::string DesktopFolder(const std::optional<std::string>& userDirsText, std::string_view home) {
  std::optional<Setting> found;
  if (userDirsText) {
    std::string_view text = *userDirsText;
    while (!text.empty()) {
      std::size_t eol = text.find('\n');
      std::string_view line = text.substr(0, eol);
      text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      std::string_view probe = line;
      SkipBlanks(probe);
      if (!probe.empty() && probe.front() == '#') continue;
      if (auto setting = ParseLine(line)) found = std::move(setting);
    }
  }
  if (!found) found = Setting{true, "/Desktop"};
  if (found->underHome && home.empty()) return "";
  return WithoutExtraSeparators(found->underHome ? std::string(home) + found->path : found->path);
}

std::string WithoutExtraSeparators(std::string_view path) {
  std::string out;
  for (char c : path)
    if (c != '/' || out.empty() || out.back() != '/') out += c;
  if (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

}  // namespace vx::posix
