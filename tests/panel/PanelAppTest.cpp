// The panel's whole run on fakes: start-up order, what the dialog does with each command and
// scroll code, and that the settings are saved however the dialog ends.
#include <gtest/gtest.h>

#include "FakeToolkit.h"
#include "PanelFakes.h"
#include "panel/PanelApp.h"
#include "panel/PanelDlg.h"
#include "panel/res/ResourceIds.h"
#include "shell/WinConstants.h"

namespace {

struct PanelRun : ::testing::Test {
  RecordingPorts ports;
  FakeRegistry registry;
  FakeToolkit toolkit;
  CPanelApp app;
  std::vector<std::string> events;  // registry calls, port writes and the dialog, in order

  void SetUp() override {
    app.SetPlatform({&ports, &registry});
    registry.onCall = [this](const std::string& call) { events.push_back(call); };
    ports.onAccess = [this](const PortAccess& a) {
      if (a.out) events.push_back("out " + std::to_string(a.port) + " " + std::to_string(a.value));
    };
    toolkit.onCreate = [this] { events.push_back("dialog"); };
  }
  int Run() { return AfxWinMain(app, toolkit); }

  static void Command(CDialog& d, int id) { d.OnCommand(static_cast<vx::WParam>(id), 0); }
};

TEST_F(PanelRun, FirstRunLoadsWritesModeOnceShowsDialogThenSavesAllSix) {
  toolkit.script = [](CDialog& d, ScriptedWindow&) { Command(d, vx::kIdCancel); };
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(events, (std::vector<std::string>{
                        "open Software\\Vexmor_Rec", "out 820 22", "dialog",
                        "create Software\\Vexmor_Rec class Vexmor_Rec", "set Port", "set Gain",
                        "set Chan", "set Mon", "set Bits", "set Rate", "close"}));
  EXPECT_EQ(toolkit.createdTemplates, std::vector<int>{102});
  EXPECT_EQ(app.m_pMainWnd, nullptr);
}

TEST_F(PanelRun, AStoredPortMovesTheModeWriteAndTheRestKeepDefaults) {
  registry.keys[FakeRegistry::Path(vx::kHKeyCurrentUser, "Software\\Vexmor_Rec")].values = {
      {"Port", Dword(0x220)}};
  toolkit.script = [](CDialog& d, ScriptedWindow&) { Command(d, vx::kIdOk); };
  Run();
  EXPECT_EQ(ports.accesses, std::vector<PortAccess>{Out(0x224, 0x16)});
  EXPECT_EQ(registry.Settings()->values.size(), 6u);
  EXPECT_EQ(registry.SettingsDword("Port"), 0x220u);
  EXPECT_EQ(registry.SettingsDword("Chan"), 1u);
}

TEST_F(PanelRun, SettingsTheEntryPointReadAreTakenWithoutASecondRead) {
  // The registry changed after the entry point read it (and asked for the ports at 0x300).
  registry.keys[FakeRegistry::Path(vx::kHKeyCurrentUser, "Software\\Vexmor_Rec")].values = {
      {"Port", Dword(0x220)}};
  PanelSettings loaded;
  loaded.Port = 0x300;
  app.SetPlatform({&ports, &registry, &loaded});
  toolkit.script = [](CDialog& d, ScriptedWindow&) { Command(d, vx::kIdOk); };
  Run();
  EXPECT_EQ(events.at(0), "out 772 22");  // 0x304: nothing was read before the mode byte
  EXPECT_EQ(registry.SettingsDword("Port"), 0x300u);
}

TEST_F(PanelRun, TheDialogOpensShowingTheSettingsWithBothRangesAndNoGainWritten) {
  struct {
    std::map<int, std::string> texts;
    std::map<int, std::pair<int, int>> ranges;
    std::vector<std::string> journal;
    std::vector<std::pair<vx::IconRef, bool>> icons;
  } seen;
  toolkit.script = [&](CDialog& d, ScriptedWindow& w) {
    seen.texts = w.texts;
    seen.ranges = w.ranges;
    seen.journal = w.journal;
    seen.icons = w.icons;
    EXPECT_NE(static_cast<CPanelDlg&>(d).m_hAccel, 0u);
    Command(d, vx::kIdCancel);
  };
  Run();
  EXPECT_EQ(seen.texts, (std::map<int, std::string>{{IDC_MONITOR, "Monitor &Off"},
                                                     {IDC_INPUT, "&Line"},
                                                     {IDC_BITS, "16 &Bit"},
                                                     {IDC_CHANNELS, "&Stereo"}}));
  EXPECT_EQ(seen.ranges[IDC_MIC_SLIDER], std::make_pair(0, 127));
  EXPECT_EQ(seen.ranges[IDC_AUX_SLIDER], std::make_pair(0, 255));
  // The shell's part comes first: menu trimmed by command, then the big and the small icon.
  EXPECT_EQ(seen.journal, (std::vector<std::string>{"init", "delete menu 61440", "delete menu 61488",
                                                    "icon big", "icon small"}));
  EXPECT_EQ(seen.icons[0].first, 0x128u);
  EXPECT_EQ(ports.accesses.size(), 1u);  // the start-up mode byte only
}

TEST_F(PanelRun, EachSwitchFlipsBitZeroShowsItAndRewritesTheModeByte) {
  std::map<int, std::string> texts;
  toolkit.script = [&](CDialog& d, ScriptedWindow& w) {
    Command(d, IDC_CHANNELS);
    EXPECT_EQ(w.texts[IDC_CHANNELS], "Mo&no");
    Command(d, IDC_CHANNELS);
    EXPECT_EQ(w.texts[IDC_CHANNELS], "&Stereo");
    Command(d, IDC_MONITOR);
    Command(d, IDC_INPUT);
    Command(d, IDC_BITS);
    texts = w.texts;
    Command(d, vx::kIdCancel);
  };
  Run();
  EXPECT_EQ(ports.accesses, (std::vector<PortAccess>{Out(0x334, 0x16), Out(0x334, 0x14),
                                                     Out(0x334, 0x16), Out(0x334, 0x56),
                                                     Out(0x334, 0x76), Out(0x334, 0x72)}));
  EXPECT_EQ(texts[IDC_MONITOR], "Monitor &On");
  EXPECT_EQ(texts[IDC_INPUT], "&Mic");
  EXPECT_EQ(texts[IDC_BITS], "8 &Bit");
  EXPECT_EQ(registry.SettingsDword("Mon"), 1u);
  EXPECT_EQ(registry.SettingsDword("Gain"), 1u);
  EXPECT_EQ(registry.SettingsDword("Bits"), 0u);
  EXPECT_EQ(registry.SettingsDword("Chan"), 1u);
}

TEST_F(PanelRun, ALoadedMonitorOfTwoFlipsToThreeAndStillReadsOn) {
  registry.keys[FakeRegistry::Path(vx::kHKeyCurrentUser, "Software\\Vexmor_Rec")].values = {
      {"Mon", Dword(2)}};
  std::string caption;
  toolkit.script = [&](CDialog& d, ScriptedWindow& w) {
    Command(d, IDC_MONITOR);
    caption = w.texts[IDC_MONITOR];
    Command(d, vx::kIdCancel);
  };
  Run();
  EXPECT_EQ(caption, "Monitor &On");
  EXPECT_EQ(ports.accesses.back(), Out(0x334, 0xD6));  // 3 << 6 | 0x16, bit 8 lost
  EXPECT_EQ(registry.SettingsDword("Mon"), 3u);
}

TEST_F(PanelRun, OnlyTheEndOfAMovementWritesAGain) {
  toolkit.script = [&](CDialog& d, ScriptedWindow& w) {
    for (unsigned code : {vx::kTbThumbTrack, vx::kTbLineDown, vx::kTbPageDown, vx::kTbThumbPosition,
                          vx::kTbTop, vx::kTbBottom})
      d.OnHScroll(code, 50, IDC_MIC_SLIDER);
    EXPECT_EQ(ports.accesses.size(), 1u);
    w.positions[IDC_MIC_SLIDER] = 90;  // read from the control, not from the notification
    d.OnHScroll(vx::kTbEndTrack, 0, IDC_MIC_SLIDER);
    w.positions[IDC_AUX_SLIDER] = 255;
    d.OnHScroll(vx::kTbEndTrack, 0, IDC_AUX_SLIDER);
    d.OnHScroll(vx::kTbEndTrack, 0, IDC_AUX_SLIDER);  // a repeated end writes again
    Command(d, vx::kIdCancel);
  };
  Run();
  EXPECT_EQ(ports.accesses,
            (std::vector<PortAccess>{Out(0x334, 0x16), Out(0x333, 4), In(0x338, 0), Out(0x332, 90),
                                     Out(0x333, 8), In(0x338, 0), Out(0x332, 255), Out(0x333, 8),
                                     In(0x338, 0), Out(0x332, 255)}));
}

TEST_F(PanelRun, ASilentCardIsReportedOnceAndItsGainLeftUnwritten) {
  ports.idle = 0xFFFF;
  std::vector<std::string> boxes;
  toolkit.script = [&](CDialog& d, ScriptedWindow& w) {
    w.positions[IDC_MIC_SLIDER] = 10;
    d.OnHScroll(vx::kTbEndTrack, 0, IDC_MIC_SLIDER);
    d.OnHScroll(vx::kTbEndTrack, 0, IDC_AUX_SLIDER);
    boxes = w.messageBoxes;
    Command(d, vx::kIdCancel);
  };
  Run();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("0x0330 does not answer"), std::string::npos) << boxes[0];
  for (const PortAccess& a : ports.accesses) EXPECT_NE(a.port, 0x332) << "a gain was written";
  EXPECT_TRUE(registry.Settings());  // and the run still ends with the save
}

