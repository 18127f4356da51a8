#include "panel/PortChoice.h"

#include <gtest/gtest.h>

TEST(PortChoice, EmulatedUnlessDirectIsAskedForAndAnythingElseIsRefused) {
  EXPECT_EQ(ChoosePortBackend(nullptr), PortBackend::Emulated);
  EXPECT_EQ(ChoosePortBackend(""), PortBackend::Emulated);
  EXPECT_EQ(ChoosePortBackend("emulated"), PortBackend::Emulated);
  EXPECT_EQ(ChoosePortBackend("direct"), PortBackend::Direct);
  EXPECT_EQ(ChoosePortBackend("Direct"), PortBackend::Unknown);
  EXPECT_EQ(ChoosePortBackend("direct "), PortBackend::Unknown);
  EXPECT_EQ(ChoosePortBackend("ioperm"), PortBackend::Unknown);
}

TEST(PortChoice, MessagesNameTheFourPortsAtTheBase) {
  PanelSettings settings;
  EXPECT_EQ(CardPortsText(settings), "0x0332, 0x0333, 0x0334 and 0x0338");
  settings.Port = 0xFFFA;  // the port numbers wrap at 16 bits
  EXPECT_EQ(CardPortsText(settings), "0xfffc, 0xfffd, 0xfffe and 0x0002");
}
