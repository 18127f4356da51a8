#include "platform/posix/shortcuts/LinkPath.h"

#include <vector>

namespace vx::posix {

std::optional<std::string> AbsoluteLinkTarget(std::string_view folder, std::string_view linkText) {
  if (linkText.empty()) return std::nullopt;
  std::vector<std::string_view> parts;
  auto walk = [&parts](std::string_view path) {
    while (!path.empty()) {
      std::size_t slash = path.find('/');
      std::string_view part = path.substr(0, slash);
      path.remove_prefix(slash == std::string_view::npos ? path.size() : slash + 1);
      if (part.empty() || part == ".") continue;
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
        continue;
      }
      parts.push_back(part);
    }
  };
  if (linkText.front() != '/') walk(folder);
  walk(linkText);
  std::string path;
  for (auto part : parts) {
    path += '/';
    path += part;
  }
  return path.empty() ? std::string("/") : path;
}

std::string_view FolderOf(std::string_view path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  if (slash == 0) return path.substr(0, 1);
  return path.substr(0, slash);
}

}  // namespace vx::posix
