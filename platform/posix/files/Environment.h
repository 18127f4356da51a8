// Folders the POSIX stand-ins keep their files in, from the XDG environment variables.
#pragma once

#include <string>

namespace vx::posix {

// $XDG_CONFIG_HOME, or $HOME/.config when it is unset or empty.
std::string ConfigHome();
// $XDG_STATE_HOME, or $HOME/.local/state.
std::string StateHome();
// $XDG_DATA_HOME, or $HOME/.local/share: where the user's application menu entries
// (applications/) and icon themes (icons/) live.
std::string DataHome();
// $HOME, or the account's home folder when HOME is unset or empty.
std::string Home();

}  // namespace vx::posix
