#include "platform/posix/registry/FileRegistry.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <map>
#include <set>
#include <vector>

#include "platform/posix/files/Environment.h"
#include "platform/posix/files/FileText.h"
#include "platform/posix/registry/RegText.h"

namespace vx::posix {

namespace {

constexpr Status kBadPathname = 161;  // ERROR_BAD_PATHNAME
constexpr Status kDiskFull = 112;     // ERROR_DISK_FULL
constexpr Status kKeyDeleted = 1018;  // ERROR_KEY_DELETED
constexpr RegKey kFirstHandle = 0x1000;
// A hive is a few kilobytes; anything far larger is not one of ours and is left alone.
constexpr off_t kMaxHiveBytes = 16 * 1024 * 1024;

Status FromErrno(int error) {
  switch (error) {
    case 0: return kOk;
    case ENOENT:
    case ENOTDIR: return kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return kAccessDenied;
    case ENAMETOOLONG: return kFilenameTooLong;
    case ENOSPC:
    case EDQUOT: return kDiskFull;
    default: return kCantWrite;
  }
}

std::string ErrorText(int error) { return std::strerror(error); }

struct ReadResult {
  int error = 0;        // 0, or why the file could not be read
  bool missing = false; // no file (or no folder): an empty hive
  std::string text;
};

ReadResult ReadWhole(const std::string& path) {
  ReadResult r;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR)
      r.missing = true;
    else
      r.error = errno;
    return r;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    r.error = errno;
  } else if (!S_ISREG(st.st_mode)) {
    r.error = EISDIR;
  } else if (st.st_size > kMaxHiveBytes) {
    r.error = EFBIG;
  } else {
    char buf[8192];
    while (true) {
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n > 0) {
        r.text.append(buf, static_cast<std::size_t>(n));
        if (r.text.size() > static_cast<std::size_t>(kMaxHiveBytes)) {
          r.error = EFBIG;
          break;
        }
      } else if (n == 0) {
        break;
      } else if (errno != EINTR) {
        r.error = errno;
        break;
      }
    }
  }
  ::close(fd);
  return r;
}

constexpr std::string_view kTempInfix = ".tmp-";
constexpr std::size_t kTempSuffixLength = 6;  // mkostemp's XXXXXX

// Removes the temporary files of the hive that a writer killed before its rename left behind.
// Only under the hive's lock, where no live writer has one.
void RemoveLeftovers(const std::string& path) {
  const std::string folder = FolderOfPath(path);
  const std::string prefix = path.substr(folder.size() + 1) + std::string(kTempInfix);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  bool removed = false;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name.size() == prefix.size() + kTempSuffixLength && name.substr(0, prefix.size()) == prefix)
      removed |= ::unlinkat(::dirfd(dir), entry->d_name, 0) == 0;
  }
  ::closedir(dir);
  if (removed) SyncFolder(folder);
}

// Temporary file beside the target, fsync, rename over it, fsync the folder. Answers 0 or the
// errno of a step up to the rename.
int WriteAtomically(const std::string& path, const std::string& text) {
  std::string temp = path + std::string(kTempInfix) + "XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 07777);  // keep the hive's mode
  int error = 0;
  for (std::size_t done = 0; done < text.size() && !error;) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n >= 0)
      done += static_cast<std::size_t>(n);
    else if (errno != EINTR)
      error = errno;
  }
  if (!error && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && !error) error = errno;
  if (!error && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
  if (error) {
    ::unlink(temp.c_str());
    return error;
  }
  // Renamed: the hive is written, whatever the folder's sync answers.
  SyncFolderAfterRename(FolderOfPath(path));
  return 0;
}

using HiveLock = FileLock;

// One change made through this object, kept until it is written so that it can be applied again
// to the hive as another program may have left it meanwhile.
struct Change {
  enum Kind { kCreate, kSet, kDelete } kind;
  std::string path;
  std::string keyClass;
  Hive::Value value;
};

bool Apply(Hive& hive, const Change& c) {
  switch (c.kind) {
    case Change::kCreate: hive.Create(c.path, c.keyClass); return true;
    case Change::kSet: hive.SetValue(c.path, c.value); return true;
    case Change::kDelete: return hive.Delete(c.path);
  }
  return false;
}

bool NameFits(const char* name) { return !std::strpbrk(name, "\r\n"); }

}  // namespace

