#include "platform/posix/shortcuts/LinkPath.h"

namespace vx::posix {

std::optional<std::string> AbsoluteLinkTarget(std::string_view folder, std::string_view linkText) {
  if (linkText.empty()) return std::nullopt;
  if (linkText.front() == '/') return std::string(linkText);
  std::string path(folder);
  if (path.empty() || path.back() != '/') path += '/';
  path += linkText;
  return path;
}

std::string_view FolderOf(std::string_view path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  if (slash == 0) return path.substr(0, 1);
  return path.substr(0, slash);
}

}  // namespace vx::posix
