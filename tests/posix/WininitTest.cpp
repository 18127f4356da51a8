// WININIT.INI before and after vexmor-wininit: its logic on real temporary trees, and the program
// itself run as the autostart entry runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "TempTree.h"
#include "platform/posix/FileText.h"
#include "platform/posix/PosixFiles.h"
#include "platform/posix/wininit/RenameList.h"
#include "platform/posix/wininit/RunnerFiles.h"

namespace {

using vx::wininit::RunRenameList;

TEST(RenameList, DeletesExactlyWhatIsWrittenAndReportsWhatFailed) {
  vx::test::TempTree tree;
  std::string file = tree.Write("inst/pelzorn.exe", "x");
  std::string empty = tree.Folder("empty");
  std::string full = tree.Folder("full");
  tree.Write("full/other", "x");
  tree.Write("untouched", "x");
  tree.Write("inst2/f", "x");
  const std::string text =
      "[Other]\r\nNUL=" + tree.Path("untouched") + "\r\n\r\n"
      "[rename]\r\n; scheduled removals\r\n"
      "NUL=" + file + "\r\n"
      "nul=" + tree.Path("inst/gone") + "\r\n"
      "NUL=" + tree.Path("nofolder/gone") + "\r\n"
      "NUL=" + full + "\r\n"
      "NUL=" + empty + "\r\n"
      "NUL=relative/path\r\n"
      "NUL=\r\n"
      "NUL=" + tree.Path("untouched") + std::string("\0x", 2) + "\r\n"
      "NUL=" + tree.Path("inst2") + "/\r\n"
      "NUL=" + tree.Path("inst2/./f") + "\r\n"
      "NUL=" + tree.Path("inst/../untouched") + "\r\n"
      "NUL=" + tree.Path("untouched/f") + "\r\n"
      "NUL=" + tree.Path("untouched") + " \r\n"
      "NUL=\t" + tree.Path("untouched") + "\r\n"
      "new.txt=" + tree.Path("old.txt") + "\r\n"
      "lonely\r\n"
      "\r\n[After]\r\nB=2\r\n";
  vx::wininit::RunnerFiles files;
  auto run = RunRenameList(text, files);
  EXPECT_EQ(run.done, 4u);
  EXPECT_FALSE(tree.Exists("inst/pelzorn.exe"));
  EXPECT_FALSE(tree.Exists("empty"));
  EXPECT_TRUE(tree.Exists("full/other"));
  EXPECT_TRUE(tree.Exists("untouched"));
  EXPECT_TRUE(tree.Exists("inst2/f"));
  const std::vector<std::string> expected = {
      "NUL=" + full + ": folder not empty",
      "NUL=relative/path: not an absolute path",
      "NUL=: no path",
      "NUL=" + tree.Path("untouched") + std::string("\0x", 2) + ": the path holds a NUL character",
      "NUL=" + tree.Path("inst2") + "/: the path ends in a separator",
      "NUL=" + tree.Path("inst2/./f") + ": the path holds a . or .. part",
      "NUL=" + tree.Path("inst/../untouched") + ": the path holds a . or .. part",
      "NUL=" + tree.Path("untouched/f") + ": a file stands where the path needs a folder",
      "NUL=" + tree.Path("untouched") + ": blanks around the path: the path meant cannot be told",
      "NUL=" + tree.Path("untouched") + ": blanks around the path: the path meant cannot be told",
      "new.txt=" + tree.Path("old.txt") + ": renaming is not supported",
      "lonely: not an entry"};
  EXPECT_EQ(run.problems, expected);
}

TEST(RenameList, FileBeforeItsFolderEmptiesTheInstallFolder) {
  vx::test::TempTree tree;
  std::string file = tree.Write("inst/pelzorn.exe", "x");
  tree.Link("inst-link", tree.Path("kept"));
  tree.Folder("kept");
  vx::wininit::RunnerFiles files;
  auto run = RunRenameList("[Rename]\nNUL=" + file + "\nNUL=" + tree.Path("inst") +
                               "\nNUL=" + tree.Path("inst-link") + "\n",
                           files);
  EXPECT_TRUE(run.problems.empty());
  EXPECT_EQ(run.done, 3u);
  EXPECT_FALSE(tree.Exists("inst"));
  // A link to a folder is removed as a link; the folder it names stays.
  EXPECT_FALSE(tree.Exists("inst-link"));
  EXPECT_TRUE(tree.Exists("kept"));
}

// Deletion refused the way a permission would refuse it (root cannot be refused on disk).
class RefusingFiles : public vx::posix::PosixFiles {
 public:
  bool DeleteFileA(const char*) override {
    error_ = vx::kAccessDenied;
    return false;
  }
  bool RemoveDirectoryA(const char*) override {
    error_ = 267;  // not a folder
    return false;
  }
  std::uint32_t GetLastError() override { return error_; }

