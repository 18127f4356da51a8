// The REGEDIT4 reader and writer: what a hand-written or damaged text turns into, and that what is
// written reads back the same.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "platform/posix/registry/RegText.h"

using vx::posix::Hive;

namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<int> list) {
  std::vector<std::uint8_t> out;
  for (int b : list) out.push_back(static_cast<std::uint8_t>(b));
  return out;
}

std::vector<std::uint8_t> Sz(const std::string& s) {
  std::vector<std::uint8_t> out(s.begin(), s.end());
  out.push_back(0);
  return out;
}

const Hive::Value* ValueOf(const Hive& hive, const std::string& key, const std::string& name) {
  const Hive::Key* k = hive.Find(key);
  return k ? Hive::FindValue(*k, name) : nullptr;
}

// A hive as a person writes it: comments, CRLF line ends, blank lines, continued hex lists,
// escapes, every notation.
const char* const kHandWritten =
    "REGEDIT4\r\n"
    "\r\n"
    "; settings of the recording panel\r\n"
    "[HKEY_CURRENT_USER\\Software\\Vexmor_Rec]\r\n"
    "\"Port\"=dword:00000330\r\n"
    "; gain as the panel leaves it\r\n"
    "\"Gain\"=dword:1\r\n"
    "@=\"default \\\"quoted\\\" C:\\\\Apps\"\r\n"
    "\"Blob\"=hex:01,02,03,\\\r\n"
    "  04,05,\\\r\n"
    "  06\r\n"
    "\"Big\"=hex(b):01,00,00,00,00,00,00,00\r\n"
    "\"Path\"=hex(2):25,00\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
    "\"Empty\"=hex:\r\n";

}  // namespace

