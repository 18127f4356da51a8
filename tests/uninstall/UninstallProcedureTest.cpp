// The uninstall procedure on fakes: registry fallbacks, the install prefix, the file deletions and
// their messages, the COM steps and what each failure skips, the residue check, and the refusals
// where no install folder or no whole path exists.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "UninstallFakes.h"

namespace {

using namespace std::string_literals;

constexpr vx::RegKey kHklm = vx::kHKeyLocalMachine;

std::vector<std::string> WithPrefix(const fake::Log& log, const std::string& prefix) {
  std::vector<std::string> out;
  for (const std::string& e : log)
    if (e.rfind(prefix, 0) == 0) out.push_back(e.substr(prefix.size()));
  return out;
}

class Procedure : public ::testing::Test {
 protected:
  explicit Procedure(char separator = '\\') : m(separator) {}

  void Register(const std::string& value, bool terminated = true) {
    m.registry.SetString(kHklm, kRegistrationKeyPath, kUninstallStringName, value, terminated);
  }
  // The install folder with the panel's four files and the uninstaller.
  void Install(const std::string& folder) {
    m.files.AddFolder(folder);
    for (const char* name : {"Volsar.exe", "Volsar.hlp", "Volsar.gid", "Volsar.cnt", "pelzorn.exe"})
      m.files.AddFile(m.files.Join(folder, name));
  }
  void Desktop(const std::string& folder) {
    m.files.AddFolder(folder);
    m.shell.desktop = folder;
  }
  void Run() { RunUninstall(m.owner, m.Platform(), s); }

  std::vector<std::string> Deleted() const { return WithPrefix(m.log, "DeleteFile "); }
  std::string Section() { return m.profile.files[m.profile.windows + "\\WININIT.INI"]["Rename"]; }
  void ExpectNothingLeftOpen() {
    EXPECT_EQ(m.registry.OpenHandles(), 0u);
    EXPECT_EQ(m.files.OpenFinds(), 0u);
    EXPECT_EQ(m.shell.link().persistHeld, 0);
    EXPECT_FALSE(m.files.sawOverlongPath);
  }

  fake::Machine m;
  UninstallState s;
};

TEST_F(Procedure, RegisteredInstallIsRemovedInOrder) {
  Register("C:\\Apps\\Panel\\pelzorn.exe");
  Install("C:\\Apps\\Panel");
  Desktop("C:\\Desk");
  m.files.AddShortcut("C:\\Desk\\Panel.lnk", "C:\\Apps\\Panel\\Volsar.exe");
  Run();

  const fake::Log& log = m.log;
  // The registration is opened before anything is touched.
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0], std::string("OpenKey ") + kRegistrationKeyPath);
  EXPECT_EQ(log[1], "DeleteKey HKCU Software\\Vexmor_Rec");
  const int close = fake::IndexOf(log, "CloseKey");
  const int hklm = fake::IndexOf(log, std::string("DeleteKey HKLM ") + kRegistrationKeyPath);
  ASSERT_GE(close, 0);
  EXPECT_GT(hklm, close);
  EXPECT_FALSE(fake::Has(log, "GetCurrentDirectory"));
  EXPECT_TRUE(m.registry.keys.empty());

  EXPECT_EQ(Deleted(), (std::vector<std::string>{
                           "C:\\Apps\\Panel\\Volsar.exe", "C:\\Desk\\Panel.lnk",
                           "C:\\Apps\\Panel\\Volsar.hlp", "C:\\Apps\\Panel\\Volsar.gid",
                           "C:\\Apps\\Panel\\Volsar.cnt"}));
  // The program file goes before the shortcut removal, the help files after it.
  EXPECT_LT(fake::IndexOf(log, "DeleteFile C:\\Apps\\Panel\\Volsar.exe"),
            fake::IndexOf(log, "CoInitialize"));
  EXPECT_LT(fake::IndexOf(log, "CoUninitialize"),
            fake::IndexOf(log, "DeleteFile C:\\Apps\\Panel\\Volsar.hlp"));

  EXPECT_EQ(s.InstallDirLen, 14u);
  EXPECT_STREQ(s.TargetPath, "C:\\Apps\\Panel\\pelzorn.exe");
  EXPECT_STREQ(s.WorkPath, "C:\\Apps\\Panel");
  EXPECT_EQ(s.FolderEmpty, 1);
  EXPECT_EQ(Section(), "NUL=C:\\Apps\\Panel\\pelzorn.exe\0NUL=C:\\Apps\\Panel\0"s);
  EXPECT_TRUE(m.owner.boxes.empty());
  EXPECT_TRUE(m.files.Exists("C:\\Apps\\Panel\\pelzorn.exe"));
  EXPECT_TRUE(m.files.Exists("C:\\Desk"));
  ExpectNothingLeftOpen();
}

