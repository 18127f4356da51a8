// Shortcut examination on a real desktop tree, the desktop folder lookup, and the COM stand-ins.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "TempTree.h"
#include "platform/posix/shortcuts/DesktopLinks.h"

namespace {

using vx::posix::DesktopLinks;

std::string Entry(const std::string& exec) {
  return "[Desktop Entry]\nType=Application\nName=Panel\nExec=" + exec + "\n";
}

// The target a file yields through the calls the sweep makes, or "" when examination fails.
std::string Examine(DesktopLinks& links, const std::string& path) {
  vx::Guid clsid{};
  if (links.GetClassFile(path.c_str(), &clsid) != vx::kSOk) return "";
  EXPECT_EQ(clsid, vx::kClsidShellLink);
  vx::ShellLink* link = nullptr;
  EXPECT_EQ(links.CreateShellLink(&link), vx::kSOk);
  std::string target;
  if (link->QueryPersistFile() == vx::kSOk) {
    char buffer[520];
    if (link->Load(path.c_str()) == vx::kSOk && link->GetPath(buffer, sizeof buffer) == vx::kSOk)
      target = buffer;
    link->ReleasePersistFile();
  }
  links.ReleaseShellLink(link);
  return target;
}

class DesktopTree : public ::testing::Test {
 protected:
  void SetUp() override {
    tree.UseHome();
    program = tree.Write("opt/vexmor/Volsar.exe", "program");
    help = tree.Path("opt/vexmor/Volsar.hlp");
  }
  vx::test::TempTree tree;
  DesktopLinks links;
  std::string program, help;
};

TEST_F(DesktopTree, ShortcutsYieldTheirTargets) {
  EXPECT_EQ(Examine(links, tree.Write("desk/panel.desktop", Entry(program + " %U"))), program);
  EXPECT_EQ(Examine(links, tree.Write("desk/nested/deeper/panel.desktop", Entry(program))), program);
  EXPECT_EQ(Examine(links, tree.Write("desk/other.desktop", Entry("/usr/bin/gimp %F"))),
            "/usr/bin/gimp");
  EXPECT_EQ(Examine(links, tree.Write("desk/help.desktop",
                                      "[Desktop Entry]\nType=Link\nURL=file://" + help + "\n")),
            help);
  // Links: relative targets joined to the link's folder as written (the sweep looks the folder
  // up), missing targets included (the program is deleted before the sweep runs).
  EXPECT_EQ(Examine(links, tree.Link("desk/sub/rel", "../../opt/vexmor/Volsar.exe")),
            tree.Path("desk/sub/../../opt/vexmor/Volsar.exe"));
  EXPECT_EQ(Examine(links, tree.Link("desk/abs", program)), program);
  EXPECT_EQ(Examine(links, tree.Link("desk/dangling", "./gone/../Volsar.hlp")),
            tree.Path("desk/./gone/../Volsar.hlp"));
  EXPECT_EQ(links.linksHeld, 0);
}

TEST_F(DesktopTree, EverythingElseFailsExamination) {
  std::string huge = Entry(program) + "# " + std::string(vx::posix::kEntryLimit, 'x') + "\n";
  std::string binary = Entry(program);
  binary[3] = '\0';
  for (const std::string& path : {
           tree.Write("desk/broken-quote.desktop", Entry("\"" + program)),
           tree.Write("desk/no-exec.desktop", "[Desktop Entry]\nType=Application\nName=x\n"),
           tree.Write("desk/web.desktop", "[Desktop Entry]\nType=Link\nURL=https://x.invalid/\n"),
           tree.Write("desk/binary.desktop", binary),
           tree.Write("desk/huge.desktop", huge),
           tree.Write("desk/empty.desktop", ""),
           tree.Write("desk/notes.txt", "just text\n"),
           tree.Write("desk/panel.txt", Entry(program)),    // an entry by content, not by name
           tree.Write("desk/.desktop", Entry(program)),     // no name before the suffix
           tree.Folder("desk/folder"),
           tree.Link("desk/to-folder", "folder"),
           tree.Link("desk/loop-a", "loop-b"),
           tree.Link("desk/loop-b", "loop-a"),
           tree.Path("desk/absent"),
       }) {
    vx::Guid clsid = vx::kClsidShellLink;
    EXPECT_LT(links.GetClassFile(path.c_str(), &clsid), 0) << path;
    EXPECT_NE(clsid, vx::kClsidShellLink) << path;
    vx::ShellLink* link = nullptr;
    ASSERT_EQ(links.CreateShellLink(&link), vx::kSOk);
    EXPECT_LT(link->Load(path.c_str()), 0) << path;
    char buffer[520];
    EXPECT_LT(link->GetPath(buffer, sizeof buffer), 0) << path;
    links.ReleaseShellLink(link);
  }
  // A FIFO is never opened for reading (that would wait for a writer).
  std::string fifo = tree.Path("desk/fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  vx::Guid clsid{};
  EXPECT_LT(links.GetClassFile(fifo.c_str(), &clsid), 0);
  // A file of exactly the limit is still read.
  std::string atLimit = Entry(program);
  atLimit += "#" + std::string(vx::posix::kEntryLimit - atLimit.size() - 2, 'x') + "\n";
  ASSERT_EQ(atLimit.size(), vx::posix::kEntryLimit);
  EXPECT_EQ(Examine(links, tree.Write("desk/at-limit.desktop", atLimit)), program);
}

TEST_F(DesktopTree, GetPathNeverOverrunsTheBuffer) {
  std::string path = tree.Write("desk/panel.desktop", Entry(program));
  vx::ShellLink* link = nullptr;
  ASSERT_EQ(links.CreateShellLink(&link), vx::kSOk);
  char buffer[600];
  EXPECT_LT(link->GetPath(buffer, sizeof buffer), 0);  // nothing loaded yet
  ASSERT_EQ(link->Load(path.c_str()), vx::kSOk);
  std::memset(buffer, '#', sizeof buffer);
  auto fits = static_cast<int>(program.size() + 1);
  EXPECT_LT(link->GetPath(buffer, fits - 1), 0);
  EXPECT_EQ(buffer[0], '#');
  EXPECT_EQ(link->GetPath(buffer, fits), vx::kSOk);
  EXPECT_EQ(std::string(buffer), program);
  EXPECT_EQ(buffer[fits], '#');
  // A later failed load forgets the old target.
  EXPECT_LT(link->Load(tree.Path("desk/absent").c_str()), 0);
  EXPECT_LT(link->GetPath(buffer, sizeof buffer), 0);
  links.ReleaseShellLink(link);
}

TEST_F(DesktopTree, LoadSeesTheFileAsItIsNow) {
  // GetClassFile and Load read the same file in turn; a file changed in between is read again.
  std::string path = tree.Write("desk/panel.desktop", Entry(program));
  vx::Guid clsid{};
  ASSERT_EQ(links.GetClassFile(path.c_str(), &clsid), vx::kSOk);
  tree.Write("desk/panel.desktop", Entry("/usr/bin/another-program"));
  vx::ShellLink* link = nullptr;
  ASSERT_EQ(links.CreateShellLink(&link), vx::kSOk);
  char buffer[520];
  ASSERT_EQ(link->Load(path.c_str()), vx::kSOk);
  ASSERT_EQ(link->GetPath(buffer, sizeof buffer), vx::kSOk);
  EXPECT_STREQ(buffer, "/usr/bin/another-program");
  // Replaced by a broken entry: the load fails.
  ASSERT_EQ(links.GetClassFile(path.c_str(), &clsid), vx::kSOk);
  tree.Write("desk/panel.desktop", Entry("\"" + program));
  EXPECT_LT(link->Load(path.c_str()), 0);
  links.ReleaseShellLink(link);
}

std::string DesktopPath(DesktopLinks& links, bool* ok = nullptr) {
  vx::ItemList list = nullptr;
  EXPECT_EQ(links.GetDesktopLocation(0, &list), vx::kSOk);
  char path[vx::kMaxPath];
  std::memset(path, '#', sizeof path);
  bool answered = links.GetPathFromItemList(list, path);
  if (ok) *ok = answered;
  links.FreeItemList(list);
  EXPECT_EQ(links.itemListsHeld, 0);
  return path;
}

TEST_F(DesktopTree, DesktopFolderFollowsUserDirs) {
  EXPECT_EQ(DesktopPath(links), tree.Path("home/Desktop"));
  tree.Write("home/.config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n");
  EXPECT_EQ(DesktopPath(links), tree.Path("home/Bureau"));
  tree.SetEnv("XDG_CONFIG_HOME", tree.Path("cfg").c_str());
  tree.Write("cfg/user-dirs.dirs", "XDG_DESKTOP_DIR=\"" + tree.Path("elsewhere") + "\"\n");
  EXPECT_EQ(DesktopPath(links), tree.Path("elsewhere"));
  // A relative XDG_CONFIG_HOME is ignored.
  tree.SetEnv("XDG_CONFIG_HOME", "cfg");
  EXPECT_EQ(DesktopPath(links), tree.Path("home/Bureau"));
  // A file sh cannot parse is passed over whole, and the user told in one line naming it.
  tree.Write("home/.config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\nFOO=\"\n");
  testing::internal::CaptureStderr();
  EXPECT_EQ(DesktopPath(links), tree.Path("home/Desktop"));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("\"" + tree.Path("home/.config/user-dirs.dirs") + "\""), std::string::npos);
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

TEST_F(DesktopTree, DesktopPathThatDoesNotFitIsNotCutShort) {
  // (A home folder that cannot be known at all gives "" the same way; see DesktopFolder.)
  bool ok = true;
  tree.SetEnv("HOME", ("/" + std::string(300, 'h')).c_str());
  EXPECT_EQ(DesktopPath(links, &ok), "");
  EXPECT_FALSE(ok);
}

TEST(DesktopLinksKnobs, EachStandInCanFailAndEverythingIsCounted) {
  DesktopLinks links;
  EXPECT_EQ(links.CoInitialize(), vx::kSOk);
  EXPECT_EQ(links.initialised, 1);
  links.CoUninitialize();
  EXPECT_EQ(links.initialised, 0);

  links.knobs.coInitialize = vx::kSFalse;
  EXPECT_EQ(links.CoInitialize(), vx::kSFalse);
  EXPECT_EQ(links.initialised, 1);  // "already initialised" still wants its CoUninitialize
  links.CoUninitialize();
  links.knobs.coInitialize = vx::kEFail;
  EXPECT_EQ(links.CoInitialize(), vx::kEFail);
  EXPECT_EQ(links.initialised, 0);

  links.knobs.getMalloc = vx::kEOutOfMemory;
  EXPECT_EQ(links.GetMalloc(), vx::kEOutOfMemory);
  EXPECT_EQ(links.mallocHeld, 0);

  links.knobs.getDesktopLocation = vx::kEFail;
  vx::ItemList list = reinterpret_cast<vx::ItemList>(1);
  EXPECT_EQ(links.GetDesktopLocation(0, &list), vx::kEFail);
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(links.itemListsHeld, 0);

  links.knobs.createShellLink = vx::kEFail;
  vx::ShellLink* link = reinterpret_cast<vx::ShellLink*>(1);
  EXPECT_EQ(links.CreateShellLink(&link), vx::kEFail);
  EXPECT_EQ(link, nullptr);
  EXPECT_EQ(links.linksHeld, 0);
}

}  // namespace