struct FileRegistry::State {
  struct HiveFile {
    std::string file;
    std::string root;
    bool loaded = false;
    std::string diskText;  // the text last read or written
    Hive base;             // diskText, parsed
    Hive model;            // base with pending applied: what this object's calls see
    std::vector<Change> pending;
    Status blocked = kOk;  // not 0: the file could not be read, so it is never written
  };
  struct Handle {
    int hive;
    std::string path;
  };

  std::string folder;
  Warn warn;
  std::set<std::string> told;
  HiveFile hives[2];
  std::map<RegKey, Handle> handles;
  RegKey next = kFirstHandle;

  void Tell(const std::string& problem, const std::string& message) {
    if (told.insert(problem).second && warn) warn(message);
  }

  void Rebuild(HiveFile& h) {
    h.model = h.base;
    for (const auto& c : h.pending) Apply(h.model, c);
  }

  // Takes text as the hive's content. A text that is not a hive at all is moved aside (only
  // under the lock: underLock false answers -1 so that the caller takes it and reads again).
  Status Adopt(HiveFile& h, const std::string& text, bool underLock) {
    Hive fresh;
    const Hive::ParseResult parsed = fresh.Parse(text);
    if (parsed.readable) {
      h.base = std::move(fresh);
      h.diskText = text;
      h.loaded = true;
      h.blocked = kOk;
      if (!parsed.problems.empty()) {
        const auto& first = parsed.problems.front();
        Tell("lines:" + h.file + ":" + std::to_string(first.line),
             h.file + ": " + std::to_string(parsed.problems.size()) + " unreadable line" +
                 (parsed.problems.size() == 1 ? "" : "s") + " (first at line " +
                 std::to_string(first.line) +
                 ") kept as comments; the other keys and values are used");
      }
      return kOk;
    }
    if (!underLock) return -1;
    // Never overwritten: keep it under a name of its own, then start from an empty hive.
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    struct tm local {};
    ::localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string aside = h.file + ".damaged-" + stamp;
    struct stat st {};
    for (int n = 2; ::lstat(aside.c_str(), &st) == 0; ++n)
      aside = h.file + ".damaged-" + stamp + "-" + std::to_string(n);
    h.base = Hive();
    h.loaded = true;
    if (::rename(h.file.c_str(), aside.c_str()) != 0) {
      const int error = errno;
      h.blocked = FromErrno(error);
      h.diskText = text;
      Tell("damaged:" + h.file, h.file + ": not a registry file (" + parsed.whyNot +
                                    ") and it cannot be moved aside (" + ErrorText(error) +
                                    "); it is left untouched and the defaults are used");
      return h.blocked;
    }
    h.diskText.clear();
    h.blocked = kOk;
    Tell("damaged:" + h.file, h.file + ": not a registry file (" + parsed.whyNot +
                                  "); kept as " + aside + ", the defaults are used");
    return kOk;
  }

  Status ReadFailed(HiveFile& h, int error) {
    h.blocked = FromErrno(error);
    if (!h.loaded) {
      h.base = Hive();
      h.loaded = true;
    }
    Tell("read:" + h.file, h.file + ": cannot be read (" + ErrorText(error) +
                               "); it is left untouched and its keys answer access denied");
    return h.blocked;
  }

  // Reads the hive when it changed since this object last saw it.
  void Refresh(HiveFile& h) {
    ReadResult r = ReadWhole(h.file);
    if (r.error) {
      ReadFailed(h, r.error);
    } else if (!h.loaded || r.text != h.diskText || h.blocked) {
      if (Adopt(h, r.text, false) == -1) {
        HiveLock lock;
        const int error = lock.Take(h.file + ".lock");
        if (error) {
          Tell("lock:" + h.file, h.file + ".lock: cannot lock the hive (" + ErrorText(error) +
                                     "); the hive is left untouched and the defaults are used");
          h.base = Hive();
          h.loaded = true;
          h.blocked = FromErrno(error);
        } else {
          r = ReadWhole(h.file);
          if (r.error)
            ReadFailed(h, r.error);
          else
            Adopt(h, r.text, true);
        }
      }
    }
    Rebuild(h);
  }

  Status EnsureFolder() {
    const int error = MakeFolderTree(folder);
    if (!error) return kOk;
    Tell("folder:" + folder, folder + ": cannot create the registry folder (" + ErrorText(error) +
                                 "); settings are not saved");
    return FromErrno(error);
  }

