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