TEST_F(Procedure, UninstallStringLengthDecidesThePrefix) {
  struct Case {
    std::string value;
    std::string firstDeletion;
  };
  const std::vector<Case> cases = {
      {"C:\\Q\\UNINSTL.EXE", "C:\\Q\\Volsar.exe"},   // last 11 dropped without comparing
      {"Xpelzorn.exe", "XVolsar.exe"},               // 12: one character of prefix
      {"C:\\Apps", "C:\\AppsVolsar.exe"},            // 7: taken whole, no separator added
      {"1234567890", "1234567890Volsar.exe"},        // 10: taken whole
      {"pelzorn.exe", "D:\\Work\\Volsar.exe"},       // 11: no prefix left, current folder
      {"", "D:\\Work\\Volsar.exe"},                  // empty: current folder
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    fake::Machine machine;
    machine.registry.SetString(kHklm, kRegistrationKeyPath, kUninstallStringName, c.value);
    machine.files.cwd = "D:\\Work";
    UninstallState state;
    RunUninstall(machine.owner, machine.Platform(), state);
    const std::vector<std::string> deleted = WithPrefix(machine.log, "DeleteFile ");
    ASSERT_FALSE(deleted.empty());
    EXPECT_EQ(deleted.front(), c.firstDeletion);
    // The registration goes whatever its value held.
    EXPECT_TRUE(fake::Has(machine.log, std::string("DeleteKey HKLM ") + kRegistrationKeyPath));
    EXPECT_EQ(fake::Has(machine.log, "GetCurrentDirectory"), c.firstDeletion.rfind("D:", 0) == 0);
  }
}

TEST_F(Procedure, CurrentFolderStandsInForAMissingRegistration) {
  struct Case {
    std::string cwd;
    std::string program;
    unsigned prefixLength;
  };
  for (const Case& c : std::vector<Case>{{"D:\\Work", "D:\\Work\\Volsar.exe", 8},
                                         {"D:\\Work\\", "D:\\Work\\Volsar.exe", 8},
                                         {"D:\\", "D:\\Volsar.exe", 3}}) {
    SCOPED_TRACE(c.cwd);
    fake::Machine machine;
    machine.files.cwd = c.cwd;
    UninstallState state;
    RunUninstall(machine.owner, machine.Platform(), state);
    EXPECT_EQ(WithPrefix(machine.log, "DeleteFile ").front(), c.program);
    EXPECT_EQ(state.InstallDirLen, c.prefixLength);
    // No key was opened, so no deletion of it is attempted; the settings key goes all the same.
    EXPECT_EQ(fake::CountPrefix(machine.log, "DeleteKey HKLM"), 0);
    EXPECT_TRUE(fake::Has(machine.log, "DeleteKey HKCU Software\\Vexmor_Rec"));
  }
}

// Refused rights stop the run with one message before any other call; other answers fall back.
TEST_F(Procedure, RegistrationOpenAnswers) {
  for (const vx::Status open : {vx::kAccessDenied, vx::kFileNotFound, vx::kBadDatabase}) {
    fake::Machine machine;
    machine.registry.openErrors[kRegistrationKeyPath] = open;
    const bool refused = RunUninstall(machine.owner, machine.Platform()) == UninstallOutcome::kRefused;
    EXPECT_EQ(refused, open == vx::kAccessDenied) << open;
    EXPECT_EQ(machine.log.size() == 2 ? machine.log[1] : "", !refused ? "" :
              "MessageBox Can't open the registration named: HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\"
              "Windows\\CurrentVersion\\Uninstall\\Vexmor_Rec\n\nThe uninstall needs the rights of "
              "the account that installed the panel. Nothing was removed.") << open;
  }
}

