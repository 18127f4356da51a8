// Fakes of the platform interfaces the uninstaller runs on: a registry, an in-memory file tree, the
// shell and its shortcuts, the profile file, and an owner window that records its message boxes.
//
// Each fake can be made to fail every way the uninstaller distinguishes, and every call that matters
// for ordering goes to one shared log, so a test can check what happened and in which order.
#pragma once

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "uninstall/Uninstall.h"

namespace fake {

using Log = std::vector<std::string>;

// Whether a log holds an entry, and the position of the first one (or -1).
inline int IndexOf(const Log& log, const std::string& entry) {
  for (std::size_t i = 0; i < log.size(); ++i)
    if (log[i] == entry) return static_cast<int>(i);
  return -1;
}
inline bool Has(const Log& log, const std::string& entry) { return IndexOf(log, entry) >= 0; }
// Copies text into a record of room characters, NUL-padded; text that fills it stays unterminated,
// as a misbehaving system call might leave it.
inline void FillRecord(char* record, std::size_t room, const std::string& text) {
  std::memset(record, 0, room);
  std::memcpy(record, text.data(), text.size() < room ? text.size() : room);
}

inline int CountPrefix(const Log& log, const std::string& prefix) {
  int n = 0;
  for (const std::string& e : log) n += e.rfind(prefix, 0) == 0;
  return n;
}

class Registry : public vx::Registry {
 public:
  struct Value {
    std::uint32_t type;
    std::vector<std::uint8_t> data;
  };
  using KeyId = std::pair<vx::RegKey, std::string>;

  explicit Registry(Log& log) : log_(log) {}

  void SetString(vx::RegKey root, const std::string& key, const std::string& name,
                 const std::string& text, bool terminated = true) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    if (terminated) data.push_back(0);
    keys[{root, key}][name] = {vx::kRegSz, data};
  }

  vx::Status OpenKey(vx::RegKey root, const char* subKey, vx::RegKey* result) override {
    log_.push_back(std::string("OpenKey ") + subKey);
    if (auto refused = openErrors.find(subKey); refused != openErrors.end()) return refused->second;
    auto it = keys.find({root, subKey});
    if (it == keys.end()) return vx::kFileNotFound;
    open_[++lastHandle_] = it->first;
    *result = lastHandle_;
    return vx::kOk;
  }
  vx::Status QueryValue(vx::RegKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                        std::uint32_t* size) override {
    log_.push_back(std::string("QueryValue ") + name);
    if (queryError != vx::kOk) return queryError;
    auto k = open_.find(key);
    if (k == open_.end()) return vx::kInvalidHandle;
    auto v = keys[k->second].find(name);
    if (v == keys[k->second].end()) return vx::kFileNotFound;
    const auto length = static_cast<std::uint32_t>(v->second.data.size());
    if (data && length > *size) {
      *size = length;
      return vx::kMoreData;
    }
    if (data) std::memcpy(data, v->second.data.data(), length);
    if (type) *type = v->second.type;
    *size = length;
    return vx::kOk;
  }
  vx::Status CreateKey(vx::RegKey, const char*, const char*, vx::RegKey*) override {
    return vx::kAccessDenied;
  }
  vx::Status SetValue(vx::RegKey, const char*, std::uint32_t, const std::uint8_t*,
                      std::uint32_t) override {
    return vx::kAccessDenied;
  }
  vx::Status DeleteKey(vx::RegKey root, const char* subKey) override {
    log_.push_back(std::string(root == vx::kHKeyCurrentUser ? "DeleteKey HKCU " : "DeleteKey HKLM ") +
                   subKey);
    return keys.erase({root, subKey}) ? vx::kOk : vx::kFileNotFound;
  }
  vx::Status CloseKey(vx::RegKey key) override {
    log_.push_back("CloseKey");
    return open_.erase(key) ? vx::kOk : vx::kInvalidHandle;
  }

  std::size_t OpenHandles() const { return open_.size(); }

  std::map<KeyId, std::map<std::string, Value>> keys;
  vx::Status queryError = vx::kOk;
  std::map<std::string, vx::Status> openErrors;  // what OpenKey answers for a key, whether or not it exists

 private:
  Log& log_;
  std::map<vx::RegKey, KeyId> open_;
  vx::RegKey lastHandle_ = 100;
};

// A file tree held as full paths. Folders are listed with "." and ".." first, then their entries in
// name order. Shortcuts are files that carry a target.
class Files : public vx::Files {
 public:
  struct Node {
    bool directory = false;
    std::uint32_t extraAttributes = 0;
    bool shortcut = false;
    std::string target;
  };

  Files(Log& log, char separator) : log_(log), separator_(separator) {}

