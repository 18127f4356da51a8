// The folders PosixFiles is enumerating, and where a path below one of them lies.
//
// A path below an open enumeration's folder is never looked up again from the top: calls on it go
// to that folder's handle, relative, and no symbolic link is followed on the way. So a walk that
// opens a folder and then works on its entries (the shortcut sweep over the desktop) cannot be led
// out of its tree by a folder that another program replaces with a link after it was listed. The
// outermost folder is opened by its path, links included: it is where the user keeps it.
//
// An entry right inside an open folder is reached from that folder's handle by its name alone; a
// deeper one through openat2 with RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS. A path that no open folder
// holds is used as it is.
#pragma once

#include <dirent.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vx::posix {

// Where one path lies: a folder handle (AT_FDCWD for a path used as it is) and the name to give the
// *at calls. When error is not 0 the path cannot be reached without following a link or leaving the
// folder (or its folder is missing), and nothing may be done with it.
class Place {
 public:
  Place() = default;
  Place(Place&& other) noexcept;
  Place& operator=(Place&&) = delete;
  ~Place();

  int folder = -100;             // AT_FDCWD
  const char* name = nullptr;
  unsigned char type = DT_UNKNOWN;  // what the folder's listing said the entry is, when it said it
  std::uint64_t listing = 0;     // which delivery of the listing that was (0 when not known)
  int error = 0;                 // an errno value

 private:
  friend class FolderHandles;
  int owned_ = -1;  // a folder handle opened for this place only
};

class FolderHandles {
 public:
  FolderHandles() = default;
  ~FolderHandles();
  FolderHandles(const FolderHandles&) = delete;
  FolderHandles& operator=(const FolderHandles&) = delete;

  // Opens `folder` for listing: beneath the innermost open folder holding it, else by its path.
  // Nothing and errno set on failure (ELOOP for a link where the folder was).
  DIR* Open(const std::string& folder);
  // Delivers the next entry (nullptr at the end or on an error, errno telling which), its type
  // from the listing, or from fstatat when the file system does not say.
  const dirent* Next(DIR* dir, unsigned char* type);
  void Close(DIR* dir);
  bool IsOpen(DIR* dir) const;
  std::size_t Count() const { return open_.size(); }

  Place Locate(const char* path) const;
  // Whether `listing` (a Place's) is still the last delivery of the innermost open folder: a path
  // located with it then lies where it lay, and Locate would answer the same place again.
  bool IsCurrent(std::uint64_t listing) const {
    return listing != 0 && !open_.empty() && open_.back().last && open_.back().delivery == listing;
  }

  // Called with every path just before it is located (tests change the tree here, between a
  // folder's listing and the use of its entries).
  std::function<void(const char* path)> beforeUse;

 private:
  struct Listing {
    DIR* dir;
    std::string prefix;    // the folder's path with a '/' after it
    const dirent* last;    // the entry last delivered (valid until the next readdir), its type
    unsigned char lastType;
    std::uint64_t delivery;
  };
  std::vector<Listing> open_;
  std::uint64_t deliveries_ = 0;
};

}  // namespace vx::posix
