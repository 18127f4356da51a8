#include "platform/win32/RenameQueue.h"

#include <cctype>
#include <cstring>
#include <map>
#include <string_view>

namespace vx::win32 {

namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// Calls visit(entry) for each string of a section.
template <typename Visit>
void ForEachEntry(const char* section, Visit visit) {
  if (!section) return;
  for (const char* entry = section; *entry; entry += std::strlen(entry) + 1) visit(entry);
}

}  // namespace

std::vector<std::string> AddedDeletions(const char* before, const char* after) {
  std::map<std::string, int> old;
  ForEachEntry(before, [&old](const char* entry) { ++old[entry]; });
  std::vector<std::string> added;
  ForEachEntry(after, [&](const char* entry) {
    if (auto found = old.find(entry); found != old.end() && found->second > 0) {
      --found->second;
      return;
    }
    const std::string_view text(entry);
    if (text.size() > 4 && EqualIgnoringCase(text.substr(0, 4), "NUL="))
      added.emplace_back(text.substr(4));
  });
  return added;
}

bool IsWininit(const char* file) {
  if (!file) return false;
  std::string_view name(file);
  if (const std::size_t cut = name.find_last_of("\\/:"); cut != std::string_view::npos)
    name.remove_prefix(cut + 1);
  return EqualIgnoringCase(name, "WININIT.INI");
}

}  // namespace vx::win32