  char Separator() const override { return separator_; }

  std::string Join(const std::string& folder, const std::string& name) const {
    return folder + separator_ + name;
  }
  void AddFolder(const std::string& path, std::uint32_t extraAttributes = 0) {
    nodes[path] = Node{true, extraAttributes, false, {}};
  }
  void AddFile(const std::string& path) { nodes[path] = Node{}; }
  void AddShortcut(const std::string& path, const std::string& target) {
    nodes[path] = Node{false, 0, true, target};
  }
  bool Exists(const std::string& path) const { return nodes.count(path) != 0; }

  vx::FindHandle FindFirstFileA(const char* pattern, vx::FindData* data) override {
    CheckPath(pattern);
    log_.push_back(std::string("FindFirst ") + pattern);
    const std::string text = pattern;
    const std::size_t cut = text.rfind(separator_);
    const std::string folder = cut == std::string::npos ? "" : text.substr(0, cut);
    std::string glob = text.substr(cut == std::string::npos ? 0 : cut + 1);
    if (failFind.count(folder) || glob.size() < 3 || glob.compare(glob.size() - 3, 3, "*.*") != 0) {
      lastError_ = vx::kPathNotFound;
      return vx::kInvalidFind;
    }
    const std::string namePrefix = glob.substr(0, glob.size() - 3);
    auto it = nodes.find(folder);
    if (it == nodes.end() || !it->second.directory) {
      lastError_ = vx::kPathNotFound;
      return vx::kInvalidFind;
    }
    std::vector<vx::FindData> entries;
    auto add = [&](const std::string& name, std::uint32_t attributes) {
      if (name.compare(0, namePrefix.size(), namePrefix) != 0) return;
      vx::FindData entry;
      entry.attributes = attributes;
      FillRecord(entry.name, vx::kMaxPath, name);
      entries.push_back(entry);
    };
    add(".", vx::kAttrDirectory);
    add("..", vx::kAttrDirectory);
    for (const auto& [path, node] : nodes)
      if (path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 &&
          path[folder.size()] == separator_ &&
          path.find(separator_, folder.size() + 1) == std::string::npos)
        add(path.substr(folder.size() + 1),
            (node.directory ? vx::kAttrDirectory : 0x20u) | node.extraAttributes);
    for (const vx::FindData& extra : extraEntries[folder]) entries.push_back(extra);
    if (entries.empty()) {
      lastError_ = vx::kFileNotFound;
      return vx::kInvalidFind;
    }
    *data = entries.front();
    const vx::FindHandle handle = ++lastHandle_;
    open_[handle] = {std::move(entries), 1};
    return handle;
  }
  bool FindNextFileA(vx::FindHandle handle, vx::FindData* data) override {
    ++findNextCalls;
    auto& [entries, next] = open_.at(handle);
    if (next >= entries.size()) {
      lastError_ = vx::kNoMoreFiles;
      return false;
    }
    *data = entries[next++];
    return true;
  }
  void FindClose(vx::FindHandle handle) override { open_.erase(handle); }

  bool DeleteFileA(const char* path) override {
    CheckPath(path);
    log_.push_back(std::string("DeleteFile ") + path);
    auto injected = deleteErrors.find(path);
    if (injected != deleteErrors.end()) return Fail(injected->second);
    auto it = nodes.find(path);
    if (it == nodes.end()) return Fail(ParentExists(path) ? vx::kFileNotFound : vx::kPathNotFound);
    if (it->second.directory) return Fail(vx::kAccessDenied);
    nodes.erase(it);
    return true;
  }
  bool RemoveDirectoryA(const char* path) override {
    CheckPath(path);
    log_.push_back(std::string("RemoveDirectory ") + path);
    auto it = nodes.find(path);
    if (it == nodes.end()) return Fail(ParentExists(path) ? vx::kFileNotFound : vx::kPathNotFound);
    if (!it->second.directory) return Fail(267);  // ERROR_DIRECTORY
    const std::string inside = std::string(path) + separator_;
    for (const auto& entry : nodes)
      if (entry.first.compare(0, inside.size(), inside) == 0) return Fail(145);  // not empty
    nodes.erase(it);
    return true;
  }
  std::uint32_t GetLastError() override { return lastError_; }

  // Only the folders in folderIds have an identity (none by default, as on Windows).
  bool FolderIdentity(const char* path, vx::FolderId* id) override {
    log_.push_back(std::string("FolderIdentity ") + path);
    if (!folderIds.count(path)) return false;
    return *id = folderIds.at(path), true;
  }

