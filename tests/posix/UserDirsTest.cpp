// The desktop folder from user-dirs.dirs, the way xdg-user-dir reads it.
#include <gtest/gtest.h>

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

}  // namespace