// Refused at start-up (no dialog), at a gain's end of movement, at a switch: told once, nothing
// reaches the ports afterwards (an end of movement or a switch while it is told, or later), the
// dialog ends, nothing is saved, status 1.
TEST_F(PanelRun, ARefusedPortIsToldOnceEndsTheRunAndSavesNothing) {
  for (const int trigger : {0, IDC_MIC_SLIDER, IDC_MONITOR}) {
    RecordingPorts refusing;
    refusing.refuseFrom = trigger ? 1 : 0;
    std::string told;
    CPanelApp run;
    auto poke = [&run] {
      if (CDialog* d = run.m_pMainWnd) d->OnHScroll(vx::kTbEndTrack, 0, IDC_AUX_SLIDER);
      if (CDialog* d = run.m_pMainWnd) Command(*d, IDC_CHANNELS);
    };
    const auto tell = [&](vx::MessageOwner* owner, const PanelSettings&) {
      told += owner ? "owned;" : "alone;";
      poke();
    };
    run.SetPlatform({&refusing, &registry, nullptr, tell});
    toolkit.script = [&](CDialog& d, ScriptedWindow& w) {
      trigger == IDC_MONITOR ? Command(d, trigger) : d.OnHScroll(vx::kTbEndTrack, 0, trigger);
      told += w.ended ? "ended;" : "";
      poke();
    };
    EXPECT_EQ(AfxWinMain(run, toolkit), 1);
    EXPECT_EQ(told, trigger ? "owned;ended;" : "alone;");
    EXPECT_EQ(refusing.attempts, refusing.refuseFrom + 1);
    EXPECT_EQ(registry.Settings(), nullptr);
  }
}

