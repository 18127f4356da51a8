// registry/: the registry stand-in, hives kept as REGEDIT4 text (FileRegistry, RegText).
//
// The registry on POSIX: two hives kept as REGEDIT4 text files (see RegText.h for the format).
//
// <folder>/user.reg holds HKEY_CURRENT_USER, <folder>/system.reg HKEY_LOCAL_MACHINE. The files are
// read when a key is opened or created (so each handle sees the hive as it was then, together with
// this object's own changes). Changes made through a handle are gathered and written when a handle
// is closed (or when the object ends), the way Windows flushes its hives lazily; DeleteKey is written
// at once. CloseKey and DeleteKey answer the write's status.
//
// Every write takes an exclusive flock on <hive>.lock beside the hive, reads the hive again under
// it, applies this object's changes to what it found (so two programs at once keep each other's
// keys), writes a temporary file <hive>.tmp-XXXXXX in the same folder, fsyncs it, renames it over
// the hive and fsyncs the folder: a crash leaves the old hive or the new one, never a torn one, and
// a save that succeeded survives a power loss. A writer killed before its rename leaves its
// temporary file; the next write removes every such file of the hive, under the lock. Key paths
// with an empty part (a doubled, leading or second trailing backslash) are refused with
// ERROR_BAD_PATHNAME. The folder is created when a key is first created in it.
//
// A hive that is not REGEDIT4 text at all is never overwritten: it is renamed to
// <hive>.damaged-<date>-<time> and the object goes on with an empty hive. A hive that cannot be read
// (a folder in its place, no permission) is left alone and this object does not write it; OpenKey
// answers ERROR_ACCESS_DENIED for its keys, not "missing". Keys are opened with full access, so
// OpenKey also answers ERROR_ACCESS_DENIED for the keys of a system.reg this process may not replace
// (the file read-only, or its folder not writable), as Windows does for HKEY_LOCAL_MACHINE to an
// account without the rights; a read-only user.reg still opens, so the panel keeps loading. Lines of
// a readable hive that are not understood are kept, as comments. Each such problem is told once per
// object through warn, as one line naming the file.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/Registry.h"

namespace vx::posix {

class FileRegistry : public vx::Registry {
 public:
  using Warn = std::function<void(const std::string&)>;

  // folder holds user.reg (HKEY_CURRENT_USER) and system.reg (HKEY_LOCAL_MACHINE).
  FileRegistry(std::string folder, Warn warn);
  ~FileRegistry() override;
  FileRegistry(const FileRegistry&) = delete;
  FileRegistry& operator=(const FileRegistry&) = delete;

  // ${XDG_CONFIG_HOME:-$HOME/.config}/vexmor/registry
  static std::string DefaultFolder();

  Status OpenKey(RegKey root, const char* subKey, RegKey* result) override;
  Status QueryValue(RegKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
  Status CreateKey(RegKey root, const char* subKey, const char* keyClass, RegKey* result) override;
  Status SetValue(RegKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override;
  Status DeleteKey(RegKey root, const char* subKey) override;
  Status CloseKey(RegKey key) override;

 private:
  struct State;
  std::unique_ptr<State> m_state;
};

}  // namespace vx::posix
