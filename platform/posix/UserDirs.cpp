#include "platform/posix/UserDirs.h"

namespace vx::posix {

namespace {

constexpr std::string_view kDesktopKey = "XDG_DESKTOP_DIR";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

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
    if (!line.empty() && line.front() != '/' && line.front() != '"') return std::nullopt;
  } else if (line.empty() || line.front() != '/') {
    return std::nullopt;
  }
  bool closed = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') {
      closed = true;
      break;
    }
    if (c == '\\' && i + 1 < line.size()) c = line[++i];
    setting.path += c;
  }
  if (!closed) return std::nullopt;
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
  if (!found->underHome) return found->path;
  if (home.empty()) return "";
  return std::string(home) + found->path;
}

}  // namespace vx::posix
