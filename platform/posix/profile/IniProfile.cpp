#include "platform/posix/profile/IniProfile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "platform/posix/files/Environment.h"
#include "platform/posix/files/FileText.h"
#include "platform/posix/profile/IniText.h"

namespace vx::posix {

std::string WindowsFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (!(state && state[0] == '/') && Home().empty()) return "";
  return StateHome() + "/vexmor";
}

namespace {

// The file the profile calls name: a name without a folder is in the Windows folder, as on
// Windows; "" when that folder cannot be made (nothing is then read or written anywhere else).
std::string ProfilePath(const char* file) {
  if (std::strchr(file, '/')) return file;
  std::string folder = WindowsFolder();
  if (folder.empty() || MakeFolderTree(folder) != 0) return "";
  return folder + "/" + file;
}

}  // namespace

std::vector<std::string> MergeSection(const std::vector<std::string>& read,
                                      const std::vector<std::string>& written,
                                      const std::vector<std::string>& now) {
  // What the caller removed and what it added, each counted, so that a repeated entry is taken
  // once per occurrence.
  std::vector<std::string> removed = read, added;
  for (const auto& entry : written) {
    auto found = std::find(removed.begin(), removed.end(), entry);
    if (found != removed.end())
      removed.erase(found);
    else
      added.push_back(entry);
  }
  std::vector<std::string> merged;
  for (const auto& entry : now) {
    auto found = std::find(removed.begin(), removed.end(), entry);
    if (found != removed.end())
      removed.erase(found);
    else
      merged.push_back(entry);
  }
  merged.insert(merged.end(), added.begin(), added.end());
  return merged;
}

char* IniProfile::Commit(std::size_t size) {
  if (failCommit) return nullptr;
  // Committed pages read as zeros.
  char* block = new (std::nothrow) char[size]();
  if (block) ++committed;
  return block;
}

void IniProfile::Decommit(char* block, std::size_t) {
  if (!block) return;
  delete[] block;
  --committed;
}

std::uint32_t IniProfile::GetWindowsDirectoryA(char* buffer, std::uint32_t size) {
  std::string folder = WindowsFolder();
  if (folder.empty() || MakeFolderTree(folder) != 0) return 0;
  auto length = static_cast<std::uint32_t>(folder.size());
  if (length + 1 > size || !buffer) return length + 1;
  std::memcpy(buffer, folder.c_str(), length + 1);
  return length;
}

std::uint32_t IniProfile::GetPrivateProfileSectionA(const char* section, char* buffer,
                                                    std::uint32_t size, const char* file) {
  if (!buffer || size == 0) return 0;
  buffer[0] = '\0';
  if (size > 1) buffer[1] = '\0';
  if (!section || !file) return 0;
  const std::string path = ProfilePath(file);
  auto text = ReadSmallFile(path, kProfileLimit);
  m_read = {path, section, {}};
  if (!text) return 0;
  m_read.entries = ReadIniSection(*text, section);
  std::string run;
  for (const auto& entry : m_read.entries) {
    run += entry;
    run += '\0';
  }
  if (run.size() + 1 <= size) {
    std::memcpy(buffer, run.data(), run.size());
    buffer[run.size()] = '\0';
    return static_cast<std::uint32_t>(run.size());
  }
  // Too small: the last string is cut and the run still ends in two NULs.
  if (size <= 2) return 0;
  std::memcpy(buffer, run.data(), size - 2);
  buffer[size - 2] = '\0';
  buffer[size - 1] = '\0';
  return size - 2;
}

bool IniProfile::WritePrivateProfileSectionA(const char* section, const char* data,
                                             const char* file) {
  if (!section || !data || !file) return false;
  std::vector<std::string> entries;
  for (const char* p = data; *p; p += std::strlen(p) + 1) {
    // Only strings that read back as given: one that does not fails the write as a whole, before
    // anything is touched.
    if (!IniEntryFits(p)) return false;
    entries.emplace_back(p);
  }
  const std::string path = ProfilePath(file);
  if (path.empty()) return false;
  if (beforeWrite) beforeWrite();
  // vexmor-wininit takes the same lock while it carries out WININIT.INI.
  FileLock lock;
  if (lock.Take(path + ".lock") != 0) return false;
  std::string text;
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) {
    auto old = ReadSmallFile(path, kProfileLimit);
    if (!old) return false;  // unreadable or too large: never overwrite what could not be read
    text = std::move(*old);
  } else if (errno != ENOENT) {
    return false;
  }
  // Re-read under the lock: when the section changed since this object read it (vexmor-wininit
  // carried the list out, or another writer added to it), the caller's own changes are applied
  // to the section as it now stands, so a finished entry never comes back and none is lost.
  std::vector<std::string> now = ReadIniSection(text, section);
  if (m_read.path == path && m_read.section == section && now != m_read.entries)
    entries = MergeSection(m_read.entries, entries, now);
  auto updated = ReplaceIniSection(text, section, entries);
  if (!updated) return false;
  if (!WriteFileAtomically(path, *updated)) return false;
  m_read.entries = std::move(entries);
  return true;
}

}  // namespace vx::posix
