// Folders the POSIX stand-ins keep their files in, from the XDG environment variables.
#pragma once

#include <string>

namespace vx::posix {

// $XDG_CONFIG_HOME, or $HOME/.config when it is unset or empty.
std::string ConfigHome();
// $XDG_STATE_HOME, or $HOME/.local/state.
std::string StateHome();
// $HOME, or the account's home folder when HOME is unset or empty.
std::string Home();

}  // namespace vx::posix
