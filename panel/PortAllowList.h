// Which base ports the panel may ask the kernel for when it holds a right its user does not (a file
// capability, or set-user-ID): the administrator's list, a root-owned text file beside the program
// (kAllowListName), one base a line:
//
//   # cards in this machine
//   0x330
//   0x220    # the second one
//
// A base is hexadecimal after "0x" or decimal, from 0 to 0xFFF7 (so that base + 8 is still a port);
// blanks around it and a "#" comment after it are allowed, as are blank and comment lines. Any other
// line makes the whole file refused. Without the file only the panel's default base, 0x330, is
// allowed. Neither the file nor its folder may be writable by anyone but root.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* kAllowListName = "ports.allow";
inline constexpr std::uint32_t kHighestAllowedBase = 0xFFF7;

struct AllowList {
  bool ok = true;
  unsigned badLine = 0;  // the first line that is not a base, when !ok (from 1)
  std::vector<std::uint32_t> bases;
};

// The list the file's text holds.
AllowList ParseAllowList(std::string_view text);

// The list without a file: the panel's default base alone.
AllowList DefaultAllowList();

bool Allows(const AllowList& list, std::uint32_t base);

// Whether a file or folder with this owner and mode may hold the administrator's list: "" when it
// may, else why not, for a message.
std::string UntrustedBecause(unsigned owner, unsigned mode);