  // Writes the pending changes: under the lock, onto the hive as it is now. *lastFound tells
  // whether the last change found what it applies to (a deletion of a missing key does not).
  Status Commit(HiveFile& h, bool* lastFound = nullptr) {
    if (h.pending.empty()) return kOk;
    Status status = EnsureFolder();
    if (status != kOk) return status;
    HiveLock lock;
    int error = lock.Take(h.file + ".lock");
    if (error) {
      Tell("lock:" + h.file,
           h.file + ".lock: cannot lock the hive (" + ErrorText(error) + "); changes are not saved");
      return FromErrno(error);
    }
    const ReadResult r = ReadWhole(h.file);
    if (r.error) return ReadFailed(h, r.error);
    if (!h.loaded || r.text != h.diskText || h.blocked) {
      status = Adopt(h, r.text, true);
      if (status != kOk) return status;
    }
    Hive next = h.base;
    bool found = true;
    for (const auto& c : h.pending) found = Apply(next, c);
    if (lastFound) *lastFound = found;
    std::string text = next.Write();
    RemoveLeftovers(h.file);
    if (text != h.diskText || r.missing) {
      error = WriteAtomically(h.file, text);
      if (error) {
        Tell("write:" + h.file,
             h.file + ": cannot be written (" + ErrorText(error) + "); changes are not saved");
        return FromErrno(error);
      }
    }
    h.diskText = std::move(text);
    h.base = std::move(next);
    h.pending.clear();
    Rebuild(h);
    return kOk;
  }

  // The hive and full key path that root and subKey name.
  Status Resolve(RegKey root, const char* subKey, int* hive, std::string* path) {
    if (root == kHKeyCurrentUser || root == kHKeyLocalMachine) {
      *hive = root == kHKeyCurrentUser ? 0 : 1;
      *path = hives[*hive].root;
    } else {
      const auto it = handles.find(root);
      if (it == handles.end()) return kInvalidHandle;
      *hive = it->second.hive;
      *path = it->second.path;
    }
    std::string_view sub = subKey ? subKey : "";
    if (!sub.empty() && sub.back() == '\\') sub.remove_suffix(1);
    if (sub.empty()) return kOk;
    // An empty part (a doubled, leading or second trailing backslash) names no key.
    if (sub.front() == '\\' || sub.back() == '\\' || sub.find("\\\\") != std::string_view::npos)
      return kBadPathname;
    if (!NameFits(subKey)) return kInvalidParameter;
    *path += '\\';
    *path += sub;
    return kOk;
  }

  // Whether this process may replace the hive: its folder takes new files and, when the hive
  // exists, the hive itself is writable (a read-only hive says it is not to be changed). A hive
  // that does not exist yet is writable when its folder is, or will be made.
  bool MayWrite(const HiveFile& h) const {
    if (::faccessat(AT_FDCWD, h.file.c_str(), F_OK, AT_EACCESS) != 0) return true;
    return ::faccessat(AT_FDCWD, h.file.c_str(), W_OK, AT_EACCESS) == 0 &&
           ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
  }

  bool KeyExists(const HiveFile& h, const std::string& path) const {
    return path == h.root || h.model.Exists(path);
  }

  RegKey NewHandle(int hive, std::string path) {
    const RegKey key = next;
    next += 4;
    handles[key] = {hive, std::move(path)};
    return key;
  }

  // The handle's hive and path; predefined roots answer their hive's root.
  const Handle* Find(RegKey key, Handle* rootHandle) {
    if (key == kHKeyCurrentUser || key == kHKeyLocalMachine) {
      rootHandle->hive = key == kHKeyCurrentUser ? 0 : 1;
      rootHandle->path = hives[rootHandle->hive].root;
      return rootHandle;
    }
    const auto it = handles.find(key);
    return it == handles.end() ? nullptr : &it->second;
  }
};

FileRegistry::FileRegistry(std::string folder, Warn warn) : m_state(std::make_unique<State>()) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  m_state->folder = folder;
  m_state->warn = std::move(warn);
  m_state->hives[0].file = folder + "/user.reg";
  m_state->hives[0].root = "HKEY_CURRENT_USER";
  m_state->hives[1].file = folder + "/system.reg";
  m_state->hives[1].root = "HKEY_LOCAL_MACHINE";
}

FileRegistry::~FileRegistry() {
  // Changes of handles never closed are written now; failures have been told.
  for (auto& h : m_state->hives) m_state->Commit(h);
}

std::string FileRegistry::DefaultFolder() { return ConfigHome() + "/vexmor/registry"; }