TEST_F(Procedure, UnreadableRegistrationStillDeletesTheKey) {
  // A key without the value, a value too long for the buffer, and a failing query.
  for (int variant = 0; variant < 3; ++variant) {
    SCOPED_TRACE(variant);
    fake::Machine machine;
    machine.files.cwd = "D:\\Work";
    auto& values = machine.registry.keys[{kHklm, kRegistrationKeyPath}];
    if (variant == 1) values[kUninstallStringName] = {vx::kRegSz, std::vector<std::uint8_t>(300, 'x')};
    if (variant == 2) machine.registry.queryError = vx::kBadDatabase;
    UninstallState state;
    RunUninstall(machine.owner, machine.Platform(), state);
    EXPECT_EQ(WithPrefix(machine.log, "DeleteFile ").front(), "D:\\Work\\Volsar.exe");
    EXPECT_TRUE(fake::Has(machine.log, std::string("DeleteKey HKLM ") + kRegistrationKeyPath));
    EXPECT_EQ(machine.registry.OpenHandles(), 0u);
  }
}

TEST_F(Procedure, RegistrationValueTypeIsNotLookedAt) {
  m.registry.keys[{kHklm, kRegistrationKeyPath}][kUninstallStringName] = {
      vx::kRegBinary, {'E', ':', '\\', 'p', 'e', 'l', 'z', 'o', 'r', 'n', '.', 'e', 'x', 'e'}};
  Run();
  EXPECT_EQ(Deleted().front(), "E:\\Volsar.exe");
}

TEST_F(Procedure, OnlyFileNotFoundIsSilent) {
  Register("C:\\Apps\\pelzorn.exe");
  Install("C:\\Apps");
  m.files.nodes.erase("C:\\Apps\\Volsar.gid");                  // missing: error 2, silent
  m.files.deleteErrors["C:\\Apps\\Volsar.hlp"] = vx::kAccessDenied;  // read-only
  m.files.deleteErrors["C:\\Apps\\Volsar.exe"] = 32;                 // in use
  Run();
  ASSERT_EQ(m.owner.boxes.size(), 2u);
  EXPECT_EQ(m.owner.boxes[0].text, "C:\\Apps\\Volsar.exe");
  EXPECT_EQ(m.owner.boxes[1].text, "C:\\Apps\\Volsar.hlp");
  for (const auto& box : m.owner.boxes) {
    EXPECT_EQ(box.caption, "Can't delete the file named:");
    EXPECT_EQ(box.type, 0u);
  }
  // The procedure went on after each message.
  EXPECT_FALSE(m.files.Exists("C:\\Apps\\Volsar.cnt"));
  EXPECT_EQ(fake::IndexOf(m.log, "MessageBox Can't delete the file named: C:\\Apps\\Volsar.hlp") + 1,
            fake::IndexOf(m.log, "DeleteFile C:\\Apps\\Volsar.gid"));
}

TEST_F(Procedure, MissingInstallFolderReportsEachFile) {
  Register("C:\\Gone\\pelzorn.exe");  // error 3 for every file
  Run();
  ASSERT_EQ(m.owner.boxes.size(), 4u);
  EXPECT_EQ(m.owner.boxes[0].text, "C:\\Gone\\Volsar.exe");
  EXPECT_EQ(m.owner.boxes[1].text, "C:\\Gone\\Volsar.hlp");
  EXPECT_EQ(m.owner.boxes[2].text, "C:\\Gone\\Volsar.gid");
  EXPECT_EQ(m.owner.boxes[3].text, "C:\\Gone\\Volsar.cnt");
  // The folder could not be read, so it is not counted empty: only the uninstaller is scheduled.
  EXPECT_EQ(s.FolderEmpty, 0);
  EXPECT_EQ(Section(), "NUL=C:\\Gone\\pelzorn.exe\0"s);
}

