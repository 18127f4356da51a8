// The desktop folder from user-dirs.dirs, the way xdg-user-dir reads it.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

#include "TempTree.h"
#include "platform/posix/UserDirs.h"

namespace {

using vx::posix::DesktopFolder;

TEST(DesktopFolder, ReadsTheDesktopLine) {
  const std::string file =
      "# This file is written by xdg-user-dirs-update\n"
      "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
      "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n";
  EXPECT_EQ(DesktopFolder(file, "/home/u"), "/home/u/Schreibtisch");
  EXPECT_EQ(DesktopFolder("XDG_DESKTOP_DIR=\"/data/desk\"\r\n", "/home/u"), "/data/desk");
  EXPECT_EQ(DesktopFolder("  XDG_DESKTOP_DIR = \"$HOME\"\n", "/home/u"), "/home/u");
  EXPECT_EQ(DesktopFolder(R"(XDG_DESKTOP_DIR="$HOME/a\"b\\c d")", "/home/u"), R"(/home/u/a"b\c d)");
  EXPECT_EQ(DesktopFolder(R"(XDG_DESKTOP_DIR="$HOME/De\sk")", "/home/u"), R"(/home/u/De\sk)");
  // One spelling for the folder, whatever separators the file or HOME add.
  EXPECT_EQ(DesktopFolder("XDG_DESKTOP_DIR=\"$HOME/Desktop//\"\n", "/home/u"), "/home/u/Desktop");
  EXPECT_EQ(DesktopFolder("XDG_DESKTOP_DIR=\"$HOME/\"\n", "/home/u/"), "/home/u");
  // The last line wins, as when the shell sources the file.
  EXPECT_EQ(DesktopFolder("XDG_DESKTOP_DIR=\"/one\"\nXDG_DESKTOP_DIR=\"/two\"\n", "/h"), "/two");
}

TEST(DesktopFolder, FallsBackToHomeDesktop) {
  EXPECT_EQ(DesktopFolder(std::nullopt, "/home/u"), "/home/u/Desktop");
  EXPECT_EQ(DesktopFolder("", "/home/u"), "/home/u/Desktop");
  for (const char* file : {
           "#XDG_DESKTOP_DIR=\"/commented\"\n",
           "XDG_DESKTOP_DIR=\"relative/path\"\n",     // neither $HOME nor absolute
           "XDG_DESKTOP_DIR=\"$HOMEX/desk\"\n",       // another variable
           "XDG_DESKTOP_DIR=/unquoted\n",
           "XDG_DESKTOP_DIR=\"/no/closing/quote\n",
           "XDG_DESKTOP_DIRX=\"/other/key\"\n",
           "XDG_DESKTOP_DIR=\"/a\x01b\"\n",            // a control character
           "XDG_DESKTOP_DIR=\"$HOME/a\rb\"\n",
           "XDG_DESKTOP_DIR=\"/a\\\x7f\"\n",
       }) {
    EXPECT_EQ(DesktopFolder(std::string(file), "/home/u"), "/home/u/Desktop") << file;
  }
  {
    using namespace std::string_literals;
    EXPECT_EQ(DesktopFolder("XDG_DESKTOP_DIR=\"/a\0b\"\n"s, "/home/u"), "/home/u/Desktop");
  }
}

TEST(DesktopFolder, NoHomeGivesNoFolderUnderIt) {
  EXPECT_EQ(DesktopFolder(std::nullopt, ""), "");
  EXPECT_EQ(DesktopFolder("XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", ""), "");
  EXPECT_EQ(DesktopFolder("XDG_DESKTOP_DIR=\"/srv/desk\"\n", ""), "/srv/desk");
}

// The file is shell syntax: for generated values, the folder read is the one sh finds when it
// sources the file, or, for a line sh would expand in a way no reader can know, the default.
TEST(DesktopFolder, ReadsValuesAsShDoes) {
  vx::test::TempTree tree;
  // No piece begins with a letter, so that a variable's name ends where its piece does.
  const std::vector<std::string> pieces = {"=",    "/",    " ",     "\\\\", "\\\"", "\\$",  "\\`",
                                           "\\a",  "\\ ", "$",     "$/",   "$x/",   "${x}", "#",
                                           "'",    "~",    "\xC3\xA9", "//"};
  std::mt19937 random(20261209);
  std::vector<std::string> values;
  std::string script;
  for (int i = 0; i < 300; ++i) {
    std::string value = random() % 2 ? "$HOME" : "/";
    for (int n = random() % 8; n > 0; --n) value += pieces[random() % pieces.size()];
    values.push_back(value);
    std::ofstream(tree.Path("dirs" + std::to_string(i))) << "XDG_DESKTOP_DIR=\"" << value << "\"\n";
    script += "XDG_DESKTOP_DIR=/default; . ./dirs" + std::to_string(i) +
              "; printf '%s\\0' \"$XDG_DESKTOP_DIR\"\n";
  }
  std::ofstream(tree.Path("all.sh")) << script;
  // Run twice with other variables and parameters: what changes between the runs was expanded.
  auto source = [&](const std::string& how) {
    FILE* sh = ::popen(("cd " + tree.Root() + " && env -i HOME=/home/u " + how).c_str(), "r");
    std::string out;
    for (int c; sh && (c = std::fgetc(sh)) != EOF;) out += static_cast<char>(c);
    EXPECT_TRUE(sh && ::pclose(sh) == 0) << how;
    return std::istringstream(out);
  };
  std::istringstream plain = source("sh ./all.sh"), other = source("a=Q x=Q sh ./all.sh p q r");
  int differ = 0;
  for (const std::string& value : values) {
    std::string shFolder, shOther;
    std::getline(plain, shFolder, '\0');
    std::getline(other, shOther, '\0');
    const std::string ours = DesktopFolder("XDG_DESKTOP_DIR=\"" + value + "\"\n", "/home/u");
    const std::string expected =
        shFolder == shOther ? vx::posix::WithoutExtraSeparators(shFolder) : "/home/u/Desktop";
    if (ours != expected) {
      ++differ;
      ADD_FAILURE() << "XDG_DESKTOP_DIR=\"" << value << "\": sh reads \"" << shFolder
                    << "\" (or \"" << shOther << "\"), we read \"" << ours << "\"";
    }
  }
  EXPECT_EQ(differ, 0);
}

}  // namespace