  std::uint32_t GetCurrentDirectoryA(std::uint32_t size, char* buffer) override {
    log_.push_back("GetCurrentDirectory");
    if (cwdFails) return 0;
    if (cwd.size() + 1 > size) return static_cast<std::uint32_t>(cwd.size() + 1);
    std::memcpy(buffer, cwd.c_str(), cwd.size() + 1);
    return static_cast<std::uint32_t>(cwd.size());
  }

  std::size_t OpenFinds() const { return open_.size(); }

  std::map<std::string, Node> nodes;
  std::map<std::string, vx::FolderId> folderIds;      // what FolderIdentity answers
  std::map<std::string, std::uint32_t> deleteErrors;  // DeleteFileA fails with this error
  std::set<std::string> failFind;                      // folders that cannot be enumerated
  std::map<std::string, std::vector<vx::FindData>> extraEntries;  // delivered after the tree's own
  std::string cwd;
  bool cwdFails = false;
  int findNextCalls = 0;
  // Set when any call was given a path that does not end within kMaxPath characters.
  bool sawOverlongPath = false;

 private:
  bool Fail(std::uint32_t error) {
    lastError_ = error;
    return false;
  }
  bool ParentExists(const std::string& path) const {
    const std::size_t cut = path.rfind(separator_);
    if (cut == std::string::npos) return true;
    auto it = nodes.find(path.substr(0, cut));
    return it != nodes.end() && it->second.directory;
  }
  void CheckPath(const char* path) {
    if (::strnlen(path, vx::kMaxPath) >= vx::kMaxPath) sawOverlongPath = true;
  }

  Log& log_;
  char separator_;
  std::uint32_t lastError_ = 0;
  vx::FindHandle lastHandle_ = 0;
  std::map<vx::FindHandle, std::pair<std::vector<vx::FindData>, std::size_t>> open_;
};

// The shell: COM start-up, the allocator, the desktop folder and the shell-link object, reading the
// shortcuts of a fake file tree.
class Shell : public vx::ShellLinks {
 public:
  class Link : public vx::ShellLink {
   public:
    explicit Link(Shell& shell) : shell_(shell) {}
    vx::HResult QueryPersistFile() override {
      const vx::HResult result = shell_.queryPersist;
      if (result == vx::kSOk) ++persistHeld;
      return result;
    }
    void ReleasePersistFile() override { --persistHeld; }
    vx::HResult Load(const char* path) override {
      shell_.log_.push_back(std::string("Load ") + path);
      loaded_.clear();
      if (shell_.loadFails.count(path)) return vx::kEFail;
      auto it = shell_.files_.nodes.find(path);
      if (it == shell_.files_.nodes.end() || !it->second.shortcut) return vx::kEFail;
      loaded_ = path;
      return vx::kSOk;
    }
    vx::HResult GetPath(char* buffer, int size) override {
      if (loaded_.empty()) return vx::kEFail;
      auto result = shell_.getPathResults.find(loaded_);
      if (result != shell_.getPathResults.end()) return result->second;
      const std::string& target = shell_.files_.nodes.at(loaded_).target;
      FillRecord(buffer, static_cast<std::size_t>(size) - 1, target);
      buffer[size - 1] = '\0';
      return vx::kSOk;
    }
    int persistHeld = 0;

   private:
    Shell& shell_;
    std::string loaded_;
  };

  Shell(Log& log, Files& files) : log_(log), files_(files), link_(*this) {}

  vx::HResult CoInitialize() override {
    log_.push_back("CoInitialize");
    return coInitialize;
  }
  void CoUninitialize() override { log_.push_back("CoUninitialize"); }
  vx::HResult GetMalloc() override {
    log_.push_back("GetMalloc");
    return getMalloc;
  }
  void FreeItemList(vx::ItemList list) override {
    log_.push_back(list == &itemList_ ? "FreeItemList" : "FreeItemList(wrong)");
  }
  void ReleaseMalloc() override { log_.push_back("ReleaseMalloc"); }
  vx::HResult GetDesktopLocation(vx::WindowRef owner, vx::ItemList* list) override {
    log_.push_back("GetDesktopLocation " + std::to_string(owner));
    if (desktopLocation == vx::kSOk) *list = &itemList_;
    return desktopLocation;
  }
  bool GetPathFromItemList(vx::ItemList, char* path) override {
    log_.push_back("GetPathFromItemList");
    FillRecord(path, vx::kMaxPath, desktop);
    return !desktop.empty();
  }
  vx::HResult GetClassFile(const char* path, vx::Guid* clsid) override {
    log_.push_back(std::string("GetClassFile ") + path);
    auto injected = classFileResults.find(path);
    if (injected != classFileResults.end()) {
      *clsid = vx::kClsidShellLink;
      return injected->second;
    }
    auto it = files_.nodes.find(path);
    if (it == files_.nodes.end()) return vx::kEFail;
    if (it->second.shortcut && !otherClass.count(path)) {
      *clsid = vx::kClsidShellLink;
    } else {
      *clsid = vx::Guid{{0x11, 0x22}};  // some other registered class
    }
    return vx::kSOk;
  }
  vx::HResult CreateShellLink(vx::ShellLink** link) override {
    log_.push_back("CreateShellLink");
    if (createLink != vx::kSOk) return createLink;
    *link = &link_;
    return vx::kSOk;
  }
  void ReleaseShellLink(vx::ShellLink* link) override {
    log_.push_back(link == &link_ ? "ReleaseShellLink" : "ReleaseShellLink(wrong)");
  }

