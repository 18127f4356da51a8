// The deferred removal list on a fake profile: where the entries go, the size limit, the Windows
// folder's forms, and the one message every failure shows.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "UninstallFakes.h"

namespace {

using namespace std::string_literals;

class Removal : public ::testing::Test {
 protected:
  explicit Removal(char separator = '\\') : m(separator) {}

  // The state the procedure leaves: the prefix, the uninstaller after it, the folder in WorkPath.
  void Prepare(const std::string& prefix, int folderEmpty) {
    std::strcpy(s.TargetPath, (prefix + "pelzorn.exe").c_str());
    std::strcpy(s.WorkPath, prefix.substr(0, prefix.size() - 1).c_str());
    s.InstallDirLen = static_cast<unsigned>(prefix.size());
    s.FolderEmpty = folderEmpty;
    s.TargetFits = true;
  }
  std::string& Section(const std::string& file = "C:\\WINDOWS\\WININIT.INI") {
    return m.profile.files[file]["Rename"];
  }
  void Schedule() { ScheduleRemoval(m.owner, m.Platform(), s); }
  void ExpectRefused() {
    ASSERT_EQ(m.owner.boxes.size(), 1u);
    EXPECT_EQ(m.owner.boxes[0].text, s.WorkPath);
    EXPECT_EQ(m.owner.boxes[0].caption, "Can't delete the directory named");
    EXPECT_EQ(m.owner.boxes[0].type, 0u);
    EXPECT_EQ(fake::CountPrefix(m.log, "WriteSection"), 0);
  }

