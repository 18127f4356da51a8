#include "panel/CardControl.h"

#include <gtest/gtest.h>

#include "PanelFakes.h"
#include "platform/emulated/EmulatedCard.h"

namespace {

PanelSettings With(std::uint8_t mon, std::uint8_t gain, std::uint8_t rate, std::uint8_t bits,
                   std::uint8_t chan) {
  PanelSettings s;
  s.Mon = mon;
  s.Gain = gain;
  s.Rate = rate;
  s.Bits = bits;
  s.Chan = chan;
  return s;
}

TEST(ModeByte, ComposesSwitchesAndRateInTheirBits) {
  EXPECT_EQ(ComposeModeByte(PanelSettings{}), 0x16);  // the defaults
  EXPECT_EQ(ComposeModeByte(With(1, 1, 2, 1, 1)), 0x76);
  EXPECT_EQ(ComposeModeByte(With(0, 0, 0, 0, 0)), 0x00);
  EXPECT_EQ(ComposeModeByte(With(0, 0, 3, 0, 0)), 0x18);
  EXPECT_EQ(ComposeModeByte(With(1, 0, 0, 0, 0)), 0x40);
}

TEST(ModeByte, OutOfRangeValuesSpillIntoNeighboursUnmasked) {
  EXPECT_EQ(ComposeModeByte(With(0, 0, 5, 1, 1)), 0x2E);  // bit 5 set although Gain is 0
  EXPECT_EQ(ComposeModeByte(With(2, 0, 2, 1, 1)), 0x96);  // Mon 2 reaches bit 7
  EXPECT_EQ(ComposeModeByte(With(3, 0, 0, 0, 0)), 0xC0);  // and beyond is lost
  EXPECT_EQ(ComposeModeByte(With(0, 0, 0, 0, 0xFF)), 0xFE);
}

TEST(WriteMode, GoesToBasePlusFourWithTheLow16BitsOfTheSum) {
  RecordingPorts ports;
  PanelSettings s;
  WriteMode(ports, s);
  s.Port = 0x220;
  WriteMode(ports, s);
  s.Port = 0x1FFFE;  // bits above 15 take no part in the port number
  WriteMode(ports, s);
  EXPECT_EQ(ports.accesses,
            (std::vector<PortAccess>{Out(0x334, 0x16), Out(0x224, 0x16), Out(0x0002, 0x16)}));
}

TEST(WriteGain, MicrophoneWritesIndexPollsUntilItsBusyBitClearsThenWritesValue) {
  RecordingPorts ports;
  ports.statusWords = {0x0200, 0x0200, 0x0000};
  EXPECT_TRUE(WriteGain(ports, PanelSettings{}, kMicGainIndex, 100));
  EXPECT_EQ(ports.accesses, (std::vector<PortAccess>{Out(0x333, 4), In(0x338, 0x0200),
                                                     In(0x338, 0x0200), In(0x338, 0),
                                                     Out(0x332, 100)}));
}

TEST(WriteGain, AuxiliaryUsesIndex8AndMask0400AndIgnoresOtherBusyBits) {
  RecordingPorts ports;
  ports.statusWords = {0x0400, 0x0600};
  ports.idle = 0x0200;  // the microphone's busy bit alone must not hold the write up
  EXPECT_TRUE(WriteGain(ports, PanelSettings{}, kAuxGainIndex, 255));
  EXPECT_EQ(ports.accesses, (std::vector<PortAccess>{Out(0x333, 8), In(0x338, 0x0400),
                                                     In(0x338, 0x0600), In(0x338, 0x0200),
                                                     Out(0x332, 0xFF)}));
}

TEST(WriteGain, WritesOnlyTheLowByteOfTheValue) {
  RecordingPorts ports;
  WriteGain(ports, PanelSettings{}, kMicGainIndex, 0x1234);
  WriteGain(ports, PanelSettings{}, kMicGainIndex, -1);
  EXPECT_EQ(ports.accesses[2], Out(0x332, 0x34));
  EXPECT_EQ(ports.accesses[5], Out(0x332, 0xFF));
}

TEST(WriteGain, GivesUpOnACardThatStaysBusyWithoutWritingTheValue) {
  RecordingPorts ports;
  ports.idle = 0xFFFF;  // no card: the bus floats high
  EXPECT_FALSE(WriteGain(ports, PanelSettings{}, kMicGainIndex, 90));
  ASSERT_EQ(ports.accesses.size(), 1 + kBusyPollLimit);
  EXPECT_EQ(ports.accesses.front(), Out(0x333, 4));
  EXPECT_FALSE(ports.accesses.back().out);
}

TEST(WriteGain, AnswersOnTheLastAllowedRead) {
  RecordingPorts ports;
  ports.statusWords.assign(kBusyPollLimit - 1, 0x0200);
  ports.idle = 0;
  EXPECT_TRUE(WriteGain(ports, PanelSettings{}, kMicGainIndex, 7));
  EXPECT_EQ(ports.accesses.back(), Out(0x332, 7));
}

TEST(EmulatedCard, ProgramsItsRegistersAndClearsBusyAfterAFewReads) {
  vx::EmulatedCard card(0x330, 3);
  PanelSettings s;
  WriteMode(card, s);
  EXPECT_EQ(card.Mode(), 0x16);
  EXPECT_TRUE(WriteGain(card, s, kMicGainIndex, 90));
  EXPECT_TRUE(WriteGain(card, s, kAuxGainIndex, 200));
  EXPECT_EQ(card.Gain(4), 90);
  EXPECT_EQ(card.Gain(8), 200);
  EXPECT_EQ(card.Status(), 0);

  card.Out8(0x333, 4);
  EXPECT_EQ(card.In16(0x338), 0x0200);
  EXPECT_EQ(card.In16(0x338), 0x0200);
  EXPECT_EQ(card.In16(0x338), 0x0200);
  EXPECT_EQ(card.In16(0x338), 0x0000);
}

TEST(EmulatedCard, AStuckCardOrAnotherBaseNeverAnswers) {
  vx::EmulatedCard stuck(0x330, vx::EmulatedCard::kStuck);
  EXPECT_FALSE(WriteGain(stuck, PanelSettings{}, kMicGainIndex, 90));
  EXPECT_EQ(stuck.Gain(4), 0);

  vx::EmulatedCard card(0x330);
  PanelSettings elsewhere;
  elsewhere.Port = 0x220;
  EXPECT_EQ(card.In16(0x228), 0xFFFF);
  EXPECT_FALSE(WriteGain(card, elsewhere, kMicGainIndex, 90));
  WriteMode(card, elsewhere);
  EXPECT_EQ(card.Mode(), 0);
}

}  // namespace