 private:
  std::uint32_t error_ = 0;
};

TEST(RenameList, RefusedDeletionStaysWithItsReason) {
  RefusingFiles files;
  auto run = RunRenameList("[Rename]\nNUL=/opt/v/pelzorn.exe\n", files);
  EXPECT_EQ(run.problems, std::vector<std::string>{"NUL=/opt/v/pelzorn.exe: access denied"});
}

// The program as the autostart entry runs it: no arguments, the environment pointing at a tree.
struct Outcome {
  int status = -1;
  std::string errors;
};

Outcome RunProgram(vx::test::TempTree& tree, const std::string& arguments = "") {
  std::string errors = tree.Path("stderr.txt");
  std::string command = std::string(VEXMOR_WININIT) + arguments + " 2>" + errors;
  int status = std::system(command.c_str());
  Outcome outcome;
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  outcome.errors = tree.Read("stderr.txt");
  return outcome;
}

TEST(WininitProgram, CarriesTheListOutOnceAndSetsItAside) {
  vx::test::TempTree tree;
  tree.UseHome();
  std::string file = tree.Write("inst/pelzorn.exe", "x");
  const std::string ini = "home/.local/state/vexmor/WININIT.INI";
  const std::string bak = "home/.local/state/vexmor/WININIT.BAK";
  const std::string list = "[Rename]\r\nNUL=" + file + "\r\nNUL=" + tree.Path("inst") + "\r\n[Keep]\r\nA=1\r\n";
  tree.Write(ini, list);
  tree.Write(bak, "an older list");
  Outcome outcome = RunProgram(tree);
  EXPECT_EQ(outcome.status, 0) << outcome.errors;
  EXPECT_EQ(outcome.errors, "");
  EXPECT_FALSE(tree.Exists(ini));
  EXPECT_EQ(tree.Read(bak), list);
  EXPECT_FALSE(tree.Exists("inst"));
  // A program installed again at the same path is not touched by a later login.
  tree.Write("inst/pelzorn.exe", "x");
  EXPECT_EQ(RunProgram(tree).status, 0);
  EXPECT_TRUE(tree.Exists("inst/pelzorn.exe"));
}

TEST(WininitProgram, FailedEntryIsReportedAndStaysInTheBackup) {
  vx::test::TempTree tree;
  tree.UseHome();
  tree.SetEnv("XDG_STATE_HOME", tree.Path("state").c_str());
  tree.Write("inst/other", "x");
  const std::string entries = "[Rename]\nNUL=" + tree.Path("inst") + "\n";
  tree.Write("state/vexmor/WININIT.INI", entries);
  Outcome outcome = RunProgram(tree);
  EXPECT_EQ(outcome.status, 1);
  const std::string ini = tree.Path("state/vexmor/WININIT.INI");
  EXPECT_EQ(outcome.errors, "vexmor-wininit: " + ini + ": NUL=" + tree.Path("inst") +
                                ": folder not empty\n"
                                "vexmor-wininit: 1 of 1 entries failed; they stay in " +
                                tree.Path("state/vexmor/WININIT.BAK") + "\n");
  EXPECT_EQ(tree.Read("state/vexmor/WININIT.BAK"), entries);
  EXPECT_FALSE(tree.Exists("state/vexmor/WININIT.INI"));
}

TEST(WininitProgram, ListOthersMayWriteIsNotCarriedOut) {
  vx::test::TempTree tree;
  tree.UseHome();
  const std::string folder = tree.Folder("home/.local/state/vexmor");
  const std::string ini = tree.Write("home/.local/state/vexmor/WININIT.INI",
                                     "[Rename]\nNUL=" + tree.Write("victim", "x") + "\n");
  ::chmod(folder.c_str(), 0700);
  ::chmod(ini.c_str(), 0600);
  struct Case {
    const std::string& path;
    int change;  // a mode, or -1: another owner
  };
  for (const Case& c : {Case{ini, 0620}, Case{ini, 0602}, Case{ini, -1}, Case{folder, 0770},
                        Case{folder, -1}}) {
    if (c.change < 0 && ::geteuid() != 0) continue;  // only root gives files away
    struct stat before;
    ASSERT_EQ(::stat(c.path.c_str(), &before), 0);
    ASSERT_EQ(c.change < 0 ? ::chown(c.path.c_str(), ::geteuid() + 1000, -1)
                           : ::chmod(c.path.c_str(), c.change),
              0);
    Outcome outcome = RunProgram(tree);
    EXPECT_EQ(outcome.status, 1) << c.path << " " << c.change;
    EXPECT_NE(outcome.errors.find("nothing is done"), std::string::npos) << outcome.errors;
    EXPECT_TRUE(tree.Exists("victim"));
    EXPECT_TRUE(tree.Exists("home/.local/state/vexmor/WININIT.INI"));
    ASSERT_EQ(::chown(c.path.c_str(), before.st_uid, -1), 0);
    ASSERT_EQ(::chmod(c.path.c_str(), before.st_mode & 07777), 0);
  }
  EXPECT_EQ(RunProgram(tree).status, 0);
  EXPECT_FALSE(tree.Exists("victim"));
}

TEST(WininitProgram, WaitsForASectionWriteInProgress) {
  vx::test::TempTree tree;
  tree.UseHome();
  const std::string ini = "home/.local/state/vexmor/WININIT.INI";
  tree.Write(ini, "[Rename]\nNUL=" + tree.Write("victim", "x") + "\n");
  FILE* program;
  {
    vx::posix::FileLock lock;
    ASSERT_EQ(lock.Take(tree.Path(ini) + ".lock"), 0);
    program = ::popen(VEXMOR_WININIT, "r");
    ASSERT_NE(program, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(tree.Exists(ini));
    EXPECT_TRUE(tree.Exists("victim"));
  }
  EXPECT_EQ(::pclose(program), 0);
  EXPECT_FALSE(tree.Exists("victim"));
}

TEST(WininitProgram, NoFileNoWork) {
  vx::test::TempTree tree;
  tree.UseHome();
  Outcome outcome = RunProgram(tree);
  EXPECT_EQ(outcome.status, 0);
  EXPECT_FALSE(tree.Exists("home/.local/state/vexmor/WININIT.INI"));
  EXPECT_EQ(RunProgram(tree, " extra").status, 2);
  // A WININIT.INI that cannot be read is reported, not taken for an empty one.
  tree.Folder("home/.local/state/vexmor/WININIT.INI");
  outcome = RunProgram(tree);
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.errors.find("cannot be read"), std::string::npos) << outcome.errors;
}

}  // namespace
