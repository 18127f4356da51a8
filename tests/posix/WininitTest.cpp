// WININIT.INI before and after vexmor-wininit: its logic on real temporary trees, and the program
// itself run as the autostart entry runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "TempTree.h"
#include "platform/posix/PosixFiles.h"
#include "platform/posix/wininit/RenameList.h"

namespace {

using vx::wininit::RunRenameList;

TEST(RenameList, CarriesOutDeletionsAndKeepsWhatFailed) {
  vx::test::TempTree tree;
  std::string file = tree.Write("inst/pelzorn.exe", "x");
  std::string empty = tree.Folder("empty");
  std::string full = tree.Folder("full");
  tree.Write("full/other", "x");
  const std::string before =
      "; written by hand\r\n[Other]\r\nNUL=" + tree.Path("untouched") + "\r\n\r\n"
      "[rename]\r\n; scheduled removals\r\n"
      "NUL=" + file + "\r\n"
      "nul=" + tree.Path("inst/gone") + "\r\n"
      "NUL=" + tree.Path("nofolder/gone") + "\r\n"
      "NUL=" + full + "\r\n"
      "NUL=" + empty + "\r\n"
      "NUL=relative/path\r\n"
      "NUL=\r\n"
      "new.txt=" + tree.Path("old.txt") + "\r\n"
      "\r\n[After]\r\nB=2\r\n";
  tree.Write("untouched", "x");
  vx::posix::PosixFiles files;
  auto run = RunRenameList(before, files);
  EXPECT_TRUE(run.changed);
  EXPECT_EQ(run.text,
            "; written by hand\r\n[Other]\r\nNUL=" + tree.Path("untouched") + "\r\n\r\n"
            "[rename]\r\n; scheduled removals\r\n"
            "NUL=" + full + "\r\n"
            "NUL=relative/path\r\n"
            "NUL=\r\n"
            "new.txt=" + tree.Path("old.txt") + "\r\n"
            "\r\n[After]\r\nB=2\r\n");
  EXPECT_FALSE(tree.Exists("inst/pelzorn.exe"));
  EXPECT_FALSE(tree.Exists("empty"));
  EXPECT_TRUE(tree.Exists("full/other"));
  EXPECT_TRUE(tree.Exists("untouched"));
  ASSERT_EQ(run.problems.size(), 4u);
  EXPECT_EQ(run.problems[0], "NUL=" + full + ": folder not empty (kept for the next run)");
  EXPECT_EQ(run.problems[1], "NUL=relative/path: not an absolute path (kept for the next run)");
  EXPECT_EQ(run.problems[2], "NUL=: no path (kept for the next run)");
  EXPECT_EQ(run.problems[3],
            "new.txt=" + tree.Path("old.txt") + ": renaming is not supported (kept for the next run)");
}

TEST(RenameList, FileBeforeItsFolderEmptiesTheInstallFolder) {
  vx::test::TempTree tree;
  std::string file = tree.Write("inst/pelzorn.exe", "x");
  tree.Link("inst-link", tree.Path("kept"));
  tree.Folder("kept");
  vx::posix::PosixFiles files;
  auto run = RunRenameList("[Rename]\nNUL=" + file + "\nNUL=" + tree.Path("inst") +
                               "\nNUL=" + tree.Path("inst-link") + "\n",
                           files);
  EXPECT_TRUE(run.problems.empty());
  EXPECT_EQ(run.text, "[Rename]\n");
  EXPECT_FALSE(tree.Exists("inst"));
  // A link to a folder is removed as a link; the folder it names stays.
  EXPECT_FALSE(tree.Exists("inst-link"));
  EXPECT_TRUE(tree.Exists("kept"));
}

TEST(RenameList, NothingToDoLeavesTheTextAlone) {
  vx::posix::PosixFiles files;
  const std::string text = "[Other]\r\nNUL=/x\r\n";
  auto run = RunRenameList(text, files);
  EXPECT_FALSE(run.changed);
  EXPECT_EQ(run.text, text);
  run = RunRenameList("[Rename]\n; nothing yet\n", files);
  EXPECT_FALSE(run.changed);
  EXPECT_TRUE(run.problems.empty());
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
  EXPECT_FALSE(run.changed);
  ASSERT_EQ(run.problems.size(), 1u);
  EXPECT_EQ(run.problems[0], "NUL=/opt/v/pelzorn.exe: access denied (kept for the next run)");
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

TEST(WininitProgram, ProcessesTheFileInTheStateFolder) {
  vx::test::TempTree tree;
  tree.UseHome();
  std::string file = tree.Write("inst/pelzorn.exe", "x");
  const std::string ini = "home/.local/state/vexmor/WININIT.INI";
  tree.Write(ini, "[Rename]\r\nNUL=" + file + "\r\nNUL=" + tree.Path("inst") + "\r\n[Keep]\r\nA=1\r\n");
  Outcome outcome = RunProgram(tree);
  EXPECT_EQ(outcome.status, 0) << outcome.errors;
  EXPECT_EQ(outcome.errors, "");
  EXPECT_EQ(tree.Read(ini), "[Rename]\r\n[Keep]\r\nA=1\r\n");
  EXPECT_FALSE(tree.Exists("inst"));
}

TEST(WininitProgram, FailedEntryIsReportedAndStays) {
  vx::test::TempTree tree;
  tree.UseHome();
  tree.SetEnv("XDG_STATE_HOME", tree.Path("state").c_str());
  tree.Write("inst/other", "x");
  const std::string entries = "[Rename]\nNUL=" + tree.Path("inst") + "\n";
  tree.Write("state/vexmor/WININIT.INI", entries);
  Outcome outcome = RunProgram(tree);
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.errors, "vexmor-wininit: " + tree.Path("state/vexmor/WININIT.INI") +
                                ": NUL=" + tree.Path("inst") +
                                ": folder not empty (kept for the next run)\n");
  EXPECT_EQ(tree.Read("state/vexmor/WININIT.INI"), entries);
  // Once the folder is empty, the next run removes it.
  std::remove(tree.Path("inst/other").c_str());
  EXPECT_EQ(RunProgram(tree).status, 0);
  EXPECT_FALSE(tree.Exists("inst"));
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
