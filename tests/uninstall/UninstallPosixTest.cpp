// The whole procedure on the POSIX stand-ins and a real temporary tree: file hives, an install
// folder, a desktop with desktop entries, links, a link loop and nested folders, and WININIT.INI.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "../posix/TempTree.h"
#include "UninstallFakes.h"
#include "platform/posix/shortcuts/DesktopLinks.h"
#include "platform/posix/registry/FileRegistry.h"
#include "platform/posix/profile/IniProfile.h"
#include "platform/posix/files/PosixFiles.h"

namespace {

std::string Application(const std::string& exec) {
  return "[Desktop Entry]\nType=Application\nName=Panel\nExec=" + exec + "\n";
}

class PosixUninstall : public ::testing::Test {
 protected:
  static vx::posix::FileRegistry::Warn Warn() {
    return [](const std::string& message) { ADD_FAILURE() << message; };
  }
  void SetUp() override {
    tree.UseHome();
    install = tree.Folder("opt/vexmor");
    for (const char* name : {"Volsar.exe", "Volsar.hlp", "Volsar.gid", "pelzorn.exe"})
      tree.Write(std::string("opt/vexmor/") + name, "x");
    tree.Folder("home/Desktop");

    vx::posix::FileRegistry registry(vx::posix::FileRegistry::DefaultFolder(), Warn());
    vx::RegKey key = 0;
    ASSERT_EQ(registry.CreateKey(vx::kHKeyLocalMachine, kRegistrationKeyPath, "", &key), vx::kOk);
    const std::string value = install + "/pelzorn.exe";
    ASSERT_EQ(registry.SetValue(key, kUninstallStringName, vx::kRegSz,
                                reinterpret_cast<const std::uint8_t*>(value.c_str()),
                                static_cast<std::uint32_t>(value.size() + 1)),
              vx::kOk);
    ASSERT_EQ(registry.CloseKey(key), vx::kOk);
    ASSERT_EQ(registry.CreateKey(vx::kHKeyCurrentUser, kSettingsKeyPath, "Vexmor_Rec", &key),
              vx::kOk);
    ASSERT_EQ(registry.CloseKey(key), vx::kOk);
  }

  void Run() {
    vx::posix::FileRegistry registry(vx::posix::FileRegistry::DefaultFolder(), Warn());
    vx::posix::PosixFiles files;
    vx::posix::DesktopLinks shell(&files.Folders());
    vx::posix::IniProfile profile;
    RunUninstall(owner, {&registry, &files, &shell, &profile}, state);
    EXPECT_EQ(files.OpenFinds(), 0u);
    EXPECT_EQ(shell.initialised, 0);
    EXPECT_EQ(shell.mallocHeld, 0);
    EXPECT_EQ(shell.itemListsHeld, 0);
    EXPECT_EQ(shell.linksHeld, 0);
    EXPECT_EQ(profile.committed, 0);
  }
  bool KeyExists(vx::RegKey root, const char* path) {
    vx::posix::FileRegistry registry(vx::posix::FileRegistry::DefaultFolder(), Warn());
    vx::RegKey key = 0;
    if (registry.OpenKey(root, path, &key) != vx::kOk) return false;
    registry.CloseKey(key);
    return true;
  }

