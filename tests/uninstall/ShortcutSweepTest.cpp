// The shortcut sweep on a fake tree: status bits, which folders go, what fails examination, links
// to folders, and paths too long to build.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "UninstallFakes.h"

namespace {

class Sweep : public ::testing::Test {
 protected:
  explicit Sweep(char separator = '\\') : m(separator) {}

  void SetUp() override {
    m.files.AddFolder(desk);
    s.Link = &m.shell.link();
    Target("C:\\Apps\\Volsar.exe");
  }
  void Target(const std::string& path) {
    std::strcpy(s.TargetPath, path.c_str());
    s.TargetFits = true;
  }
  std::string In(const std::string& folder, const std::string& name) const {
    return m.files.Join(folder, name);
  }
  std::uint8_t SweepFolder(const std::string& folder, std::uint8_t status) {
    std::strcpy(s.WorkPath, folder.c_str());
    const std::uint8_t result =
        SweepShortcuts(s, m.Platform(), static_cast<unsigned>(folder.size()), status);
    EXPECT_EQ(m.files.OpenFinds(), 0u);
    EXPECT_EQ(m.shell.link().persistHeld, 0);
    EXPECT_FALSE(m.files.sawOverlongPath);
    EXPECT_TRUE(m.owner.boxes.empty());
    return result;
  }
  bool Removed(const std::string& folder) const {
    return fake::Has(m.log, "RemoveDirectory " + folder);
  }

