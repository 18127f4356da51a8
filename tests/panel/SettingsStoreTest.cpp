#include "panel/SettingsStore.h"

#include <gtest/gtest.h>

#include "PanelFakes.h"

namespace {

const std::string kKey = FakeRegistry::Path(vx::kHKeyCurrentUser, "Software\\Vexmor_Rec");

TEST(LoadSettings, WithoutTheKeyChangesNothing) {
  FakeRegistry reg;
  PanelSettings s;
  s.Mon = 7;
  LoadSettings(reg, s);
  EXPECT_EQ(s.Mon, 7);
  EXPECT_EQ(s.Port, 0x330u);
  EXPECT_EQ(reg.calls, std::vector<std::string>{"open Software\\Vexmor_Rec"});
}

TEST(LoadSettings, WalksTheSixNamesInOrderAndClosesTheKey) {
  FakeRegistry reg;
  auto& values = reg.keys[kKey].values;
  values = {{"Port", Dword(0x220)}, {"Gain", Dword(1)}, {"Chan", Dword(0)},
            {"Mon", Dword(1)},      {"Bits", Dword(0)}, {"Rate", Dword(3)}};
  PanelSettings s;
  LoadSettings(reg, s);
  EXPECT_EQ(reg.calls, (std::vector<std::string>{"open Software\\Vexmor_Rec", "query Port",
                                                 "query Gain", "query Chan", "query Mon",
                                                 "query Bits", "query Rate", "close"}));
  EXPECT_EQ(reg.openHandles, 0);
  EXPECT_EQ(s.Port, 0x220u);
  EXPECT_EQ(s.Gain, 1);
  EXPECT_EQ(s.Chan, 0);
  EXPECT_EQ(s.Mon, 1);
  EXPECT_EQ(s.Bits, 0);
  EXPECT_EQ(s.Rate, 3);
}

TEST(LoadSettings, TakesTheLowByteOfSwitchesAndThePortWhole) {
  FakeRegistry reg;
  reg.keys[kKey].values = {{"Gain", Dword(257)}, {"Port", Dword(0x12340330)}, {"Mon", Dword(2)}};
  PanelSettings s;
  LoadSettings(reg, s);
  EXPECT_EQ(s.Gain, 1);
  EXPECT_EQ(s.Port, 0x12340330u);
  EXPECT_EQ(s.Mon, 2);   // kept as stored: no range test
  EXPECT_EQ(s.Chan, 1);  // missing values keep the defaults
  EXPECT_EQ(s.Rate, 2);
}

TEST(LoadSettings, LeavesFieldsAloneForValuesOfAnotherSizeOrType) {
  FakeRegistry reg;
  reg.keys[kKey].values = {
      {"Port", RegValue{vx::kRegBinary, std::vector<std::uint8_t>(8, 0x11)}},  // 8 bytes
      {"Gain", RegValue{vx::kRegSz, {'1', '2', '3', 0}}},                      // a string
      {"Chan", RegValue{vx::kRegDword, {0, 0}}},                               // 2 bytes
      {"Mon", RegValue{vx::kRegBinary, {1, 0, 0, 0}}},                         // not a DWORD
      {"Rate", Dword(1)}};
  PanelSettings s;
  LoadSettings(reg, s);
  EXPECT_EQ(s.Port, 0x330u);
  EXPECT_EQ(s.Gain, 0);
  EXPECT_EQ(s.Chan, 1);
  EXPECT_EQ(s.Mon, 0);
  EXPECT_EQ(s.Rate, 1);  // the good value after them is still read
}

TEST(SaveSettings, CreatesTheKeyWithItsClassAndWritesAllSixInOrder) {
  FakeRegistry reg;
  SaveSettings(reg, PanelSettings{});
  EXPECT_EQ(reg.calls,
            (std::vector<std::string>{"create Software\\Vexmor_Rec class Vexmor_Rec", "set Port",
                                      "set Gain", "set Chan", "set Mon", "set Bits", "set Rate",
                                      "close"}));
  ASSERT_NE(reg.Settings(), nullptr);
  EXPECT_EQ(reg.Settings()->keyClass, "Vexmor_Rec");
  for (const auto& [name, value] : reg.Settings()->values) {
    EXPECT_EQ(value.type, vx::kRegDword) << name;
    EXPECT_EQ(value.data.size(), 4u) << name;
  }
  EXPECT_EQ(reg.SettingsDword("Port"), 816u);
  EXPECT_EQ(reg.SettingsDword("Gain"), 0u);
  EXPECT_EQ(reg.SettingsDword("Chan"), 1u);
  EXPECT_EQ(reg.SettingsDword("Mon"), 0u);
  EXPECT_EQ(reg.SettingsDword("Bits"), 1u);
  EXPECT_EQ(reg.SettingsDword("Rate"), 2u);
}

TEST(SaveSettings, RoundTripsOddValuesAndRewritesForeignOnesAsDwords) {
  FakeRegistry reg;
  reg.keys[kKey].values = {{"Gain", Dword(257)},
                           {"Port", Dword(0xABCD0220)},
                           {"Bits", RegValue{vx::kRegBinary, std::vector<std::uint8_t>(8, 1)}}};
  PanelSettings s;
  LoadSettings(reg, s);
  SaveSettings(reg, s);
  EXPECT_EQ(reg.SettingsDword("Gain"), 1u);
  EXPECT_EQ(reg.SettingsDword("Port"), 0xABCD0220u);
  EXPECT_EQ(reg.Settings()->values.at("Bits").data.size(), 4u);
  EXPECT_EQ(reg.SettingsDword("Bits"), 1u);
}

TEST(SaveSettings, SilentWhenTheKeyCannotBeCreatedOrAValueFails) {
  FakeRegistry reg;
  reg.createStatus = vx::kAccessDenied;
  SaveSettings(reg, PanelSettings{});
  EXPECT_EQ(reg.calls.size(), 1u);
  EXPECT_EQ(reg.Settings(), nullptr);

  FakeRegistry failing;
  failing.setStatus = vx::kCantWrite;
  SaveSettings(failing, PanelSettings{});
  EXPECT_EQ(failing.calls.size(), 8u);  // every value is still tried, and the key closed
  EXPECT_EQ(failing.openHandles, 0);
}

}  // namespace
