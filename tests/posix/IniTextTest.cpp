// Section reads and whole-section replacement on INI text.
#include <gtest/gtest.h>

#include "platform/posix/profile/IniText.h"

namespace {

using vx::posix::ReadIniSection;
using vx::posix::ReplaceIniSection;
using Entries = std::vector<std::string>;

TEST(ReadIniSection, EntriesWithoutCommentsOrBlanks) {
  const std::string text =
      "[Other]\nNUL=/not/this\n"
      "[rename]\r\n; a comment\r\n  NUL = /a b/c \r\n\r\nNUL=/d\r\nlonely\r\n"
      "[Next]\nNUL=/e\n[RENAME]\nNUL=/second/section/is/not/read\n";
  EXPECT_EQ(ReadIniSection(text, "Rename"), (Entries{"NUL=/a b/c", "NUL=/d", "lonely"}));
  EXPECT_EQ(ReadIniSection(text, "Missing"), Entries{});
  EXPECT_EQ(ReadIniSection("", "Rename"), Entries{});
}

TEST(ReplaceIniSection, KeepsEveryOtherLineAndItsLineEnd) {
  const std::string text =
      "; header comment\r\n"
      "[Before]\r\nA=1\r\n\r\n"
      "[Rename]\r\n; keep me\r\nNUL=/old1\r\n; between\r\nNUL=/old2\r\n\r\n"
      "[After]\r\nB=2";  // no line end at the very end
  EXPECT_EQ(ReplaceIniSection(text, "RENAME", {"NUL=/new1", "NUL=/new2"}),
            "; header comment\r\n"
            "[Before]\r\nA=1\r\n\r\n"
            "[Rename]\r\n; keep me\r\n; between\r\nNUL=/new1\r\nNUL=/new2\r\n\r\n"
            "[After]\r\nB=2");
  // Emptying the section keeps its header and comments.
  EXPECT_EQ(ReplaceIniSection("[Rename]\nNUL=/x\n\n[After]\n", "Rename", {}),
            "[Rename]\n\n[After]\n");
  // Files that mix lone CRs with LFs: no written line pairs with a kept one into one CRLF, a last
  // line without a line end keeps it missing, and the same entries written again give the same
  // bytes.
  struct Row {
    std::string text;
    Entries entries;
    std::string written;
  };
  for (const Row& row : {
           Row{"x\ny\r", {"NUL=/a"}, "x\ny\r\r\n[Rename]\nNUL=/a\n"},
           Row{"[Rename]\rNUL=/old\n\n[After]\n", {"NUL=/old", "NUL=/new"},
               "[Rename]\rNUL=/old\rNUL=/new\r\n\n[After]\n"},
           Row{"[Rename]\n; c\rNUL=/x\n\nNUL=/y\n", {}, "[Rename]\n; c\r\r\n"},
           Row{"[Rename]\nNUL=/x\n; note", {}, "[Rename]\n; note"},
           Row{"[Rename]", {}, "[Rename]"},
       }) {
    const auto written = ReplaceIniSection(row.text, "Rename", row.entries);
    EXPECT_EQ(written, row.written) << row.text;
    EXPECT_EQ(ReplaceIniSection(row.written, "Rename", row.entries), row.written) << row.text;
  }
}

TEST(ReplaceIniSection, SectionWithoutEntriesGetsThemAfterItsComments) {
  EXPECT_EQ(ReplaceIniSection("[Rename]\n; note\n\n[After]\nB=2\n", "Rename", {"NUL=/x"}),
            "[Rename]\n; note\nNUL=/x\n\n[After]\nB=2\n");
  EXPECT_EQ(ReplaceIniSection("[Rename]", "Rename", {"NUL=/x"}), "[Rename]\nNUL=/x\n");
}

TEST(ReplaceIniSection, MissingSectionOrFileIsAppended) {
  EXPECT_EQ(ReplaceIniSection("", "Rename", {"NUL=/x"}), "[Rename]\nNUL=/x\n");
  EXPECT_EQ(ReplaceIniSection("[Other]\r\nA=1", "Rename", {"NUL=/x"}),
            "[Other]\r\nA=1\r\n\r\n[Rename]\r\nNUL=/x\r\n");
}

// Whatever the writer accepts reads back byte for byte; what it cannot hold it refuses whole. Its
// next rewrite takes back every line it wrote.
TEST(ReplaceIniSection, WritesOnlyWhatReadsBackExactly) {
  using namespace std::string_literals;
  const std::string text = "[Rename]\r\nNUL=/old\r\n[Other]\r\n A = 1 \r\n";
  for (const std::string& bad :
       {"NUL=/Apps/Panel "s, "NUL=/x\t"s, "NUL= /x"s, "NUL =/x"s, " NUL=/x"s, "lonely"s, ""s,
        ";NUL=/x"s, "[Other]"s, "[Other]=1"s, "[x"s, "NUL=/a\nNUL=/b"s, "NUL=/a\r"s,
        "NUL=/a\0/b"s}) {
    EXPECT_EQ(ReplaceIniSection(text, "Rename", {"NUL=/fine", bad}), std::nullopt) << bad;
  }
  const Entries good = {"NUL=/Apps/Panel", "NUL=/a b/c", "=", "[x=1", "a=b = c", "NUL=;x",
                        "NUL=[x]", "k=\v", "NUL=/x\xc3\xa9"};
  auto written = ReplaceIniSection(text, "Rename", good);
  ASSERT_TRUE(written);
  EXPECT_EQ(ReadIniSection(*written, "Rename"), good);
  EXPECT_EQ(ReadIniSection(*written, "Other"), Entries{"A=1"});
  EXPECT_EQ(ReplaceIniSection(*written, "Rename", good), written);
  EXPECT_EQ(ReplaceIniSection("", "Re]name", {}), std::nullopt);
  EXPECT_EQ(ReplaceIniSection("", "Re\nname", {}), std::nullopt);
}

}  // namespace
