// The whole chain on Linux, on a temporary home: an install laid out as the install step lays it
// out, the uninstall procedure on the POSIX stand-ins, then vexmor-wininit's processing at the next
// login. Nothing of the panel is left but what the install step keeps on purpose.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TempTree.h"
#include "platform/posix/shortcuts/DesktopLinks.h"
#include "platform/posix/registry/FileRegistry.h"
#include "platform/posix/profile/IniProfile.h"
#include "platform/posix/setup/LauncherEntries.h"
#include "platform/posix/files/PosixFiles.h"
#include "platform/posix/wininit/RenameList.h"
#include "platform/posix/wininit/RunnerFiles.h"
#include "uninstall/Uninstall.h"

namespace {

class RecordingOwner : public vx::MessageOwner {
 public:
  int MessageBoxA(const char* text, const char* caption, unsigned) override {
    boxes.push_back(std::string(caption) + " " + text);
    return 1;
  }
  vx::WindowRef GetSafeHwnd() const override { return 0; }
  std::vector<std::string> boxes;
};

// The install step's registration: the uninstaller's full path under the uninstall key.
void Register(vx::posix::FileRegistry& registry, const std::string& uninstaller) {
  vx::RegKey key = 0;
  ASSERT_EQ(registry.CreateKey(vx::kHKeyLocalMachine, kRegistrationKeyPath, "", &key), vx::kOk);
  ASSERT_EQ(registry.SetValue(key, kUninstallStringName, vx::kRegSz,
                              reinterpret_cast<const std::uint8_t*>(uninstaller.c_str()),
                              static_cast<std::uint32_t>(uninstaller.size() + 1)),
            vx::kOk);
  ASSERT_EQ(registry.CloseKey(key), vx::kOk);
}

// The uninstaller's OK path on the real stand-ins, wired as the program wires them; the boxes it
// showed.
std::vector<std::string> RunRealUninstall(vx::posix::FileRegistry& registry) {
  vx::posix::PosixFiles files;
  vx::posix::DesktopLinks shell(&files.Folders());
  vx::posix::IniProfile profile;
  UninstallPlatform platform{&registry, &files, &shell, &profile};
  RecordingOwner owner;
  RunUninstall(owner, platform);
  return owner.boxes;
}

TEST(InstallUninstall, EverythingOfThePanelGoesByTheNextLogin) {
  vx::test::TempTree tree;
  tree.UseHome();
  const std::string folder = tree.Path("prefix/lib/vexmor");
  for (const char* name : {"Volsar.exe", "Volsar.hlp", "pelzorn.exe"}) tree.Write(std::string("prefix/lib/vexmor/") + name, "x");
  const std::string program = folder + "/Volsar.exe";
  {
    vx::posix::FileRegistry registry(vx::posix::FileRegistry::DefaultFolder(), [](const std::string& line) { ADD_FAILURE() << line; });
    Register(registry, folder + "/pelzorn.exe");
    vx::RegKey key = 0;
    ASSERT_EQ(registry.CreateKey(vx::kHKeyCurrentUser, kSettingsKeyPath, "", &key), vx::kOk);
    ASSERT_EQ(registry.CloseKey(key), vx::kOk);
  }
  // The desktop: the install step's shortcut, one in a folder of its own, a link to the help file,
  // and things that are not the panel's.
  tree.Write("home/Desktop/vexmor-recording.desktop", vx::setup::PanelEntry(program, "/i.png", false));
  tree.Write("home/Desktop/Audio/panel.desktop", vx::setup::PanelEntry(program, "/i.png", false));
  tree.Link("home/Desktop/Help", folder + "/Volsar.hlp");
  tree.Write("home/Desktop/editor.desktop", vx::setup::PanelEntry("/usr/bin/editor", "/e.png", false));
  tree.Write("home/Desktop/notes.txt", "x");
  tree.Link("home/Desktop/loop", ".");
  // The application menu and the icon theme: the install step's entry and icons beside another
  // program's, and a theme folder holding none of the panel's.
  const std::string menu = "home/.local/share/applications/", theme = "home/.local/share/icons/hicolor/";
  tree.Write(menu + "vexmor-recording.desktop", vx::setup::PanelEntry(program, "vexmor-recording", true));
  tree.Write(menu + "editor.desktop", vx::setup::PanelEntry("/usr/bin/editor", "editor", true));
  for (const char* size : {"16x16", "256x256"}) {
    tree.Write(theme + size + "/apps/vexmor-recording.png", "png");
    tree.Write(theme + size + "/apps/editor.png", "png");
  }
  tree.Folder(theme + "scalable");
  tree.Write(theme + "index.theme", "[Icon Theme]\n");

  vx::posix::FileRegistry registry(vx::posix::FileRegistry::DefaultFolder(), [](const std::string& line) { ADD_FAILURE() << line; });
  const std::vector<std::string> boxes = RunRealUninstall(registry);

  EXPECT_EQ(boxes, std::vector<std::string>{});  // .gid and .cnt were never there: silent
  EXPECT_FALSE(tree.Exists("prefix/lib/vexmor/Volsar.exe"));
  EXPECT_FALSE(tree.Exists("prefix/lib/vexmor/Volsar.hlp"));
  EXPECT_TRUE(tree.Exists("prefix/lib/vexmor/pelzorn.exe"));  // until the next login
  EXPECT_FALSE(tree.Exists("home/Desktop/vexmor-recording.desktop"));
  EXPECT_FALSE(tree.Exists("home/Desktop/Audio"));
  EXPECT_FALSE(tree.Exists("home/Desktop/Help"));
  EXPECT_TRUE(tree.Exists("home/Desktop/editor.desktop"));
  EXPECT_TRUE(tree.Exists("home/Desktop/notes.txt"));
  EXPECT_TRUE(tree.Exists("home/Desktop/loop"));
  EXPECT_FALSE(tree.Exists(menu + "vexmor-recording.desktop"));
  EXPECT_TRUE(tree.Exists(menu + "editor.desktop"));
  for (const char* size : {"16x16", "256x256"}) {
    EXPECT_FALSE(tree.Exists(theme + size + "/apps/vexmor-recording.png")) << size;
    EXPECT_TRUE(tree.Exists(theme + size + "/apps/editor.png")) << size;
  }
  EXPECT_TRUE(tree.Exists(theme + "scalable"));
  EXPECT_TRUE(tree.Exists(theme + "index.theme"));
  vx::RegKey key = 0;
  EXPECT_EQ(registry.OpenKey(vx::kHKeyLocalMachine, kRegistrationKeyPath, &key), vx::kFileNotFound);
  EXPECT_EQ(registry.OpenKey(vx::kHKeyCurrentUser, kSettingsKeyPath, &key), vx::kFileNotFound);
  const std::string ini = "home/.local/state/vexmor/WININIT.INI";
  EXPECT_EQ(tree.Read(ini), "[Rename]\nNUL=" + folder + "/pelzorn.exe\nNUL=" + folder + "\n");

  // The next login.
  vx::wininit::RunnerFiles runnerFiles;
  auto run = vx::wininit::RunRenameList(tree.Read(ini), runnerFiles);
  EXPECT_TRUE(run.problems.empty());
  EXPECT_FALSE(tree.Exists("prefix/lib/vexmor"));
}

// The icons go with the panel's menu entry only: an entry of the same name for another program
// keeps them. An icon that cannot be deleted (a folder in its place) is named; the rest go.
TEST(InstallUninstall, ThemeIconsGoOnlyWithAMenuEntryOfThePanel) {
  struct Row {
    const char* entryProgram;  // relative to the tree; the panel's is "prefix/lib/vexmor/Volsar.exe"
    bool folderForIcon;
    bool entryGone, iconsGone;
  };
  for (const Row& row : {Row{"usr/bin/other", false, false, false},
                         Row{"prefix/lib/vexmor/Volsar.exe", true, true, true}}) {
    vx::test::TempTree tree;
    tree.UseHome();
    tree.Write("prefix/lib/vexmor/pelzorn.exe", "x");
    const std::string menu = "home/.local/share/applications/vexmor-recording.desktop";
    const std::string theme = "home/.local/share/icons/hicolor/";
    tree.Write(menu, vx::setup::PanelEntry(tree.Path(row.entryProgram), "vexmor-recording", true));
    tree.Write(theme + "16x16/apps/vexmor-recording.png", "png");
    const std::string stuck = theme + "48x48/apps/vexmor-recording.png";
    if (row.folderForIcon) tree.Write(stuck + "/x", "x"); else tree.Write(stuck, "png");
    vx::posix::FileRegistry registry(tree.Path("registry"), nullptr);
    Register(registry, tree.Path("prefix/lib/vexmor/pelzorn.exe"));
    const std::vector<std::string> boxes = RunRealUninstall(registry);
    EXPECT_EQ(tree.Exists(menu), !row.entryGone) << row.entryProgram;
    EXPECT_EQ(tree.Exists(theme + "16x16/apps/vexmor-recording.png"), !row.iconsGone) << row.entryProgram;
    EXPECT_TRUE(tree.Exists(stuck)) << row.entryProgram;
    EXPECT_EQ(boxes, row.folderForIcon
                               ? std::vector<std::string>{"Can't delete the file named: " + tree.Path(stuck)}
                               : std::vector<std::string>{})
        << row.entryProgram;
  }
}

// What the rename list cannot hold exactly, or where it cannot be kept, is never written: the
// uninstaller says so with its message, and no WININIT.INI appears anywhere. An install folder
// whose name ends in a blank beside the user's file of the same name without it: an entry that
// read back trimmed would delete the user's file at the next login.
TEST(InstallUninstall, RemovalListThatCannotBeWrittenExactlyIsNotWritten) {
  const auto start = std::filesystem::current_path();
  for (auto [installFolder, stateIsAFile] : {std::pair{"Apps/Panel ", false}, {"Apps/Vexmor", true}}) {
    {
      vx::test::TempTree tree;
      tree.UseHome();
      if (stateIsAFile) tree.SetEnv("XDG_STATE_HOME", tree.Write("state", "a file").c_str());
      const std::string folder = tree.Folder(installFolder);
      if (stateIsAFile) {
        ASSERT_EQ(::chdir(folder.c_str()), 0);  // never the current folder either
      }
      tree.Write("Apps/Panel", "the user's file");
      tree.Write(std::string(installFolder) + "/pelzorn.exe", "x");
      vx::posix::FileRegistry registry(tree.Path("registry"), nullptr);
      Register(registry, folder + "/pelzorn.exe");
      const std::vector<std::string> boxes = RunRealUninstall(registry);
      EXPECT_EQ(boxes, std::vector<std::string>{"Can't delete the directory named " + folder})
          << installFolder << " " << stateIsAFile;
      EXPECT_FALSE(tree.Exists("home/.local/state/vexmor/WININIT.INI"));
      EXPECT_FALSE(std::filesystem::exists(std::string(installFolder) + "/WININIT.INI"));
      EXPECT_FALSE(std::filesystem::exists("WININIT.INI"));
      EXPECT_EQ(tree.Read("Apps/Panel"), "the user's file");
      std::filesystem::current_path(start);
    }
  }
}

}  // namespace
