// The shell's own behaviour, on a scripted back end: minimised painting, command routing,
// accelerator matching, dialog-unit conversion and the resource tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>

#include "../panel/FakeToolkit.h"
#include "panel/res/Resources.h"
#include "shell/Accelerators.h"
#include "shell/Dialog.h"
#include "shell/HelpText.h"
#include "shell/DialogUnits.h"
#include "shell/WinApp.h"
#include "shell/WindowPlacement.h"

namespace {

TEST(MinimisedIcon, IsCentredRoundingTowardZero) {
  auto at = [](int w, int h) {
    const IconOrigin o = MinimisedIconOrigin(w, h, 32, 32);
    return std::make_pair(o.x, o.y);
  };
  EXPECT_EQ(at(36, 36), std::make_pair(2, 2));
  EXPECT_EQ(at(35, 35), std::make_pair(2, 2));
  EXPECT_EQ(at(30, 30), std::make_pair(0, 0));  // (-1)/2 is 0, not -1
  EXPECT_EQ(at(29, 29), std::make_pair(-1, -1));
  EXPECT_EQ(at(160, 33), std::make_pair(64, 1));
}

struct TestApp : CWinApp {
  int helps = 0;
  void OnHelp() override { ++helps; }
};

TEST(HelpText, EditControlTextEndsEveryLineInCrLfAndCutsLongFilesAtALineEndWithANote) {
  using namespace std::string_literals;
  auto whole = [](const std::string& file, std::size_t limit) {
    return vx::EditControlText(file, file.size(), limit);
  };
  EXPECT_EQ(whole("a\nb\r\nc\rd\n\n", 100), "a\r\nb\r\nc\r\nd\r\n\r\n");
  EXPECT_EQ(whole("x\0y\xff"s, 100), "x y\xff");  // other bytes pass as they are
  EXPECT_EQ(whole("", 100), "");

  std::string file;
  for (int i = 0; i < 20000; ++i) file += "line " + std::to_string(i) + "\n";
  const std::string converted = whole(file, file.size() * 2);
  const struct {
    std::size_t head, limit;
  } cases[] = {{file.size(), 60000}, {file.size(), 200}, {file.size(), 120}, {1000, 60000},
               {3, 60000}, {file.size(), 90}};
  for (const auto& c : cases) {
    const std::string cut = vx::EditControlText(std::string_view(file).substr(0, c.head),
                                                file.size(), c.limit);
    EXPECT_LE(cut.size(), c.limit);
    const std::size_t note = cut.rfind("\r\n[The help file is cut short here: ");
    ASSERT_NE(note, std::string::npos) << c.limit;
    // What is shown is the converted file's beginning, and the note counts its bytes.
    const std::string shown = cut.substr(0, note);
    EXPECT_EQ(converted.compare(0, shown.size(), shown), 0) << shown;
    const auto lines = std::count(shown.begin(), shown.end(), '\n');
    EXPECT_NE(cut.find(" " + std::to_string(shown.size() - lines) + " of its " +
                       std::to_string(file.size()) + " bytes"),
              std::string::npos)
        << cut.substr(note);
  }
}

TEST(Shell, DialogPaintsTheIconOnlyWhenMinimised) {
  TestApp app;
  FakeToolkit toolkit;
  app.SetToolkit(&toolkit);
  std::vector<std::pair<int, int>> painted;
  int defaults = 0;
  vx::IconRef dragIcon = 0;
  toolkit.script = [&](CDialog& d, ScriptedWindow& w) {
    d.OnPaint();
    w.iconic = true;
    w.client = {30, 30};
    d.OnPaint();
    dragIcon = d.OnQueryDragIcon();
    painted = w.paintedAt;
    defaults = w.defaultPaints;
    d.EndDialog(7);
  };
  CDialog dialog(102, nullptr);
  EXPECT_EQ(dialog.DoModal(), 7);
  EXPECT_EQ(defaults, 1);
  EXPECT_EQ(painted, (std::vector<std::pair<int, int>>{{0, 0}}));
  EXPECT_EQ(dragIcon, 0x128u);
}

// The help window's text for generated files: Markdown only for a small whole file; otherwise
// the file's first bytes as plain text, NUL shown as a blank, with breaks put only into long
// runs and never inside a UTF-8 sequence of up to four bytes, and a note when it is cut.
TEST(HelpText, WindowTextIsTheFileWithBreaksInLongLinesOnly) {
  std::mt19937 random(7);
  const std::string pieces[] = {"a", " ", "\n", "\r\n", "\r", std::string(1, '\0'), "\xC3\xA9",
                                "\xE2\x82\xAC", "\xF0\x9F\x8E\xA4", "\x80", "**", "|"};
  for (int round = 0; round < 200; ++round) {
    std::string file;
    const std::size_t size = random() % 2 ? random() % 6000 : random() % 400000;
    const bool oneLine = round % 3 == 0;
    while (file.size() < size) file += oneLine ? pieces[random() % 2 ? 0 : 6] : pieces[random() % 12];
    const std::uint64_t total = round % 5 == 0 ? (std::uint64_t{1} << 32) + file.size() : file.size();
    const vx::HelpWindowText shown = vx::HelpWindowTextOf(file, total);
    ASSERT_EQ(shown.markdown, total <= vx::kHelpMarkdownLimit) << round;
    if (shown.markdown) {
      EXPECT_EQ(shown.text, file);
      continue;
    }
    const std::size_t head = std::min(file.size(), vx::kHelpPlainLimit);
    std::size_t i = 0, j = 0, line = 0;
    for (; i < head; ++j) {
      ASSERT_LT(j, shown.text.size()) << round;
      const char c = file[i] == '\0' ? ' ' : file[i];
      if (shown.text[j] == c) {
        ++i;
        line = c == '\n' || c == '\r' ? 0 : line + 1;
        ASSERT_LE(line, vx::kHelpLineLimit + 4) << round;  // every long run is broken
        continue;
      }
      // A break of ours: after a long run, and before a sequence's first byte unless the run
      // is longer than any sequence.
      ASSERT_EQ(shown.text[j], '\n') << round << " at " << i;
      EXPECT_GE(line, vx::kHelpLineLimit);
      EXPECT_TRUE((static_cast<unsigned char>(file[i]) & 0xC0) != 0x80 ||
                  line >= vx::kHelpLineLimit + 4);
      line = 0;
    }
    EXPECT_EQ(shown.text.substr(j), head < total ? "\n\n" + vx::HelpCutNote(head, total) : "")
        << round;
  }
}

// The help window beside the dialog, the first side with room of right, left, below, above; else
// inside the work area, covering the least of the dialog that any position there covers.
TEST(HelpWindowPlacement, BesideTheDialogWhereThereIsRoomElseCoveringTheLeastOfIt) {
  const vx::ScreenRect screen{0, 0, 1024, 768};
  const struct { vx::ScreenRect owner; int x, y; } rows[] = {
      {{40, 300, 278, 99}, 318, 300}, {{700, 300, 278, 99}, 240, 300},
      {{376, 40, 278, 99}, 376, 139}, {{376, 600, 278, 99}, 376, 220},
      {{40, 700, 278, 99}, 318, 388}, {{376, 375, 278, 99}, 0, 0}};
  for (const auto& r : rows) {
    const vx::ScreenRect at = vx::PlaceBeside(screen, r.owner, 460, 380);
    EXPECT_EQ(std::make_pair(at.x, at.y), std::make_pair(r.x, r.y)) << r.owner.x << "," << r.owner.y;
  }
  std::mt19937 random(26);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  for (int round = 0; round < 300; ++round) {
    const vx::ScreenRect area{pick(5), pick(5), 20 + pick(30), 20 + pick(30)};
    const vx::ScreenRect owner{area.x + pick(area.width) - 3, area.y + pick(area.height) - 3,
                               1 + pick(15), 1 + pick(15)};
    const int w = 1 + pick(area.width), h = 1 + pick(area.height);
    long long least = std::numeric_limits<long long>::max();
    for (int y = area.y; y + h <= area.y + area.height; ++y)
      for (int x = area.x; x + w <= area.x + area.width; ++x)
        least = std::min(least, vx::OverlapArea({x, y, w, h}, owner));
    const vx::ScreenRect at = vx::PlaceBeside(area, owner, w, h);
    ASSERT_TRUE(at.x >= area.x && at.y >= area.y && at.x + w <= area.x + area.width &&
                at.y + h <= area.y + area.height) << round;
    EXPECT_EQ(vx::OverlapArea(at, owner), least) << round;
  }
}

TEST(Shell, OkAndCancelEndTheRunAndOnlyHelpReachesTheApplication) {
  TestApp app;
  FakeToolkit toolkit;
  app.SetToolkit(&toolkit);
  toolkit.script = [&](CDialog& d, ScriptedWindow&) {
    EXPECT_TRUE(d.OnCommand(vx::kIdHelp, 0));
    EXPECT_FALSE(d.OnCommand(0xE140, 0));  // another framework command: not handled
    d.OnCommand((1u << 16) | vx::kIdCancel, 0);
  };
  CDialog dialog(102, nullptr);
  EXPECT_EQ(dialog.DoModal(), vx::kIdCancel);
  EXPECT_EQ(app.helps, 1);

  toolkit.script = [](CDialog& d, ScriptedWindow&) { d.OnCommand(vx::kIdOk, 0); };
  EXPECT_EQ(dialog.DoModal(), vx::kIdOk);
}

TEST(Shell, NoToolkitOrNoTemplateMeansNoDialog) {
  TestApp app;
  CDialog dialog(102, nullptr);
  EXPECT_EQ(dialog.DoModal(), -1);
  EXPECT_EQ(dialog.m_hIcon, 0u);  // a missing icon leaves the handle empty
}

TEST(Shell, WinMainRunsInitInstanceOnceAndExitsZero) {
  struct CountingApp : CWinApp {
    int runs = 0;
    bool InitInstance() override {
      ++runs;
      return false;
    }
  } app;
  FakeToolkit toolkit;
  EXPECT_EQ(AfxGetApp(), &app);
  EXPECT_EQ(AfxWinMain(app, toolkit), 0);
  EXPECT_EQ(app.runs, 1);
}

TEST(Accelerators, MatchVirtualKeysWithExactlyTheirModifiers) {
  const vx::AccelTable* table = PanelResources().FindAccelerators(129);
  ASSERT_NE(table, nullptr);
  auto key = [](unsigned message, unsigned vk) {
    vx::Msg m;
    m.message = message;
    m.wParam = vk;
    return m;
  };
  using vx::MatchAccelerator;
  EXPECT_EQ(MatchAccelerator(*table, key(vx::kWmSysKeyDown, 'A'), vx::kAccelAlt), 2001u);
  EXPECT_EQ(MatchAccelerator(*table, key(vx::kWmSysKeyDown, 'V'), vx::kAccelAlt), 2000u);
  EXPECT_FALSE(MatchAccelerator(*table, key(vx::kWmKeyDown, 'A'), 0));
  EXPECT_FALSE(MatchAccelerator(*table, key(vx::kWmSysKeyDown, 'A'),
                                vx::kAccelAlt | vx::kAccelShift));
  EXPECT_FALSE(MatchAccelerator(*table, key(vx::kWmKeyUp, 'A'), vx::kAccelAlt));
  EXPECT_FALSE(MatchAccelerator(*table, key(vx::kWmSysKeyDown, 'O'), vx::kAccelAlt));
}

TEST(DialogUnits, ConvertAsTheDialogManagerDoes) {
  // MS Sans Serif 8 at 96 dpi: 52 letters 312 pixels wide, 13 high -> base units 6 x 13.
  const vx::BaseUnits base = vx::DialogBaseUnits(312, 13);
  EXPECT_EQ(base.x, 6);
  EXPECT_EQ(base.y, 13);
  EXPECT_EQ(vx::DialogUnitsToPixelsX(159, base), 239);  // 238.5 rounds up
  EXPECT_EQ(vx::DialogUnitsToPixelsY(61, base), 99);
  EXPECT_EQ(vx::DialogBaseUnits(338, 16).x, 7);  // 6.5 -> 7
  EXPECT_EQ(vx::MulDiv(-5, 3, 2), -8);             // half away from zero, both signs
  EXPECT_EQ(vx::MulDiv(5, 3, 2), 8);
  EXPECT_EQ(vx::MulDiv(1, 1, 0), -1);
}

TEST(Resources, PanelTemplateExpandsInTabOrder) {
  const vx::DialogTemplate* d = PanelResources().FindDialog(102);
  ASSERT_NE(d, nullptr);
  EXPECT_STREQ(d->caption, "Vexmor Recording");
  EXPECT_EQ(d->cx, 159);
  EXPECT_EQ(d->cy, 61);
  std::vector<int> ids;
  for (const auto& c : d->controls) ids.push_back(c.id);
  EXPECT_EQ(ids, (std::vector<int>{1001, 1000, 1011, 1010, 1005, 1006, 1008, 1007}));
  EXPECT_EQ(PanelResources().FindControl(102, 1010)->y, 22);
  EXPECT_EQ(PanelResources().version->fileVersion[1], 1);
  EXPECT_EQ(PanelResources().version->strings.size(), 7u);
}

}  // namespace
