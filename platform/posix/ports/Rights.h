// The rights a privileged panel holds beyond its user's: a file capability (setcap
// cap_sys_rawio+ep) or set-user-ID. The panel needs one of them for one call, the kernel's grant
// of the card's ports (ioperm), which stays once given; everything else runs as the plain user.
//
//   if (direct) KeepOnlyPortRight(); else DropAllRights();
//   ... DirectPorts::Acquire(ranges) ...
//   DropAllRights();
//
// Each answers "" or what failed. Root run as itself (real uid 0, no secure-execution mode) has no
// right beyond its user's, and keeps what it holds.
#pragma once

#include <string>

namespace vx::posix {

// Whether the process holds a right its user does not (the kernel's secure-execution mode: set-user-
// or set-group-ID, or file capabilities).
bool HoldsExtraRights();

// Becomes the real user and group (a set-user-ID or set-group-ID program gives that up) and keeps
// of its capabilities only CAP_SYS_RAWIO, when it has it, permitted and effective.
std::string KeepOnlyPortRight();

// Becomes the real user and group and drops every capability: permitted, effective, inheritable
// and ambient; checks that none is left.
std::string DropAllRights();

}  // namespace vx::posix
