// The path a symbolic link names, made absolute against the folder that holds the link.
//
// Pure text handling, and no more than joining: the link's text is kept as written after its
// folder, so that "..", "." and links in it are followed as the kernel follows them when the path
// is looked up (".." after a linked folder leads out of the folder the link names, not back to
// where its spelling came from).
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