Status FileRegistry::OpenKey(RegKey root, const char* subKey, RegKey* result) {
  if (!result) return kInvalidParameter;
  int hive = 0;
  std::string path;
  const Status status = m_state->Resolve(root, subKey, &hive, &path);
  if (status != kOk) return status;
  auto& h = m_state->hives[hive];
  m_state->Refresh(h);
  // Keys are opened with full access: a hive that cannot be read is no empty hive, and the
  // machine's hive must also be one this account may write.
  if (h.blocked != kOk) return kAccessDenied;
  if (hive == 1 && !m_state->MayWrite(h)) return kAccessDenied;
  if (!m_state->KeyExists(h, path)) return kFileNotFound;
  *result = m_state->NewHandle(hive, std::move(path));
  return kOk;
}

Status FileRegistry::QueryValue(RegKey key, const char* name, std::uint32_t* type,
                                std::uint8_t* data, std::uint32_t* size) {
  State::Handle rootHandle;
  const State::Handle* handle = m_state->Find(key, &rootHandle);
  if (!handle) return kInvalidHandle;
  if (data && !size) return kInvalidParameter;
  const auto& h = m_state->hives[handle->hive];
  if (!m_state->KeyExists(h, handle->path)) return kKeyDeleted;
  const Hive::Key* k = h.model.Find(handle->path);
  const Hive::Value* v = k ? Hive::FindValue(*k, name ? name : "") : nullptr;
  if (!v) return kFileNotFound;
  const auto needed = static_cast<std::uint32_t>(v->data.size());
  if (type) *type = v->type;
  if (data && *size < needed) {
    *size = needed;
    return kMoreData;  // the caller's buffer keeps what it held
  }
  if (data && needed) std::memcpy(data, v->data.data(), needed);
  if (size) *size = needed;
  return kOk;
}

Status FileRegistry::CreateKey(RegKey root, const char* subKey, const char* keyClass,
                               RegKey* result) {
  if (!result || (keyClass && !NameFits(keyClass))) return kInvalidParameter;
  int hive = 0;
  std::string path;
  Status status = m_state->Resolve(root, subKey, &hive, &path);
  if (status != kOk) return status;
  auto& h = m_state->hives[hive];
  m_state->Refresh(h);
  if (h.blocked != kOk) return h.blocked;
  if (!m_state->KeyExists(h, path)) {
    status = m_state->EnsureFolder();
    if (status != kOk) return status;
    Change c{Change::kCreate, path, keyClass ? keyClass : "", {}};
    Apply(h.model, c);
    h.pending.push_back(std::move(c));
  }
  *result = m_state->NewHandle(hive, std::move(path));
  return kOk;
}

Status FileRegistry::SetValue(RegKey key, const char* name, std::uint32_t type,
                              const std::uint8_t* data, std::uint32_t size) {
  State::Handle rootHandle;
  const State::Handle* handle = m_state->Find(key, &rootHandle);
  if (!handle) return kInvalidHandle;
  if ((!data && size) || (name && !NameFits(name))) return kInvalidParameter;
  auto& h = m_state->hives[handle->hive];
  if (h.blocked != kOk) return h.blocked;
  if (!m_state->KeyExists(h, handle->path)) return kKeyDeleted;
  Change c{Change::kSet, handle->path, {}, {name ? name : "", type, {}}};
  if (size) c.value.data.assign(data, data + size);
  Apply(h.model, c);
  h.pending.push_back(std::move(c));
  return kOk;
}

Status FileRegistry::DeleteKey(RegKey root, const char* subKey) {
  int hive = 0;
  std::string path;
  const Status status = m_state->Resolve(root, subKey, &hive, &path);
  if (status != kOk) return status;
  auto& h = m_state->hives[hive];
  if (path == h.root) return kAccessDenied;  // a hive's root is not deleted
  m_state->Refresh(h);
  if (h.blocked != kOk) return h.blocked;
  if (!m_state->KeyExists(h, path) && h.pending.empty()) return kFileNotFound;
  h.pending.push_back({Change::kDelete, path, {}, {}});
  bool found = false;
  const Status written = m_state->Commit(h, &found);
  if (written != kOk) {
    h.pending.pop_back();  // not done, as the status says
    m_state->Rebuild(h);
    return written;
  }
  return found ? kOk : kFileNotFound;
}

Status FileRegistry::CloseKey(RegKey key) {
  if (key == kHKeyCurrentUser || key == kHKeyLocalMachine) return kOk;
  const auto it = m_state->handles.find(key);
  if (it == m_state->handles.end()) return kInvalidHandle;
  auto& h = m_state->hives[it->second.hive];
  m_state->handles.erase(it);
  return m_state->Commit(h);
}

}  // namespace vx::posix