  vx::test::TempTree tree;
  std::string install;
  fake::Log log;
  fake::Owner owner{log};
  UninstallState state;
};

TEST_F(PosixUninstall, RemovesThePanelAndSchedulesTheRest) {
  const std::string program = install + "/Volsar.exe";
  tree.Write("home/Desktop/volsar.desktop", Application(program));
  tree.Write("home/Desktop/help.desktop",
             "[Desktop Entry]\nType=Link\nName=Help\nURL=file://" + install + "/Volsar.hlp\n");
  tree.Write("home/Desktop/other.desktop", Application("/usr/bin/true"));
  tree.Write("home/Desktop/notes.txt", "keep");
  tree.Link("home/Desktop/Group/Volsar", program);  // a folder of matches only
  tree.Write("home/Desktop/Group/Deeper/panel.desktop", Application("\"" + program + "\" %f"));
  tree.Link("home/Desktop/Loops/back", "..");  // a link to a folder: never entered
  tree.Write("home/Desktop/Loops/x.desktop", Application(program));
  tree.Link("home/Desktop/Away", install);  // leads out of the desktop tree

  Run();
  EXPECT_TRUE(owner.boxes.empty());
  EXPECT_FALSE(KeyExists(vx::kHKeyCurrentUser, kSettingsKeyPath));
  EXPECT_FALSE(KeyExists(vx::kHKeyLocalMachine, kRegistrationKeyPath));

  for (const char* gone : {"opt/vexmor/Volsar.exe", "opt/vexmor/Volsar.hlp", "opt/vexmor/Volsar.gid",
                           "home/Desktop/volsar.desktop", "home/Desktop/help.desktop",
                           "home/Desktop/Group", "home/Desktop/Loops/x.desktop"})
    EXPECT_FALSE(tree.Exists(gone)) << gone;
  for (const char* kept : {"opt/vexmor/pelzorn.exe", "home/Desktop/other.desktop",
                           "home/Desktop/notes.txt", "home/Desktop/Loops/back", "home/Desktop/Away",
                           "home/Desktop"})
    EXPECT_TRUE(tree.Exists(kept)) << kept;

  EXPECT_EQ(state.FolderEmpty, 1);
  const std::string ini = tree.Read("home/.local/state/vexmor/WININIT.INI");
  const std::size_t file = ini.find("NUL=" + install + "/pelzorn.exe\n");
  const std::size_t folder = ini.find("NUL=" + install + "\n");
  EXPECT_NE(ini.find("[Rename]"), std::string::npos) << ini;
  ASSERT_NE(file, std::string::npos) << ini;
  ASSERT_NE(folder, std::string::npos) << ini;
  EXPECT_LT(file, folder);
}

TEST_F(PosixUninstall, ExistingRenameEntriesAndOtherSectionsStay) {
  tree.Write("home/.local/state/vexmor/WININIT.INI",
             "; kept\r\n[Other]\r\na=b\r\n[Rename]\r\nNUL=/tmp/old.tmp\r\n");
  tree.Write("opt/vexmor/readme.txt", "left by the user");
  Run();
  EXPECT_EQ(state.FolderEmpty, 0);
  const std::string ini = tree.Read("home/.local/state/vexmor/WININIT.INI");
  EXPECT_NE(ini.find("; kept"), std::string::npos) << ini;
  EXPECT_NE(ini.find("a=b"), std::string::npos) << ini;
  const std::size_t old = ini.find("NUL=/tmp/old.tmp");
  const std::size_t added = ini.find("NUL=" + install + "/pelzorn.exe");
  ASSERT_NE(old, std::string::npos) << ini;
  ASSERT_NE(added, std::string::npos) << ini;
  EXPECT_LT(old, added);
  EXPECT_EQ(ini.find("NUL=" + install + "\n"), std::string::npos) << ini;
  EXPECT_EQ(ini.find("NUL=" + install + "\r"), std::string::npos) << ini;
}

TEST_F(PosixUninstall, ReadOnlyStaysReportedMissingStaysSilent) {
  // A folder where a file is expected fails with 5 even for root; Volsar.cnt is simply missing.
  std::filesystem::remove(install + "/Volsar.hlp");
  tree.Folder("opt/vexmor/Volsar.hlp");
  Run();
  ASSERT_EQ(owner.boxes.size(), 1u);
  EXPECT_EQ(owner.boxes[0].text, install + "/Volsar.hlp");
  EXPECT_EQ(owner.boxes[0].caption, "Can't delete the file named:");
  EXPECT_FALSE(tree.Exists("opt/vexmor/Volsar.gid"));
}

// Another account's registration, run from the user's own folder with a Volsar.exe: nothing touched.
TEST_F(PosixUninstall, RegistrationOfAnotherAccountStopsBeforeAnything) {
  const std::string work = tree.Folder("home/work"), hives = tree.Path("home/.config/vexmor/registry");
  tree.Write("home/work/Volsar.exe", "the user's own");
  const std::string before = tree.Read("home/.config/vexmor/registry/system.reg");
  for (const auto& e : std::filesystem::recursive_directory_iterator(tree.Root()))
    ::chmod(e.path().c_str(), e.is_directory() ? 0755 : 0644);
  ::chmod(tree.Root().c_str(), 0755);
  for (const auto& [file, folder] : {std::pair{0000, 0755}, {0600, 0755}, {0444, 0755}, {0644, 0555}}) {
    if (file == 0600 && ::geteuid() != 0) continue;  // another owner's only under root
    ::chmod((hives + "/system.reg").c_str(), file);
    ::chmod(hives.c_str(), folder);
    EXPECT_EQ(vx::test::AsOtherUser([&] {
                vx::posix::FileRegistry registry(hives, nullptr);
                vx::posix::PosixFiles files;
                vx::posix::DesktopLinks shell(&files.Folders());
                vx::posix::IniProfile profile;
                return ::chdir(work.c_str()) == 0 &&
                       RunUninstall(owner, {&registry, &files, &shell, &profile}) == UninstallOutcome::kRefused;
              }), 1) << file << " " << folder;
    ::chmod((hives + "/system.reg").c_str(), 0644);
    ::chmod(hives.c_str(), 0755);
    EXPECT_EQ(tree.Read("home/.config/vexmor/registry/system.reg"), before);
    EXPECT_TRUE(KeyExists(vx::kHKeyCurrentUser, kSettingsKeyPath));
    EXPECT_TRUE(tree.Exists("home/work/Volsar.exe") && tree.Exists("opt/vexmor/Volsar.hlp"));
  }
}

}  // namespace

// The desktop as the user's tools may spell it: separators doubled or at the end, in
// user-dirs.dirs or in HOME.
TEST_F(PosixUninstall, DesktopSpelledWithExtraSeparatorsIsSwept) {
  const std::string program = install + "/Volsar.exe";
  struct Row {
    const char* value;
    const char* homeEnd;
  };
  for (const Row& row : {Row{"$HOME/Desktop//", ""}, Row{"$HOME//Desktop/", "/"},
                         Row{"$HOME/Desktop", "//"}}) {
    SetUp();  // registered again: the run before removed the registration
    tree.SetEnv("HOME", (tree.Path("home") + row.homeEnd).c_str());
    tree.Write("home/.config/user-dirs.dirs", std::string("XDG_DESKTOP_DIR=\"") + row.value + "\"\n");
    tree.Write("home/Desktop/Group/volsar.desktop", Application(program));
    Run();
    EXPECT_FALSE(tree.Exists("home/Desktop/Group")) << row.value << " " << row.homeEnd;
    EXPECT_TRUE(tree.Exists("home/Desktop")) << row.value << " " << row.homeEnd;
  }
}
