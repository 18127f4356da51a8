// The administrator's list of base ports (see panel/PortAllowList.h) as the system has it: the file
// ports.allow in the program's own folder, the folder found from the running image itself
// (/proc/self/exe), never from the environment.
#pragma once

#include <string>

namespace vx::posix {

struct AllowListFile {
  std::string path;            // the file's path; "" when the program's folder is not known
  bool exists = false;         // there is a file (or something else) at path
  std::string error;           // why it could not be read, or "" (a non-regular file included)
  unsigned owner = 0, mode = 0;              // the file's, when read
  unsigned folderOwner = 0, folderMode = 0;  // its folder's
  std::string text;
};

// Reads the list without following a link in its last part and without blocking; at most 64 KB.
AllowListFile ReadAllowListFile(const char* name);

}  // namespace vx::posix
