#include "platform/win32/RenameQueue.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace vx::win32 {

namespace {

// ASCII letters only, as the C locale's toupper folds them.
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
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
  // The entries before, sorted: each entry after that matches one of them uses it up.
  std::vector<std::string_view> old;
  ForEachEntry(before, [&old](const char* entry) { old.emplace_back(entry); });
  std::sort(old.begin(), old.end());
  std::vector<std::string> added;
  ForEachEntry(after, [&](const char* entry) {
    if (auto found = std::lower_bound(old.begin(), old.end(), std::string_view(entry));
        found != old.end() && *found == entry) {
      old.erase(found);
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
