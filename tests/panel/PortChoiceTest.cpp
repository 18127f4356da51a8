#include "panel/PortChoice.h"

#include <gtest/gtest.h>

TEST(PortChoice, DirectByDefaultOnlyOnTheWindows95FamilyAndAnythingElseIsRefused) {
  using enum HostSystem;
  using enum PortBackend;
  // For each value: the back end on the Windows 95 family, the NT family and Linux.
  const struct {
    const char* value;
    PortBackend win95, nt, posix;
  } table[] = {
      {nullptr, Direct, Emulated, Emulated},    {"", Direct, Emulated, Emulated},
      {"emulated", Emulated, Emulated, Emulated}, {"direct", Direct, Direct, Direct},
      {"Direct", Unknown, Unknown, Unknown},    {"direct ", Unknown, Unknown, Unknown},
      {"ioperm", Unknown, Unknown, Unknown},
  };
  for (const auto& row : table) {
    const std::string value = row.value ? row.value : "(unset)";
    EXPECT_EQ(ChoosePortBackend(Windows95Family, row.value), row.win95) << value;
    EXPECT_EQ(ChoosePortBackend(WindowsNTFamily, row.value), row.nt) << value;
    EXPECT_EQ(ChoosePortBackend(Linux, row.value), row.posix) << value;
  }
}

TEST(PortChoice, MessagesNameTheFourPortsAtTheBase) {
  PanelSettings settings;
  EXPECT_EQ(CardPortsText(settings), "0x0332, 0x0333, 0x0334 and 0x0338");
  settings.Port = 0xFFFA;  // the port numbers wrap at 16 bits
  EXPECT_EQ(CardPortsText(settings), "0xfffc, 0xfffd, 0xfffe and 0x0002");
}