TEST_F(PanelRun, AcceleratorCommandsMoveTheFocusAndWriteNothing) {
  int afterAux = 0, afterMic = 0;
  toolkit.script = [&](CDialog& d, ScriptedWindow& w) {
    d.OnCommand((1u << 16) | ID_ACCEL_AUX, 0);
    afterAux = w.focused;
    d.OnCommand((1u << 16) | ID_ACCEL_MIC, 0);
    afterMic = w.focused;
    Command(d, vx::kIdCancel);
  };
  Run();
  EXPECT_EQ(afterAux, IDC_AUX_SLIDER);
  EXPECT_EQ(afterMic, IDC_MIC_SLIDER);
  EXPECT_EQ(ports.accesses.size(), 1u);
}

TEST_F(PanelRun, HelpCommandReachesTheApplicationAndOtherCommandsDoNothing) {
  bool unknownHandled = true;
  toolkit.script = [&](CDialog& d, ScriptedWindow&) {
    // F1 while the help's message is up opens no second one.
    toolkit.duringHelp = [&d] { d.OnCommand(vx::kIdHelp, 0); };
    d.OnCommand(vx::kIdHelp, 0);
    unknownHandled = d.OnCommand(4242, 0);
    Command(d, vx::kIdOk);
  };
  Run();
  EXPECT_EQ(toolkit.helpShown, 1);
  EXPECT_FALSE(unknownHandled);
  EXPECT_EQ(ports.accesses.size(), 1u);
}

}  // namespace
