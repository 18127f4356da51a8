#include "platform/posix/files/Environment.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace vx::posix {

namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string XdgFolder(const char* name, const char* fallbackUnderHome) {
  std::string value = Variable(name);
  // The XDG rules: a relative path is invalid and is ignored like an unset variable.
  if (!value.empty() && value[0] == '/') return value;
  return Home() + "/" + fallbackUnderHome;
}

}  // namespace

std::string Home() {
  // Without HOME the account's home folder is used, as the C library's own look-ups do, so that
  // nothing ever lands in a folder under "/".
  std::string home = Variable("HOME");
  if (home.empty())
    if (const passwd* account = getpwuid(getuid()); account && account->pw_dir) home = account->pw_dir;
  return home;
}

std::string ConfigHome() { return XdgFolder("XDG_CONFIG_HOME", ".config"); }

std::string StateHome() { return XdgFolder("XDG_STATE_HOME", ".local/state"); }

std::string DataHome() { return XdgFolder("XDG_DATA_HOME", ".local/share"); }

}  // namespace vx::posix