// Each COM or shell failure skips the rest of the shortcut removal only.
TEST_F(Procedure, ComFailuresSkipOnlyTheShortcutRemoval) {
  struct Case {
    const char* name;
    vx::HResult coInitialize, getMalloc, desktopLocation, createLink;
    std::vector<std::string> calls;  // the COM and shell calls, in order
  };
  const std::string owner = "GetDesktopLocation " + std::to_string(0x4D2);
  const std::vector<Case> cases = {
      {"all succeed", 0, 0, 0, 0,
       {"CoInitialize", "GetMalloc", owner, "GetPathFromItemList", "FreeItemList", "CreateShellLink",
        "ReleaseShellLink", "ReleaseMalloc", "CoUninitialize"}},
      {"already initialised", vx::kSFalse, 0, 0, 0, {"CoInitialize"}},
      {"CoInitialize fails", vx::kEFail, 0, 0, 0, {"CoInitialize"}},
      {"no allocator", 0, vx::kEOutOfMemory, 0, 0, {"CoInitialize", "GetMalloc", "CoUninitialize"}},
      {"allocator answers S_FALSE", 0, vx::kSFalse, 0, 0,
       {"CoInitialize", "GetMalloc", owner, "GetPathFromItemList", "FreeItemList", "CreateShellLink",
        "ReleaseShellLink", "ReleaseMalloc", "CoUninitialize"}},
      {"no desktop location", 0, 0, vx::kSFalse, 0,
       {"CoInitialize", "GetMalloc", owner, "ReleaseMalloc", "CoUninitialize"}},
      {"no shell-link object", 0, 0, 0, vx::kEFail,
       {"CoInitialize", "GetMalloc", owner, "GetPathFromItemList", "FreeItemList", "CreateShellLink",
        "ReleaseMalloc", "CoUninitialize"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake::Machine machine;
    machine.registry.SetString(kHklm, kRegistrationKeyPath, kUninstallStringName,
                               "C:\\Apps\\pelzorn.exe");
    machine.files.AddFolder("C:\\Apps");
    machine.files.AddFile("C:\\Apps\\pelzorn.exe");
    machine.files.AddFile("C:\\Apps\\Volsar.cnt");
    machine.files.AddFolder("C:\\Desk");
    machine.files.AddShortcut("C:\\Desk\\Panel.lnk", "C:\\Apps\\Volsar.exe");
    machine.shell.desktop = "C:\\Desk";
    machine.shell.coInitialize = c.coInitialize;
    machine.shell.getMalloc = c.getMalloc;
    machine.shell.desktopLocation = c.desktopLocation;
    machine.shell.createLink = c.createLink;
    UninstallState state;
    RunUninstall(machine.owner, machine.Platform(), state);

    static const std::set<std::string> kShellCalls = {
        "CoInitialize",        "GetMalloc",       "GetPathFromItemList", "FreeItemList",
        "CreateShellLink",     "ReleaseShellLink", "ReleaseMalloc",      "CoUninitialize"};
    std::vector<std::string> calls;
    for (const std::string& e : machine.log)
      if (kShellCalls.count(e) || e.rfind("GetDesktopLocation", 0) == 0) calls.push_back(e);
    EXPECT_EQ(calls, c.calls);
    const bool swept = c.calls.size() == 9;
    EXPECT_EQ(machine.files.Exists("C:\\Desk\\Panel.lnk"), !swept);
    // The later steps run either way.
    EXPECT_FALSE(machine.files.Exists("C:\\Apps\\Volsar.cnt"));
    EXPECT_EQ(state.FolderEmpty, 1);
    EXPECT_TRUE(fake::Has(machine.log, "WriteSection Rename C:\\WINDOWS\\WININIT.INI"));
    EXPECT_TRUE(machine.owner.boxes.empty());
  }
}

TEST_F(Procedure, DesktopPathIsTakenWithoutItsTrailingSeparator) {
  Register("C:\\Apps\\pelzorn.exe");
  Install("C:\\Apps");
  m.files.AddFolder("C:\\Desk");
  m.shell.desktop = "C:\\Desk\\";
  Run();
  EXPECT_EQ(fake::CountPrefix(m.log, "FindFirst C:\\Desk\\*.*"), 2);  // one per pass
  ExpectNothingLeftOpen();
}

TEST_F(Procedure, EmptyDesktopPathWalksNothing) {
  Install("C:\\Apps");
  m.files.AddFolder("");  // the root of the fake tree, which must not be walked
  m.files.AddShortcut("\\Panel.lnk", "C:\\Apps\\Volsar.exe");
  for (const char* desktop : {"", "\\"}) {
    SCOPED_TRACE(desktop);
    Register("C:\\Apps\\pelzorn.exe");
    m.log.clear();
    m.shell.desktop = desktop;
    Run();
    EXPECT_EQ(fake::CountPrefix(m.log, "FindFirst \\"), 0);
    EXPECT_EQ(fake::CountPrefix(m.log, "CreateShellLink"), 0);
    EXPECT_TRUE(fake::Has(m.log, "ReleaseMalloc"));
    EXPECT_TRUE(fake::Has(m.log, "CoUninitialize"));
    EXPECT_TRUE(m.files.Exists("\\Panel.lnk"));
  }
}

TEST_F(Procedure, ShortcutsToBothFilesGoInTwoPasses) {
  Register("C:\\Apps\\pelzorn.exe");
  Install("C:\\Apps");
  Desktop("C:\\Desk");
  m.files.AddFolder("C:\\Desk\\Group");
  m.files.AddShortcut("C:\\Desk\\Group\\Panel.lnk", "C:\\Apps\\Volsar.exe");
  m.files.AddShortcut("C:\\Desk\\Group\\Help.lnk", "C:\\Apps\\Volsar.hlp");
  m.files.AddFolder("C:\\Desk\\Outer");
  m.files.AddFolder("C:\\Desk\\Outer\\Inner");
  m.files.AddShortcut("C:\\Desk\\Outer\\Inner\\Panel.lnk", "C:\\APPS\\VOLSAR.EXE");
  m.files.AddShortcut("C:\\Desk\\Other.lnk", "C:\\Apps\\Other.exe");
  Run();
  // The group stays after the first pass (its help shortcut is not a match yet) and goes in the
  // second; the outer folder held only a folder of matches and goes in the first.
  const std::vector<std::string> removals = WithPrefix(m.log, "RemoveDirectory ");
  EXPECT_EQ(removals, (std::vector<std::string>{"C:\\Desk\\Outer\\Inner", "C:\\Desk\\Outer",
                                                "C:\\Desk\\Group"}));
  EXPECT_FALSE(m.files.Exists("C:\\Desk\\Group"));
  EXPECT_FALSE(m.files.Exists("C:\\Desk\\Outer"));
  EXPECT_TRUE(m.files.Exists("C:\\Desk\\Other.lnk"));
  EXPECT_TRUE(m.files.Exists("C:\\Desk"));
  ExpectNothingLeftOpen();
}

TEST_F(Procedure, ResidueCheckFindsOnlyTheUninstaller) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, bool>> entries;  // name, is a folder
    int folderEmpty;
  };
  const std::vector<Case> cases = {
      {"uninstaller only", {{"pelzorn.exe", false}}, 1},
      {"upper case", {{"PELZORN.EXE", false}}, 1},
      {"mixed case and a ..data folder", {{"Pelzorn.Exe", false}, {"..data", true}}, 1},
      {"nothing at all", {}, 1},
      {"one more file", {{"pelzorn.exe", false}, {"readme.txt", false}}, 0},
      {"a subfolder", {{"pelzorn.exe", false}, {"sub", true}}, 0},
      {"a folder named like the uninstaller", {{"pelzorn.exe", true}}, 0},
      {"a longer name", {{"pelzorn.exe.bak", false}}, 0},
      {"a dotted file", {{".config", false}}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake::Machine machine;
    machine.registry.SetString(kHklm, kRegistrationKeyPath, kUninstallStringName,
                               "C:\\Apps\\pelzorn.exe");
    machine.files.AddFolder("C:\\Apps");
    for (const auto& [name, folder] : c.entries) {
      if (folder)
        machine.files.AddFolder("C:\\Apps\\" + name);
      else
        machine.files.AddFile("C:\\Apps\\" + name);
    }
    UninstallState state;
    RunUninstall(machine.owner, machine.Platform(), state);
    EXPECT_EQ(state.FolderEmpty, c.folderEmpty);
    EXPECT_TRUE(fake::Has(machine.log, "FindFirst C:\\Apps\\*.*"));
    const std::string section = machine.profile.files["C:\\WINDOWS\\WININIT.INI"]["Rename"];
    EXPECT_EQ(section.find("NUL=C:\\Apps\0", 0, 12) != std::string::npos, c.folderEmpty == 1);
    EXPECT_EQ(machine.files.OpenFinds(), 0u);
  }
}

TEST_F(Procedure, ResidueCheckStopsAtTheFirstOtherEntry) {
  Register("C:\\Apps\\pelzorn.exe");
  m.files.AddFolder("C:\\Apps");
  for (const char* name : {"a.txt", "b.txt", "c.txt", "pelzorn.exe"})
    m.files.AddFile(std::string("C:\\Apps\\") + name);
  Run();  // no desktop: the residue check is the only walk
  EXPECT_EQ(m.files.findNextCalls, 2);  // ".." and "a.txt"
  EXPECT_EQ(s.FolderEmpty, 0);
  EXPECT_EQ(m.files.OpenFinds(), 0u);
}

TEST_F(Procedure, UnreadableInstallFolderIsNotEmpty) {
  Register("C:\\Apps\\pelzorn.exe");
  Install("C:\\Apps");
  m.files.failFind.insert("C:\\Apps");
  Run();
  EXPECT_EQ(s.FolderEmpty, 0);
  EXPECT_EQ(Section(), "NUL=C:\\Apps\\pelzorn.exe\0"s);
}

// Without any install folder nothing is deleted relative to an empty prefix and nothing is
// scheduled; each file is reported by its bare name.
TEST_F(Procedure, NoInstallFolderDeletesAndSchedulesNothing) {
  for (int variant = 0; variant < 3; ++variant) {
    SCOPED_TRACE(variant);
    fake::Machine machine;
    if (variant == 0) machine.files.cwdFails = true;
    if (variant == 1) machine.files.cwd = std::string(300, 'd');  // does not fit the buffer
    if (variant == 2) {
      machine.registry.SetString(kHklm, kRegistrationKeyPath, kUninstallStringName, "pelzorn.exe");
      machine.files.cwdFails = true;
    }
    machine.files.AddFolder("");
    machine.files.AddFile("Volsar.exe");
    machine.shell.desktop = "C:\\Desk";
    machine.files.AddFolder("C:\\Desk");
    UninstallState state;
    RunUninstall(machine.owner, machine.Platform(), state);
    EXPECT_EQ(state.InstallDirLen, 0u);
    EXPECT_EQ(fake::CountPrefix(machine.log, "DeleteFile"), 0);
    EXPECT_EQ(fake::CountPrefix(machine.log, "FindFirst"), 0);
    EXPECT_EQ(fake::CountPrefix(machine.log, "CoInitialize"), 0);
    EXPECT_EQ(fake::CountPrefix(machine.log, "Commit"), 0);
    EXPECT_EQ(fake::CountPrefix(machine.log, "WriteSection"), 0);
    EXPECT_TRUE(machine.files.Exists("Volsar.exe"));
    ASSERT_EQ(machine.owner.boxes.size(), 4u);
    EXPECT_EQ(machine.owner.boxes[0].text, "Volsar.exe");
    EXPECT_EQ(machine.owner.boxes[3].text, "Volsar.cnt");
    EXPECT_EQ(machine.owner.boxes[3].caption, "Can't delete the file named:");
    EXPECT_TRUE(fake::Has(machine.log, "DeleteKey HKCU Software\\Vexmor_Rec"));
  }
}

// A prefix so long that no file name fits after it: nothing is built past the buffer, each file is
// a failed deletion with the text that fits, and the uninstaller cannot be scheduled.
TEST_F(Procedure, PrefixTooLongForTheFileNames) {
  const std::string folder = "D:\\" + std::string(252, 'f');  // 255 characters
  m.files.cwd = folder;
  Install(folder);
  Desktop("C:\\Desk");
  Run();
  EXPECT_EQ(s.InstallDirLen, 256u);
  EXPECT_EQ(fake::CountPrefix(m.log, "DeleteFile"), 0);
  EXPECT_EQ(fake::CountPrefix(m.log, "CoInitialize"), 0);
  ASSERT_EQ(m.owner.boxes.size(), 5u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(m.owner.boxes[i].caption, "Can't delete the file named:");
    EXPECT_EQ(m.owner.boxes[i].text, folder + "\\Vol");  // what fits in 259 characters
  }
  // The residue pattern still fits (256 + 3), so the folder is looked at.
  EXPECT_TRUE(fake::Has(m.log, "FindFirst " + folder + "\\*.*"));
  EXPECT_EQ(m.owner.boxes[4].caption, "Can't delete the directory named");
  EXPECT_EQ(m.owner.boxes[4].text, folder);
  EXPECT_EQ(fake::CountPrefix(m.log, "Commit"), 0);
  EXPECT_TRUE(m.files.Exists(folder + "\\Volsar.exe"));
  ExpectNothingLeftOpen();
}

TEST_F(Procedure, LongestPathsStayInsideTheBuffers) {
  // A current folder of 259 characters (its separator would be the 260th), and a registration
  // value of 260 characters without a terminator.
  {
    fake::Machine machine;
    machine.files.cwd = "D:\\" + std::string(256, 'g');
    UninstallState state;
    RunUninstall(machine.owner, machine.Platform(), state);
    EXPECT_EQ(state.InstallDirLen, 260u);
    EXPECT_EQ(fake::CountPrefix(machine.log, "DeleteFile"), 0);
    EXPECT_EQ(fake::CountPrefix(machine.log, "FindFirst"), 0);
    EXPECT_STREQ(state.WorkPath, machine.files.cwd.c_str());
    EXPECT_EQ(machine.owner.boxes.size(), 5u);
    EXPECT_FALSE(machine.files.sawOverlongPath);
  }
  {
    fake::Machine machine;
    const std::string folder = "C:\\" + std::string(245, 'h');  // 248 characters + separator
    machine.registry.SetString(kHklm, kRegistrationKeyPath, kUninstallStringName,
                               folder + "\\pelzorn.exe", false);  // 260 bytes, no terminator
    machine.files.AddFolder(folder);
    UninstallState state;
    RunUninstall(machine.owner, machine.Platform(), state);
    EXPECT_EQ(state.InstallDirLen, 249u);
    EXPECT_EQ(WithPrefix(machine.log, "DeleteFile ").front(), folder + "\\Volsar.exe");
    // "pelzorn.exe" needs one character more than is left: reported, not scheduled.
    EXPECT_EQ(fake::CountPrefix(machine.log, "WriteSection"), 0);
    ASSERT_EQ(machine.owner.boxes.size(), 1u);
    EXPECT_EQ(machine.owner.boxes[0].text, folder);
    EXPECT_FALSE(machine.files.sawOverlongPath);
  }
}

class PosixProcedure : public Procedure {
 protected:
  PosixProcedure() : Procedure('/') {}
};

TEST_F(PosixProcedure, JoinsWithTheSlash) {
  Register("/opt/vexmor/pelzorn.exe");
  Install("/opt/vexmor");
  m.files.AddFolder("/home/u/Desktop");
  m.shell.desktop = "/home/u/Desktop/";
  m.files.AddShortcut("/home/u/Desktop/volsar.desktop", "/opt/vexmor/Volsar.exe");
  m.files.AddShortcut("/home/u/Desktop/other-case.desktop", "/opt/vexmor/VOLSAR.EXE");
  m.profile.windows = "/home/u/.local/state/vexmor";
  Run();
  EXPECT_EQ(Deleted(), (std::vector<std::string>{
                           "/opt/vexmor/Volsar.exe", "/home/u/Desktop/volsar.desktop",
                           "/opt/vexmor/Volsar.hlp", "/opt/vexmor/Volsar.gid",
                           "/opt/vexmor/Volsar.cnt"}));
  // Names that differ in case are different files here.
  EXPECT_TRUE(m.files.Exists("/home/u/Desktop/other-case.desktop"));
  EXPECT_STREQ(s.WorkPath, "/opt/vexmor");
  EXPECT_EQ(m.profile.files["/home/u/.local/state/vexmor/WININIT.INI"]["Rename"],
            "NUL=/opt/vexmor/pelzorn.exe\0NUL=/opt/vexmor\0"s);
  ExpectNothingLeftOpen();
}

}  // namespace