  fake::Machine m;
  UninstallState s;
  const std::string desk = "C:\\Desk";
  const std::string group = "C:\\Desk\\Group";
  const std::string program = "C:\\Apps\\Volsar.exe";
  static constexpr std::string_view program_posix = "/opt/vexmor/Volsar.exe";
};

TEST_F(Sweep, EmptyFolderAddsNothing) {
  m.files.AddFolder(group);
  EXPECT_EQ(SweepFolder(group, 0), 0);
  EXPECT_EQ(SweepFolder(desk, SWEEP_KEPT), SWEEP_KEPT);
  EXPECT_TRUE(m.files.Exists(group));
  EXPECT_EQ(fake::CountPrefix(m.log, "RemoveDirectory"), 0);
}

TEST_F(Sweep, FolderOfMatchesIsRemoved) {
  m.files.AddFolder(group);
  m.files.AddShortcut(In(group, "Panel.lnk"), program);
  EXPECT_EQ(SweepFolder(desk, SWEEP_KEPT), SWEEP_KEPT | SWEEP_DELETED);
  EXPECT_FALSE(m.files.Exists(In(group, "Panel.lnk")));
  EXPECT_FALSE(m.files.Exists(group));
  // The top folder is never removed, even with nothing left in it.
  EXPECT_TRUE(m.files.Exists(desk));
  EXPECT_FALSE(Removed(desk));
}

TEST_F(Sweep, SubfolderOfMatchesAnswersDeleted) {
  m.files.AddFolder(group);
  m.files.AddShortcut(In(group, "Panel.lnk"), program);
  EXPECT_EQ(SweepFolder(group, 0), SWEEP_DELETED);
  EXPECT_FALSE(m.files.Exists(group));
}

TEST_F(Sweep, RemovalIsAttemptedEvenWhenItCannotSucceed) {
  // An empty subfolder beside the match; then a match whose deletion fails.
  m.files.AddFolder(group);
  m.files.AddShortcut(In(group, "Panel.lnk"), program);
  m.files.AddFolder(In(group, "Empty"));
  EXPECT_EQ(SweepFolder(group, 0), SWEEP_DELETED);
  EXPECT_TRUE(Removed(group));
  EXPECT_TRUE(m.files.Exists(In(group, "Empty")));
  EXPECT_TRUE(m.files.Exists(group));

  const std::string other = In(desk, "Other");
  m.files.AddFolder(other);
  m.files.AddShortcut(In(other, "Panel.lnk"), program);
  m.files.deleteErrors[In(other, "Panel.lnk")] = vx::kAccessDenied;
  EXPECT_EQ(SweepFolder(other, 0), SWEEP_DELETED);
  EXPECT_TRUE(Removed(other));
  EXPECT_TRUE(m.files.Exists(In(other, "Panel.lnk")));
}

TEST_F(Sweep, AnythingElseKeepsTheFolder) {
  m.files.AddFolder(group);
  m.files.AddShortcut(In(group, "Panel.lnk"), program);
  m.files.AddFile(In(group, "notes.txt"));
  EXPECT_EQ(SweepFolder(group, 0), SWEEP_DELETED | SWEEP_KEPT);
  EXPECT_FALSE(m.files.Exists(In(group, "Panel.lnk")));
  EXPECT_TRUE(m.files.Exists(In(group, "notes.txt")));
  EXPECT_FALSE(Removed(group));
}

TEST_F(Sweep, TargetIsComparedIgnoringCaseOnWindows) {
  m.files.AddShortcut(In(desk, "Panel.lnk"), "c:\\apps\\VOLSAR.EXE");
  EXPECT_EQ(SweepFolder(desk, SWEEP_KEPT), SWEEP_KEPT | SWEEP_DELETED);
  EXPECT_FALSE(m.files.Exists(In(desk, "Panel.lnk")));
}

// Every way a file can fail examination: it stays and sets SWEEP_KEPT.
TEST_F(Sweep, FailedExaminationKeepsTheFile) {
  struct Case {
    const char* name;
    void (*arrange)(fake::Machine&, const std::string& file);
    bool shortcut;
    const char* target;
  };
  const Case cases[] = {
      {"shortcut to another program", nullptr, true, "C:\\Apps\\Other.exe"},
      {"target with a longer name", nullptr, true, "C:\\Apps\\Volsar.exe2"},
      {"plain file", nullptr, false, ""},
      {"class lookup fails", [](fake::Machine& m, const std::string& f) {
         m.shell.classFileResults[f] = vx::kEFail; }, true, "C:\\Apps\\Volsar.exe"},
      {"class lookup answers S_FALSE", [](fake::Machine& m, const std::string& f) {
         m.shell.classFileResults[f] = vx::kSFalse; }, true, "C:\\Apps\\Volsar.exe"},
      {"another class", [](fake::Machine& m, const std::string& f) {
         m.shell.otherClass.insert(f); }, true, "C:\\Apps\\Volsar.exe"},
      {"no file interface", [](fake::Machine& m, const std::string&) {
         m.shell.queryPersist = vx::kEFail; }, true, "C:\\Apps\\Volsar.exe"},
      {"file interface answers S_FALSE", [](fake::Machine& m, const std::string&) {
         m.shell.queryPersist = vx::kSFalse; }, true, "C:\\Apps\\Volsar.exe"},
      {"broken shortcut", [](fake::Machine& m, const std::string& f) {
         m.shell.loadFails.insert(f); }, true, "C:\\Apps\\Volsar.exe"},
      {"target query answers S_FALSE", [](fake::Machine& m, const std::string& f) {
         m.shell.getPathResults[f] = vx::kSFalse; }, true, "C:\\Apps\\Volsar.exe"},
      {"target query fails", [](fake::Machine& m, const std::string& f) {
         m.shell.getPathResults[f] = vx::kEFail; }, true, "C:\\Apps\\Volsar.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake::Machine machine;
    machine.files.AddFolder(group);
    const std::string file = In(group, "Item.lnk");
    if (c.shortcut)
      machine.files.AddShortcut(file, c.target);
    else
      machine.files.AddFile(file);
    if (c.arrange) c.arrange(machine, file);
    UninstallState state;
    state.Link = &machine.shell.link();
    std::strcpy(state.TargetPath, program.c_str());
    std::strcpy(state.WorkPath, group.c_str());
    EXPECT_EQ(SweepShortcuts(state, machine.Platform(), static_cast<unsigned>(group.size()), 0),
              SWEEP_KEPT);
    EXPECT_TRUE(machine.files.Exists(file));
    EXPECT_EQ(fake::CountPrefix(machine.log, "DeleteFile"), 0);
    EXPECT_EQ(fake::CountPrefix(machine.log, "RemoveDirectory"), 0);
    EXPECT_EQ(machine.shell.link().persistHeld, 0);
  }
}

TEST_F(Sweep, DotFoldersArePassedOver) {
  m.files.AddFolder(group);
  m.files.AddShortcut(In(group, "Panel.lnk"), program);
  m.files.AddFolder(In(group, "..data"));
  m.files.AddShortcut(In(In(group, "..data"), "Panel.lnk"), program);
  EXPECT_EQ(SweepFolder(group, 0), SWEEP_DELETED);
  EXPECT_FALSE(fake::Has(m.log, "FindFirst " + In(In(group, "..data"), "*.*")));
  EXPECT_TRUE(m.files.Exists(In(In(group, "..data"), "Panel.lnk")));
  // Its removal is attempted and fails: "..data" is still in it.
  EXPECT_TRUE(Removed(group));
  EXPECT_TRUE(m.files.Exists(group));
}

TEST_F(Sweep, UnreadableFolderAnswersWhatItWasGiven) {
  m.files.AddFolder(group);
  m.files.failFind.insert(group);
  EXPECT_EQ(SweepFolder(group, 0), 0);
  EXPECT_EQ(SweepFolder(desk, SWEEP_KEPT), SWEEP_KEPT);
  m.files.failFind.insert(desk);
  EXPECT_EQ(SweepFolder(desk, SWEEP_KEPT), SWEEP_KEPT);
  EXPECT_EQ(fake::CountPrefix(m.log, "RemoveDirectory"), 0);
}

// A link to a folder may loop back to the desktop or lead out of it: it is never entered, and the
// folder holding it stays.
TEST_F(Sweep, LinkToAFolderIsNeverEntered) {
  m.files.AddFolder(group);
  m.files.AddShortcut(In(group, "Panel.lnk"), program);
  const std::string loop = In(group, "Loop");
  m.files.AddFolder(loop, vx::kAttrReparsePoint);
  m.files.AddShortcut(In(loop, "Panel.lnk"), program);  // what the link leads to
  EXPECT_EQ(SweepFolder(group, 0), SWEEP_DELETED | SWEEP_KEPT);
  EXPECT_FALSE(fake::Has(m.log, "FindFirst " + In(loop, "*.*")));
  EXPECT_FALSE(fake::Has(m.log, "GetClassFile " + In(loop, "Panel.lnk")));
  EXPECT_TRUE(m.files.Exists(In(loop, "Panel.lnk")));
  EXPECT_FALSE(m.files.Exists(In(group, "Panel.lnk")));
  EXPECT_FALSE(Removed(group));
  EXPECT_FALSE(Removed(loop));
}

// Paths that would not fit in kMaxPath characters are never built; such an entry stays.
TEST_F(Sweep, EntriesTooLongToNameAreKept) {
  m.files.AddFolder(group);  // 13 characters
  // A shortcut whose path would be 13 + 1 + 246 = 260 characters: one too many.
  const std::string longName = std::string(242, 'n') + ".lnk";
  m.files.AddShortcut(In(group, longName), program);
  EXPECT_EQ(SweepFolder(group, 0), SWEEP_KEPT);
  EXPECT_TRUE(m.files.Exists(In(group, longName)));
  EXPECT_EQ(fake::CountPrefix(m.log, "GetClassFile"), 0);

  // One character shorter fits exactly (259 characters) and is examined and deleted.
  const std::string fitting = std::string(241, 'n') + ".lnk";
  m.files.AddShortcut(In(group, fitting), program);
  m.files.nodes.erase(In(group, longName));
  EXPECT_EQ(SweepFolder(group, 0), SWEEP_DELETED);
  EXPECT_FALSE(m.files.Exists(In(group, fitting)));

  // A name that fills the whole record without a terminator, and an empty name.
  vx::FindData unterminated;
  std::memset(unterminated.name, 'u', sizeof unterminated.name);
  vx::FindData empty;
  m.files.AddFolder(group);
  m.files.extraEntries[group] = {unterminated, empty};
  EXPECT_EQ(SweepFolder(group, 0), SWEEP_KEPT);
}

TEST_F(Sweep, FolderTooDeepToLookIntoIsKept) {
  m.files.AddFolder(group);
  m.files.AddShortcut(In(group, "Panel.lnk"), program);
  // The folder's own path fits (13 + 1 + 243 = 257) but its pattern would need 262.
  const std::string deep = In(group, std::string(243, 'd'));
  m.files.AddFolder(deep);
  m.files.AddShortcut(In(deep, "P.lnk"), program);
  EXPECT_EQ(SweepFolder(group, 0), SWEEP_DELETED | SWEEP_KEPT);
  EXPECT_TRUE(m.files.Exists(deep));
  EXPECT_FALSE(Removed(group));

  // The same refusal for a top folder too deep for its pattern.
  const std::string top = "C:\\" + std::string(253, 't');  // 256 characters
  m.files.AddFolder(top);
  EXPECT_EQ(SweepFolder(top, 0), SWEEP_KEPT);
  EXPECT_EQ(fake::CountPrefix(m.log, "FindFirst " + top), 0);
}

class PosixSweep : public Sweep {
 protected:
  PosixSweep() : Sweep('/') {}
};

TEST_F(PosixSweep, TargetsDifferingInCaseAreOtherFiles) {
  const std::string home = "/home/u/Desktop";
  m.files.AddFolder(home);
  Target("/opt/vexmor/Volsar.exe");
  m.files.AddShortcut(home + "/a.desktop", "/opt/vexmor/volsar.exe");
  m.files.AddShortcut(home + "/b.desktop", "/opt/vexmor/Volsar.exe");
  EXPECT_EQ(SweepFolder(home, SWEEP_KEPT), SWEEP_KEPT | SWEEP_DELETED);
  EXPECT_TRUE(m.files.Exists(home + "/a.desktop"));
  EXPECT_FALSE(m.files.Exists(home + "/b.desktop"));
  EXPECT_TRUE(fake::Has(m.log, "FindFirst /home/u/Desktop/*.*"));
}

// Folders are compared by what they are: every spelling of the install folder counts, another
// folder or one that cannot be looked up does not; each folder is looked up once. Without the
// install folder's identity the spellings are compared.
TEST_F(PosixSweep, TargetFoldersAreComparedByIdentity) {
  const std::pair<const char*, bool> rows[] = {
      {"/opt/vexmor/Volsar.exe", true},   {"/opt//vexmor/Volsar.exe", true},
      {"/opt/./x/../vexmor/Volsar.exe", true}, {"/link/Volsar.exe", true},  // a link to it
      {"/other/Volsar.exe", false},       {"/gone/Volsar.exe", false},      // cannot be looked up
      {"/opt/vexmor/Volsar.hlp", false},  {"/opt/vexmor/Volsar.exe/", false}, {"Volsar.exe", false},
  };
  for (bool installKnown : {true, false}) {
    SCOPED_TRACE(installKnown);
    fake::Machine machine('/');
    const std::string home = "/home/u/Desktop";
    machine.files.AddFolder(home);
    for (const char* folder : {"/opt//vexmor", "/opt/./x/../vexmor", "/link"})
      machine.files.folderIds[folder] = {1, 7};
    machine.files.folderIds["/other"] = {1, 8};
    if (installKnown) machine.files.folderIds["/opt/vexmor"] = {1, 7};
    for (std::size_t i = 0; i < std::size(rows); ++i)  // two a target: the second costs nothing
      for (const char* twin : {"a", "b"})
        machine.files.AddShortcut(home + "/e" + std::to_string(i) + twin, rows[i].first);
    std::strcpy(s.TargetPath, program_posix.data());
    std::strcpy(s.WorkPath, home.c_str());
    s.Link = &machine.shell.link();
    s.InstallIdentity = s.LookedUp = 0;
    SweepShortcuts(s, machine.Platform(), static_cast<unsigned>(home.size()), SWEEP_KEPT);
    for (std::size_t i = 0; i < std::size(rows); ++i)
      for (const char* twin : {"a", "b"})
        EXPECT_EQ(!machine.files.Exists(home + "/e" + std::to_string(i) + twin),
                  installKnown ? rows[i].second : rows[i].first == program_posix) << rows[i].first;
    // The install folder once, then each folder of a target with the file's name once.
    EXPECT_EQ(fake::CountPrefix(machine.log, "FolderIdentity"), installKnown ? 7 : 1);
  }
}

}  // namespace