  Link& link() { return link_; }

  vx::HResult coInitialize = vx::kSOk;
  vx::HResult getMalloc = vx::kSOk;
  vx::HResult desktopLocation = vx::kSOk;
  vx::HResult createLink = vx::kSOk;
  vx::HResult queryPersist = vx::kSOk;
  std::string desktop;
  std::map<std::string, vx::HResult> classFileResults;  // answered with CLSID_ShellLink
  std::set<std::string> otherClass;                     // shortcuts of another class
  std::set<std::string> loadFails;
  std::map<std::string, vx::HResult> getPathResults;

 private:
  Log& log_;
  Files& files_;
  Link link_;
  int itemList_ = 0;
};

// WININIT.INI and the section buffer. Sections are kept as the profile functions exchange them:
// entries each ended by a NUL (the final NUL of the run not included).
class Profile : public vx::Profile {
 public:
  explicit Profile(Log& log) : log_(log) {}

  char* Commit(std::size_t size) override {
    log_.push_back("Commit " + std::to_string(size));
    if (commitFails) return nullptr;
    block_.assign(size, '\x5A');  // not zeroed: the writer must end what it writes
    return block_.data();
  }
  void Decommit(char* block, std::size_t size) override {
    log_.push_back(block == block_.data() && size == block_.size() ? "Decommit" : "Decommit(wrong)");
  }
  std::uint32_t GetWindowsDirectoryA(char* buffer, std::uint32_t size) override {
    windowsLimit = size;
    if (windowsFails) return 0;
    if (windows.size() + 1 > size) return static_cast<std::uint32_t>(windows.size() + 1);
    std::memcpy(buffer, windows.c_str(), windows.size() + 1);
    return static_cast<std::uint32_t>(windows.size());
  }
  std::uint32_t GetPrivateProfileSectionA(const char* section, char* buffer, std::uint32_t size,
                                          const char* file) override {
    log_.push_back(std::string("ReadSection ") + section + " " + file);
    const std::string& text = files[file][section];
    if (text.size() + 2 > size) {
      std::memcpy(buffer, text.data(), size - 2);
      buffer[size - 2] = buffer[size - 1] = '\0';
      return size - 2;
    }
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return static_cast<std::uint32_t>(text.size());
  }
  bool WritePrivateProfileSectionA(const char* section, const char* data,
                                   const char* file) override {
    log_.push_back(std::string("WriteSection ") + section + " " + file);
    if (writeFails) return false;
    std::string text;
    for (const char* p = data; *p; p += std::strlen(p) + 1) text.append(p, std::strlen(p) + 1);
    files[file][section] = text;
    return true;
  }

  // file -> section -> entries
  std::map<std::string, std::map<std::string, std::string>> files;
  std::string windows = "C:\\WINDOWS";
  bool windowsFails = false;
  std::uint32_t windowsLimit = 0;
  bool commitFails = false;
  bool writeFails = false;

 private:
  Log& log_;
  std::vector<char> block_;
};

class Owner : public vx::MessageOwner {
 public:
  struct Box {
    std::string text;
    std::string caption;
    unsigned type;
  };
  explicit Owner(Log& log) : log_(log) {}
  int MessageBoxA(const char* text, const char* caption, unsigned type) override {
    log_.push_back(std::string("MessageBox ") + caption + " " + text);
    boxes.push_back({text, caption, type});
    return vx::kIdOk;
  }
  vx::WindowRef GetSafeHwnd() const override { return 0x4D2; }

  std::vector<Box> boxes;

 private:
  Log& log_;
};

// One machine: every fake, wired together, with the uninstall registration in place.
struct Machine {
  explicit Machine(char separator = '\\')
      : files(log, separator), shell(log, files), registry(log), profile(log), owner(log) {}

  UninstallPlatform Platform() { return {&registry, &files, &shell, &profile}; }

  Log log;
  Files files;
  Shell shell;
  Registry registry;
  Profile profile;
  Owner owner;
};

}  // namespace fake
