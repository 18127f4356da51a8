// The help window's rich text in the system's rich edit control: for generated help sources (every
// block kind, bold runs, the characters RTF gives a meaning), the control holds the help's words as
// the plain text has them, headings bold and larger than the text, bold runs bold and list items
// with a hanging indent; a rich text the control cannot make into the help shows the plain text.
#include <gtest/gtest.h>
#include <windows.h>

#include <richedit.h>

#include <random>
#include <string>

#include "shell/win32/HelpDialog.rh"
#include "shell/win32/Win32HelpWindow.h"
#include "tools/helpc/HelpRtf.h"

namespace {

using namespace vx::help;

vx::help::Source Generated(std::mt19937& random) {
  static const std::string kLetters = "abcXYZ019 {}\\'\"&;:()+=/";
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  auto text = [&] {
    std::string t(1, 'a' + static_cast<char>(pick(26)));
    for (int n = pick(40); n > 0; --n) t += kLetters[static_cast<std::size_t>(pick(static_cast<int>(kLetters.size())))];
    return t;
  };
  Source source;
  source.title = text();
  source.blocks.push_back({Block::kTitle, {{source.title, false}}, 1});
  for (int n = 1 + pick(8); n > 0; --n) {
    Block block{static_cast<Block::Kind>(1 + pick(3)), {}, 0};
    bool bold = pick(2) == 0;
    for (int r = 1 + pick(4); r > 0; --r, bold = !bold) block.runs.push_back({text(), bold});
    source.blocks.push_back(block);
  }
  return source;
}

// The text the control shows: its paragraphs, one a line, with the bullet's tab a blank.
std::string Shown(HWND control) {
  std::string text(64 * 1024, '\0');
  text.resize(static_cast<std::size_t>(
      ::SendMessageA(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  std::string lines;
  for (const char c : text)
    if (c != '\n') lines += c == '\r' ? '\n' : c == '\t' ? ' ' : c;
  return lines;
}

// The plain text's lines without the blank ones.
std::string PlainLines(const std::string& plain) {
  std::string lines;
  for (std::size_t i = 0; i < plain.size(); ++i)
    if (plain[i] != '\r' && !(plain[i] == '\n' && (lines.empty() || lines.back() == '\n')))
      lines += plain[i];
  return lines;
}

CHARFORMATA FormatAt(HWND control, LONG from, LONG to) {
  ::SendMessageA(control, EM_SETSEL, from, to);
  CHARFORMATA format = {};
  format.cbSize = sizeof format;
  ::SendMessageA(control, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  return format;
}

PARAFORMAT ParagraphAt(HWND control, LONG at) {
  ::SendMessageA(control, EM_SETSEL, at, at);  // inside the paragraph, not at its start
  PARAFORMAT format = {};
  format.cbSize = sizeof format;
  ::SendMessageA(control, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format));
  return format;
}

struct OpenWindow {
  OpenWindow(const std::string& rtf, const std::string& plain) {
    EXPECT_TRUE(vx::win32::help::Open(::GetModuleHandleA(nullptr), 0, "Help window test", rtf,
                                      plain.c_str()));
    window = ::FindWindowA(nullptr, "Help window test");
    control = ::GetDlgItem(window, VX_IDC_HELP_TEXT);
  }
  ~OpenWindow() { ::DestroyWindow(window); }
  HWND window, control;
};

TEST(HelpWindow, RichTextHoldsThePlainTextsWordsWithHeadingsBoldRunsAndHangingItems) {
  std::mt19937 random(21);
  for (int round = 0; round < 40; ++round) {
    const Source source = Generated(random);
    const std::string plain = HelpPlainText(source);
    OpenWindow open(HelpRtf(source), plain);
    ASSERT_NE(open.control, nullptr);
    SCOPED_TRACE(plain);
    EXPECT_EQ(Shown(open.control) + "\n", PlainLines(plain));
    LONG at = 0, textSize = 0, headingSize = 0;
    for (const Block& block : source.blocks) {
      const bool item = block.kind == Block::kItem;
      const PARAFORMAT paragraph = ParagraphAt(open.control, at + 1);
      EXPECT_EQ(paragraph.dxOffset > 0, item) << "block at " << at;
      if (item) at += 2;  // the bullet and its tab
      for (const vx::help::Run& run : block.runs) {
        const LONG end = at + static_cast<LONG>(run.text.size());
        const CHARFORMATA format = FormatAt(open.control, at, end);
        const bool heading = block.kind == Block::kTitle || block.kind == Block::kHeading;
        EXPECT_TRUE(format.dwMask & CFM_BOLD) << run.text << " is bold in part only";
        EXPECT_EQ((format.dwEffects & CFE_BOLD) != 0, heading || run.bold) << run.text;
        (heading ? headingSize : textSize) = format.yHeight;
        if (textSize && headingSize) {
          EXPECT_GT(headingSize, textSize);
        }
        at = end;
      }
      ++at;  // the paragraph's end
    }
  }
}

TEST(HelpWindow, RichTextTheControlCannotMakeIntoTheHelpShowsThePlainText) {
  std::mt19937 random(95);
  const Source source = Generated(random);
  const std::string plain = HelpPlainText(source), rtf = HelpRtf(source);
  for (const std::string& bad : {std::string("no rich text at all"), rtf.substr(0, rtf.size() / 2),
                                 std::string("{\\rtf1 other words}"), std::string("{\\rtf1")}) {
    OpenWindow open(bad, plain);
    ASSERT_NE(open.control, nullptr);
    EXPECT_EQ(PlainLines(Shown(open.control)), PlainLines(plain)) << bad;
  }
}

}  // namespace
