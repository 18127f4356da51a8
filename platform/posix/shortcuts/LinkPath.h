// The path a symbolic link names, made absolute against the folder that holds the link.
//
// Pure text handling: "." components and repeated slashes are dropped and ".." takes away the
// component before it, the way the link's text reads from its folder (the sweep never walks
// through linked folders, so the folder path holds no link for ".." to leave by another way).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vx::posix {

// folder must be absolute. No value for an empty link text.
std::optional<std::string> AbsoluteLinkTarget(std::string_view folder, std::string_view linkText);

// The folder part of a path: everything before its last '/' ("/" for a name right under the root,
// "" for a path without '/').
std::string_view FolderOf(std::string_view path);

}  // namespace vx::posix