  fake::Machine m;
  UninstallState s;
};

TEST_F(Removal, NewSectionHoldsTheUninstallerThenItsFolder) {
  Prepare("C:\\Apps\\Panel\\", 1);
  Schedule();
  const std::string first = "NUL=C:\\Apps\\Panel\\pelzorn.exe\0"s;
  const std::string second = "NUL=C:\\Apps\\Panel\0"s;
  EXPECT_EQ(first.size(), 14u + 16u);
  EXPECT_EQ(second.size(), 14u + 4u);
  EXPECT_EQ(Section(), first + second);
  EXPECT_EQ(m.profile.windowsLimit, 247u);
  EXPECT_EQ(m.log, (fake::Log{"Commit 4096", "ReadSection Rename C:\\WINDOWS\\WININIT.INI",
                              "WriteSection Rename C:\\WINDOWS\\WININIT.INI", "Decommit"}));
  EXPECT_TRUE(m.owner.boxes.empty());
}

TEST_F(Removal, ExistingEntriesStayFirst) {
  Section() = "NUL=C:\\OLD.TMP\0"s;  // count 15
  Prepare("C:\\Apps\\Panel\\", 0);
  Schedule();
  // Only the uninstaller's entry when the folder is not empty, right after the old entry's NUL.
  EXPECT_EQ(Section(), "NUL=C:\\OLD.TMP\0NUL=C:\\Apps\\Panel\\pelzorn.exe\0"s);
}

TEST_F(Removal, SectionSizeLimit) {
  // One entry of 3574 characters: count 3575 is still extended.
  Section() = "NUL=" + std::string(3570, 'x') + '\0';
  Prepare("C:\\Apps\\", 1);
  Schedule();
  EXPECT_TRUE(m.owner.boxes.empty());
  EXPECT_EQ(Section().size(), 3575u + 8u + 16u + 8u + 4u);

  // 3576 is refused with the message and nothing is written; the buffer is still given back.
  m.log.clear();
  Section() = "NUL=" + std::string(3571, 'x') + '\0';
  Schedule();
  ExpectRefused();
  EXPECT_LT(fake::IndexOf(m.log, "MessageBox Can't delete the directory named C:\\Apps"),
            fake::IndexOf(m.log, "Decommit"));
  EXPECT_EQ(Section().size(), 3576u);

  // A section larger than the whole buffer reads as truncated (4094) and is refused the same way.
  m.owner.boxes.clear();
  Section() = std::string(5000, 'y') + '\0';
  Schedule();
  ExpectRefused();
}

TEST_F(Removal, LongestPathsFitBesideTheLongestSection) {
  const std::string prefix = "C:\\" + std::string(244, 'p') + "\\";  // 248: the longest that fits
  Section() = "NUL=" + std::string(3570, 'x') + '\0';
  Prepare(prefix, 1);
  Schedule();
  EXPECT_TRUE(m.owner.boxes.empty());
  EXPECT_EQ(Section().size(), 3575u + (248u + 16u) + (248u + 4u));
}

TEST_F(Removal, WindowsFolderForms) {
  struct Case {
    std::string reported;
    bool fails;
    std::string file;
  };
  for (const Case& c : std::vector<Case>{{"C:\\WINDOWS", false, "C:\\WINDOWS\\WININIT.INI"},
                                         {"C:\\", false, "C:\\WININIT.INI"},
                                         {"", true, "WININIT.INI"},
                                         {std::string(246, 'w'), false,
                                          std::string(246, 'w') + "\\WININIT.INI"}}) {
    SCOPED_TRACE(c.file);
    fake::Machine machine;
    machine.profile.windows = c.reported;
    machine.profile.windowsFails = c.fails;
    UninstallState state;
    std::strcpy(state.TargetPath, "C:\\A\\pelzorn.exe");
    std::strcpy(state.WorkPath, "C:\\A");
    state.InstallDirLen = 5;
    state.TargetFits = true;
    ScheduleRemoval(machine.owner, machine.Platform(), state);
    EXPECT_TRUE(fake::Has(machine.log, "WriteSection Rename " + c.file));
    EXPECT_EQ(machine.profile.files[c.file]["Rename"], "NUL=C:\\A\\pelzorn.exe\0"s);
  }
}

TEST_F(Removal, WindowsFolderTooLongIsRefused) {
  m.profile.windows = std::string(247, 'w');  // needs 248 with its terminator
  Prepare("C:\\Apps\\", 1);
  Schedule();
  ExpectRefused();
  EXPECT_EQ(fake::CountPrefix(m.log, "ReadSection"), 0);
  EXPECT_TRUE(fake::Has(m.log, "Decommit"));
}

TEST_F(Removal, EveryFailureShowsTheFolder) {
  // No buffer: nothing read, nothing given back.
  Prepare("C:\\Apps\\", 1);
  m.profile.commitFails = true;
  Schedule();
  ExpectRefused();
  EXPECT_EQ(fake::CountPrefix(m.log, "ReadSection"), 0);
  EXPECT_EQ(fake::CountPrefix(m.log, "Decommit"), 0);

  // A failed write: the message, then the buffer is given back.
  m.log.clear();
  m.owner.boxes.clear();
  m.profile.commitFails = false;
  m.profile.writeFails = true;
  Schedule();
  ASSERT_EQ(m.owner.boxes.size(), 1u);
  EXPECT_EQ(m.owner.boxes[0].text, "C:\\Apps");
  EXPECT_EQ(m.log.back(), "Decommit");
  EXPECT_EQ(m.log[m.log.size() - 2], "MessageBox Can't delete the directory named C:\\Apps");

  // The message comes even when only the uninstaller's own file was to be scheduled.
  m.owner.boxes.clear();
  s.FolderEmpty = 0;
  Schedule();
  EXPECT_EQ(m.owner.boxes.size(), 1u);
}

TEST_F(Removal, UninstallerPathCutShortIsNeverScheduled) {
  Prepare("C:\\Apps\\", 1);
  s.TargetFits = false;
  Schedule();
  ExpectRefused();
  EXPECT_EQ(fake::CountPrefix(m.log, "Commit"), 0);
}

class PosixRemoval : public Removal {
 protected:
  PosixRemoval() : Removal('/') {}
};

TEST_F(PosixRemoval, StateFolderGetsTheSlash) {
  m.profile.windows = "/home/u/.local/state/vexmor";
  Prepare("/opt/vexmor/", 1);
  Schedule();
  EXPECT_EQ(Section("/home/u/.local/state/vexmor/WININIT.INI"),
            "NUL=/opt/vexmor/pelzorn.exe\0NUL=/opt/vexmor\0"s);
  m.profile.windows = "/";
  Schedule();
  EXPECT_EQ(Section("/WININIT.INI"), "NUL=/opt/vexmor/pelzorn.exe\0NUL=/opt/vexmor\0"s);
}

}  // namespace
