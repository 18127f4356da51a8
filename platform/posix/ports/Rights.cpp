#include "platform/posix/ports/Rights.h"

#include <linux/capability.h>
#include <sys/auxv.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace vx::posix {

namespace {

struct Capabilities {
  std::uint64_t effective = 0, permitted = 0, inheritable = 0;
};

std::string Failed(const char* call) { return std::string(call) + ": " + std::strerror(errno); }

bool Get(Capabilities* caps) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  if (::syscall(SYS_capget, &header, data) != 0) return false;
  caps->effective = data[0].effective | std::uint64_t{data[1].effective} << 32;
  caps->permitted = data[0].permitted | std::uint64_t{data[1].permitted} << 32;
  caps->inheritable = data[0].inheritable | std::uint64_t{data[1].inheritable} << 32;
  return true;
}

bool Set(const Capabilities& caps) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  data[0] = {static_cast<std::uint32_t>(caps.effective), static_cast<std::uint32_t>(caps.permitted),
             static_cast<std::uint32_t>(caps.inheritable)};
  data[1] = {static_cast<std::uint32_t>(caps.effective >> 32),
             static_cast<std::uint32_t>(caps.permitted >> 32),
             static_cast<std::uint32_t>(caps.inheritable >> 32)};
  return ::syscall(SYS_capset, &header, data) == 0;
}

// Every user and group id becomes the real one. keepCapabilities: the permitted set survives a
// change away from uid 0 (it is cut down right after).
std::string BecomeRealUser(bool keepCapabilities) {
  uid_t ruid, euid, suid;
  gid_t rgid, egid, sgid;
  if (::getresuid(&ruid, &euid, &suid) != 0) return Failed("getresuid");
  if (::getresgid(&rgid, &egid, &sgid) != 0) return Failed("getresgid");
  if (rgid != egid || rgid != sgid) {
    if (::setresgid(rgid, rgid, rgid) != 0) return Failed("setresgid");
  }
  if (ruid != euid || ruid != suid) {
    if (keepCapabilities && ::prctl(PR_SET_KEEPCAPS, 1, 0, 0, 0) != 0) return Failed("prctl");
    const bool changed = ::setresuid(ruid, ruid, ruid) == 0;
    const int error = errno;
    if (keepCapabilities) ::prctl(PR_SET_KEEPCAPS, 0, 0, 0, 0);
    errno = error;
    if (!changed) return Failed("setresuid");
  }
  return {};
}

// Kernels before 4.3 have no ambient set: nothing to clear there.
std::string ClearAmbient() {
  if (::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0 && errno != EINVAL)
    return Failed("prctl(PR_CAP_AMBIENT)");
  return {};
}

}  // namespace

bool HoldsExtraRights() { return ::getauxval(AT_SECURE) != 0; }

namespace {
// Root run as itself holds nothing beyond its user's: there is nothing to give up, and its own
// capabilities reach what it reaches today (a display socket in another user's folder).
bool RootAsItself() { return ::getuid() == 0 && !HoldsExtraRights(); }
}  // namespace

std::string KeepOnlyPortRight() {
  if (RootAsItself()) return {};
  if (std::string why = BecomeRealUser(true); !why.empty()) return why;
  if (std::string why = ClearAmbient(); !why.empty()) return why;
  Capabilities caps;
  if (!Get(&caps)) return Failed("capget");
  const std::uint64_t port = caps.permitted & (std::uint64_t{1} << CAP_SYS_RAWIO);
  if (!Set({port, port, 0})) return Failed("capset");
  return {};
}

std::string DropAllRights() {
  if (RootAsItself()) return {};
  if (std::string why = BecomeRealUser(false); !why.empty()) return why;
  if (std::string why = ClearAmbient(); !why.empty()) return why;
  if (!Set({})) return Failed("capset");
  Capabilities left;
  if (!Get(&left)) return Failed("capget");
  if (left.effective || left.permitted || left.inheritable) return "capabilities are left";
  return {};
}

}  // namespace vx::posix