TEST(RegText, ReadsHandWrittenHive) {
  Hive hive;
  const auto result = hive.Parse(kHandWritten);
  ASSERT_TRUE(result.readable);
  EXPECT_TRUE(result.problems.empty());
  ASSERT_EQ(hive.Keys().size(), 2u);

  const auto* port = ValueOf(hive, "HKEY_CURRENT_USER\\Software\\Vexmor_Rec", "Port");
  ASSERT_TRUE(port);
  EXPECT_EQ(port->type, 4u);
  EXPECT_EQ(port->data, Bytes({0x30, 0x03, 0, 0}));
  EXPECT_EQ(ValueOf(hive, "HKEY_CURRENT_USER\\Software\\Vexmor_Rec", "Gain")->data,
            Bytes({1, 0, 0, 0}));

  const auto* def = ValueOf(hive, "HKEY_CURRENT_USER\\Software\\Vexmor_Rec", "");
  ASSERT_TRUE(def);
  EXPECT_EQ(def->type, 1u);
  EXPECT_EQ(def->data, Sz("default \"quoted\" C:\\Apps"));

  const auto* blob = ValueOf(hive, "HKEY_CURRENT_USER\\Software\\Vexmor_Rec", "Blob");
  ASSERT_TRUE(blob);
  EXPECT_EQ(blob->type, 3u);
  EXPECT_EQ(blob->data, Bytes({1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(ValueOf(hive, "HKEY_CURRENT_USER\\Software\\Vexmor_Rec", "Big")->type, 11u);
  EXPECT_EQ(ValueOf(hive, "HKEY_CURRENT_USER\\Software\\Vexmor_Rec", "Path")->type, 2u);
  const auto* empty = ValueOf(hive, "HKEY_CURRENT_USER\\Software\\Other", "Empty");
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->data.empty());

  // Comments stay where they stood.
  const std::string written = hive.Write();
  EXPECT_NE(written.find("; settings of the recording panel\n"), std::string::npos);
  EXPECT_NE(written.find("\"Port\"=dword:00000330\n; gain as the panel leaves it\n"
                         "\"Gain\"=dword:00000001\n"),
            std::string::npos);
}

TEST(RegText, WritesEveryTypeAndReadsItBack) {
  Hive hive;
  const std::string key = "HKEY_CURRENT_USER\\Software\\Types";
  hive.Create(key, "Class \"with\" \\ quotes");
  hive.SetValue(key, {"sz", 1, Sz("C:\\Apps\\\"x\"")});
  hive.SetValue(key, {"expand", 2, Sz("%HOME%")});
  hive.SetValue(key, {"binary", 3, Bytes({0, 0xff, 0x80})});
  hive.SetValue(key, {"dword", 4, Bytes({0x78, 0x56, 0x34, 0x12})});
  hive.SetValue(key, {"multi", 7, Bytes({'a', 0, 'b', 0, 0})});
  hive.SetValue(key, {"qword", 11, Bytes({1, 2, 3, 4, 5, 6, 7, 8})});
  hive.SetValue(key, {"none", 0, {}});
  hive.SetValue(key, {"short dword", 4, Bytes({1, 2})});
  hive.SetValue(key, {"sz without end", 1, Bytes({'a', 'b'})});
  hive.SetValue(key, {"sz with line break", 1, Sz("a\nb")});
  hive.SetValue(key, {"odd type", 0x12345, Bytes({9})});
  hive.SetValue(key, {"", 1, Sz("default")});
  hive.SetValue(key, {"na\"me\\", 4, Bytes({1, 0, 0, 0})});

  const std::string text = hive.Write();
  EXPECT_EQ(text.rfind("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Types]\n"
                       ";Class=\"Class \\\"with\\\" \\\\ quotes\"\n",
                       0),
            0u)
      << text;
  EXPECT_NE(text.find("\"dword\"=dword:12345678\n"), std::string::npos);
  EXPECT_NE(text.find("\"sz\"=\"C:\\\\Apps\\\\\\\"x\\\"\"\n"), std::string::npos);
  EXPECT_NE(text.find("\"qword\"=hex(b):01,02,03,04,05,06,07,08\n"), std::string::npos);
  EXPECT_NE(text.find("\"short dword\"=hex(4):01,02\n"), std::string::npos);
  EXPECT_NE(text.find("\"sz without end\"=hex(1):61,62\n"), std::string::npos);
  EXPECT_NE(text.find("@=\"default\"\n"), std::string::npos);

  Hive again;
  const auto result = again.Parse(text);
  ASSERT_TRUE(result.readable);
  EXPECT_TRUE(result.problems.empty());
  ASSERT_EQ(again.Keys().size(), 1u);
  EXPECT_EQ(again.Keys()[0].keyClass, "Class \"with\" \\ quotes");
  const auto& original = hive.Keys()[0].lines;
  const auto& read = again.Keys()[0].lines;
  ASSERT_EQ(read.size(), original.size());
  for (std::size_t i = 0; i < read.size(); ++i) {
    EXPECT_EQ(read[i].value.name, original[i].value.name);
    EXPECT_EQ(read[i].value.type, original[i].value.type) << original[i].value.name;
    EXPECT_EQ(read[i].value.data, original[i].value.data) << original[i].value.name;
  }
  EXPECT_EQ(again.Write(), text);
}

TEST(RegText, LongHexListsContinueOnIndentedLines) {
  Hive hive;
  std::vector<std::uint8_t> data(200);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
  hive.SetValue("HKEY_CURRENT_USER\\K", {"long", 3, data});
  const std::string text = hive.Write();

  std::istringstream lines(text);
  std::string line;
  int continued = 0;
  bool previousContinues = false;
  while (std::getline(lines, line)) {
    EXPECT_LE(line.size(), 80u) << line;
    if (previousContinues) {
      EXPECT_EQ(line.rfind("  ", 0), 0u) << line;
    }
    previousContinues = line.size() >= 2 && line.compare(line.size() - 2, 2, ",\\") == 0;
    continued += previousContinues;
  }
  EXPECT_GT(continued, 5);

  Hive again;
  ASSERT_TRUE(again.Parse(text).readable);
  EXPECT_EQ(ValueOf(again, "HKEY_CURRENT_USER\\K", "long")->data, data);
}

TEST(RegText, KeepsUnreadableLinesAsCommentsAndEverythingElse) {
  Hive hive;
  const auto result = hive.Parse(
      "REGEDIT4\n\n"
      "stray text before any key\n"
      "[HKEY_CURRENT_USER\\A]\n"
      "\"One\"=dword:00000001\n"
      "this is garbage\n"
      "\"Bad\"=dword:xyz\n"
      "\"Two\"=hex:01,0g\n"
      "\"Three\"=\"three\"\n"
      "[not a key\n"
      "[HKEY_CURRENT_USER\\A\\\\B]\n"
      "\"UnderBadKey\"=dword:00000005\n"
      "[HKEY_CURRENT_USER\\C]\n"
      "\"Cut\"=hex:01,02,\\\n"
      "[HKEY_CURRENT_USER\\D]\n"
      "\"Four\"=dword:00000004\n");
  ASSERT_TRUE(result.readable);
  ASSERT_EQ(result.problems.size(), 8u);
  EXPECT_EQ(result.problems[0].line, 3u);
  EXPECT_EQ(result.problems[1].text, "this is garbage");

  EXPECT_TRUE(ValueOf(hive, "HKEY_CURRENT_USER\\A", "One"));
  EXPECT_TRUE(ValueOf(hive, "HKEY_CURRENT_USER\\A", "Three"));
  EXPECT_FALSE(ValueOf(hive, "HKEY_CURRENT_USER\\A", "Bad"));
  // A value under a key line that cannot be read is not given to the key above it.
  EXPECT_FALSE(ValueOf(hive, "HKEY_CURRENT_USER\\A", "UnderBadKey"));
  // A hex list cut short does not swallow the key line after it.
  EXPECT_FALSE(ValueOf(hive, "HKEY_CURRENT_USER\\C", "Cut"));
  EXPECT_TRUE(ValueOf(hive, "HKEY_CURRENT_USER\\D", "Four"));

  // Written back, every unreadable line is still there, now as a comment, and reads cleanly.
  const std::string text = hive.Write();
  for (const char* kept : {"; unreadable: stray text before any key", "; unreadable: this is garbage",
                           "; unreadable: \"Bad\"=dword:xyz", "; unreadable: [not a key",
                           "; unreadable: \"UnderBadKey\"=dword:00000005",
                           "; unreadable: \"Cut\"=hex:01,02,\\"})
    EXPECT_NE(text.find(kept), std::string::npos) << kept;
  Hive again;
  const auto second = again.Parse(text);
  EXPECT_TRUE(second.problems.empty());
  EXPECT_EQ(again.Write(), text);
}

// Comment lines keep their bytes, trailing CRs included, and one that reads like a class line
// stays a comment however often the hive is saved.
TEST(RegText, CommentsStayCommentsWithTheirBytes) {
  Hive hive;
  ASSERT_TRUE(hive.Parse("REGEDIT4\n\n;top\r\r\n[HKEY_CURRENT_USER\\A]\n\n;Class=\"x\"\n; cr\r\r\n"
                         "[HKEY_CURRENT_USER\\B]\n;Class=\"b\"\n;Class=\"c\"\n").readable);
  for (int save = 0; save < 3; ++save) {
    const std::string text = hive.Write();
    ASSERT_TRUE(hive.Parse(text).problems.empty()) << text;
  }
  ASSERT_TRUE(hive.Find("HKEY_CURRENT_USER\\A"));
  EXPECT_EQ(hive.Find("HKEY_CURRENT_USER\\A")->keyClass, "");
  ASSERT_EQ(hive.Find("HKEY_CURRENT_USER\\A")->lines.size(), 2u);
  EXPECT_EQ(hive.Find("HKEY_CURRENT_USER\\A")->lines[0].comment, ";Class=\"x\"");
  EXPECT_EQ(hive.Find("HKEY_CURRENT_USER\\A")->lines[1].comment, "; cr\r");
  EXPECT_EQ(hive.Find("HKEY_CURRENT_USER\\B")->keyClass, "b");
  EXPECT_EQ(hive.Find("HKEY_CURRENT_USER\\B")->lines[0].comment, ";Class=\"c\"");
  EXPECT_NE(hive.Write().find(";top\r\r\n"), std::string::npos);
}

TEST(RegText, RefusesTextThatIsNotAHive) {
  Hive hive;
  EXPECT_FALSE(hive.Parse("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A]\n").readable);
  EXPECT_FALSE(hive.Parse(std::string("REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"a\0b\"\n", 40))
                   .readable);
  EXPECT_FALSE(hive.Parse("[HKEY_CURRENT_USER\\A]\n").readable);
  EXPECT_TRUE(hive.Keys().empty());
  EXPECT_TRUE(hive.Parse("").readable);
  EXPECT_TRUE(hive.Parse("\n\n").readable);
  EXPECT_TRUE(hive.Parse("\xEF\xBB\xBFREGEDIT4\n").readable);
}

TEST(RegText, NamesCompareWithoutCaseAndKeepTheirFirstSpelling) {
  Hive hive;
  hive.SetValue("HKEY_CURRENT_USER\\Software\\Vexmor_Rec", {"Port", 4, Bytes({1, 0, 0, 0})});
  hive.SetValue("HKEY_CURRENT_USER\\SOFTWARE\\VEXMOR_REC", {"PORT", 4, Bytes({2, 0, 0, 0})});
  hive.Create("hkey_current_user\\SOFTWARE\\New", "");
  ASSERT_EQ(hive.Keys().size(), 2u);
  EXPECT_EQ(hive.Keys()[1].path, "HKEY_CURRENT_USER\\Software\\New");
  const auto* port = ValueOf(hive, "hkey_current_user\\software\\vexmor_rec", "port");
  ASSERT_TRUE(port);
  EXPECT_EQ(port->name, "Port");
  EXPECT_EQ(port->data, Bytes({2, 0, 0, 0}));
  EXPECT_TRUE(hive.Exists("HKEY_CURRENT_USER\\software"));  // a parent without a line
  EXPECT_FALSE(hive.Exists("HKEY_CURRENT_USER\\Soft"));
}

TEST(RegText, DeleteTakesSubkeysButNotKeysSharingThePrefix) {
  Hive hive;
  for (const char* k : {"HKEY_CURRENT_USER\\S\\Foo", "HKEY_CURRENT_USER\\S\\Foo\\Sub",
                        "HKEY_CURRENT_USER\\S\\Foo\\Sub\\Deep", "HKEY_CURRENT_USER\\S\\FooBar",
                        "HKEY_CURRENT_USER\\S\\Foo Bar", "HKEY_CURRENT_USER\\T"})
    hive.Create(k, "");
  EXPECT_TRUE(hive.Delete("HKEY_CURRENT_USER\\s\\FOO"));
  std::vector<std::string> left;
  for (const auto& k : hive.Keys()) left.push_back(k.path);
  EXPECT_EQ(left, (std::vector<std::string>{"HKEY_CURRENT_USER\\S\\FooBar",
                                            "HKEY_CURRENT_USER\\S\\Foo Bar", "HKEY_CURRENT_USER\\T"}));
  EXPECT_FALSE(hive.Delete("HKEY_CURRENT_USER\\S\\Foo"));
  // A parent that exists only through its children goes with them.
  hive.Create("HKEY_CURRENT_USER\\P\\Q", "");
  EXPECT_TRUE(hive.Delete("HKEY_CURRENT_USER\\P"));
  EXPECT_FALSE(hive.Exists("HKEY_CURRENT_USER\\P"));
}

TEST(RegText, ValueStandingTwiceTakesTheLaterLine) {
  Hive hive;
  ASSERT_TRUE(hive.Parse("REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:00000001\n"
                         "[HKEY_CURRENT_USER\\B]\n[HKEY_CURRENT_USER\\a]\n\"X\"=dword:00000002\n")
                  .readable);
  EXPECT_EQ(hive.Keys().size(), 2u);
  EXPECT_EQ(ValueOf(hive, "HKEY_CURRENT_USER\\A", "x")->data, Bytes({2, 0, 0, 0}));
}
