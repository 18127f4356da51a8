// WININIT.INI before and after vexmor-wininit: its logic on real temporary trees, and the program
// itself run as the autostart entry runs it.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "TempTree.h"
#include "platform/posix/files/FileText.h"
#include "platform/posix/profile/IniProfile.h"
#include "platform/posix/files/PosixFiles.h"
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
  const std::string list = tree.Write("state/WININIT.INI", "x");
  const std::string backup = tree.Write("state/WININIT.BAK", "the list set aside");
  const std::string lock = tree.Write("state/WININIT.INI.lock", "");
  // The list's own files by other names: a link to their folder, a link to a folder above it, a
  // hard link; and a link to the backup, which is removed as a link.
  tree.Link("state-link", tree.Path("state"));
  tree.Link("up", tree.Root());
  ASSERT_EQ(::link(backup.c_str(), tree.Path("hard").c_str()), 0);
  tree.Link("backup-link", backup);
  tree.Link("missing-link", tree.Path("missing"));
  const std::string text =
      "\xEF\xBB\xBF[rename]\r; scheduled removals\r"
      "NUL=" + file + "\r"
      "nul=" + tree.Path("inst/gone") + "\r\n"
      "NUL=" + tree.Path("nofolder/gone") + "\r\n"
      "NUL=" + full + "\r\n"
      "NUL=" + tree.Path("state//WININIT.INI") + "\r\n"
      "NUL=" + tree.Path("state-link/WININIT.BAK") + "\r\n"
      "NUL=" + tree.Path("state-link//WININIT.INI.lock") + "\r\n"
      "NUL=" + tree.Path("up/state/WININIT.INI") + "\r\n"
      "NUL=" + tree.Path("hard") + "\r\n"
      "NUL=" + tree.Path("backup-link") + "\r\n"
      "NUL=" + tree.Path("missing-link/WININIT.BAK") + "\r\n"
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
      "\r\n[Other]\r\nNUL=" + tree.Path("untouched") + "\r\n\r\n"
      "[Rename]\nNUL=" + empty + "\n";
  vx::wininit::RunnerFiles files;
  auto run = RunRenameList(text, files, {list, backup, lock});
  EXPECT_EQ(run.done, 6u);
  EXPECT_FALSE(tree.Exists("inst/pelzorn.exe"));
  EXPECT_FALSE(tree.Exists("empty"));
  EXPECT_TRUE(tree.Exists("full/other"));
  EXPECT_TRUE(tree.Exists("untouched"));
  EXPECT_TRUE(tree.Exists("inst2/f"));
  EXPECT_TRUE(tree.Exists("state/WININIT.INI"));
  EXPECT_EQ(tree.Read("state/WININIT.BAK"), "the list set aside");
  EXPECT_TRUE(tree.Exists("state/WININIT.INI.lock"));
  EXPECT_TRUE(tree.Exists("hard"));
  EXPECT_FALSE(tree.Exists("backup-link"));
  const std::vector<std::pair<std::string, std::string>> failed = {
      {"NUL=" + full, "folder not empty"},
      {"NUL=" + tree.Path("state//WININIT.INI"), "names a file of the list itself"},
      {"NUL=" + tree.Path("state-link/WININIT.BAK"), "names a file of the list itself"},
      {"NUL=" + tree.Path("state-link//WININIT.INI.lock"), "names a file of the list itself"},
      {"NUL=" + tree.Path("up/state/WININIT.INI"), "names a file of the list itself"},
      {"NUL=" + tree.Path("hard"), "names a file of the list itself"},
      {"NUL=relative/path", "not an absolute path"},
      {"NUL=", "no path"},
      {"NUL=" + tree.Path("untouched") + std::string("\0x", 2), "the path holds a NUL character"},
      {"NUL=" + tree.Path("inst2") + "/", "the path ends in a separator"},
      {"NUL=" + tree.Path("inst2/./f"), "the path holds a . or .. part"},
      {"NUL=" + tree.Path("inst/../untouched"), "the path holds a . or .. part"},
      {"NUL=" + tree.Path("untouched/f"), "a file stands where the path needs a folder"},
      {"NUL=" + tree.Path("untouched") + " ", "blanks around the path: the path meant cannot be told"},
      {"NUL=\t" + tree.Path("untouched"), "blanks around the path: the path meant cannot be told"},
      {"new.txt=" + tree.Path("old.txt"), "renaming is not supported"},
      {"lonely", "not an entry"}};
  std::vector<std::string> expected;
  for (const auto& [line, reason] : failed) expected.push_back("\"" + line + "\": " + reason);
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

// The runner's folders answering removals as the system may (root cannot be refused on disk).
struct RefusingFiles : vx::wininit::EntryFolders {
  std::vector<std::uint32_t> answers;  // to the removals, in turn

  struct Folder : vx::wininit::EntryFolder {
    std::unique_ptr<EntryFolder> real;
    RefusingFiles* by;
    vx::wininit::FileId Id() override { return real->Id(); }
    std::optional<vx::wininit::FileId> FileNamed(const std::string& name) override {
      return real->FileNamed(name);
    }
    std::uint32_t Remove(const std::string&, As) override {
      const std::uint32_t answer = by->answers.front();
      by->answers.erase(by->answers.begin());
      return answer;
    }
  };
  std::unique_ptr<vx::wininit::EntryFolder> Open(const std::string& folder,
                                                 std::uint32_t* error) override {
    auto open = std::make_unique<Folder>();
    open->real = real.Open(folder, error);
    open->by = this;
    return open->real ? std::move(open) : nullptr;
  }
  vx::wininit::RunnerFiles real;
};

TEST(RenameList, RefusedDeletionStaysWithItsReason) {
  RefusingFiles files;
  files.answers = {vx::kAccessDenied, vx::kNotADirectory};  // as a file, then as a folder
  auto run = RunRenameList("[Rename]\nNUL=/tmp/pelzorn.exe\n", files);
  EXPECT_EQ(run.problems, std::vector<std::string>{"\"NUL=/tmp/pelzorn.exe\": access denied"});
  EXPECT_TRUE(files.answers.empty());
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
  EXPECT_EQ(outcome.errors, "vexmor-wininit: \"" + ini + "\": \"NUL=" + tree.Path("inst") +
                                "\": folder not empty\n"
                                "vexmor-wininit: 1 of 1 entries failed; the list was set aside as \"" +
                                tree.Path("state/vexmor/WININIT.BAK") + "\" and does not run again\n");
  EXPECT_EQ(tree.Read("state/vexmor/WININIT.BAK"), entries);
  EXPECT_FALSE(tree.Exists("state/vexmor/WININIT.INI"));
}

// Set aside, then act: a list that cannot become WININIT.BAK is not carried out at all, so it can
// never run twice; once it can, it runs, and entries naming the list's own lock and backup, as
// spelled or through a link to their folder, are refused.
TEST(WininitProgram, ListThatCannotBeSetAsideIsNotCarriedOut) {
  vx::test::TempTree tree;
  tree.UseHome();
  const std::string ini = "home/.local/state/vexmor/WININIT.INI";
  const std::string link = tree.Link("state-link", tree.Path("home/.local/state/vexmor"));
  const std::string list = "[Rename]\nNUL=" + tree.Write("victim", "x") + "\nNUL=" +
                           tree.Path(ini) + ".lock\nNUL=" + link + "/WININIT.BAK\nNUL=" + link +
                           "/WININIT.INI.lock\n";
  tree.Write(ini, list);
  tree.Write("home/.local/state/vexmor/WININIT.BAK/kept", "x");
  Outcome outcome = RunProgram(tree);
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.errors.find("cannot be set aside; nothing is done"), std::string::npos)
      << outcome.errors;
  EXPECT_TRUE(tree.Exists("victim"));
  EXPECT_EQ(tree.Read(ini), list);
  std::filesystem::remove_all(tree.Path("home/.local/state/vexmor/WININIT.BAK"));
  outcome = RunProgram(tree);
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.errors.find(".lock\": names a file of the list itself"), std::string::npos)
      << outcome.errors;
  EXPECT_NE(outcome.errors.find("3 of 4 entries failed"), std::string::npos) << outcome.errors;
  EXPECT_FALSE(tree.Exists("victim"));
  EXPECT_TRUE(tree.Exists(ini + ".lock"));
  EXPECT_EQ(tree.Read("home/.local/state/vexmor/WININIT.BAK"), list);
}

// The uninstaller reads the section, the list is carried out, then the uninstaller writes: the
// finished entry does not come back, and the new one is kept. And the other way round: an entry
// another writer added meanwhile is kept beside the new one.
TEST(WininitProgram, SectionWriteAfterTheListRanKeepsOnlyNewEntries) {
  vx::test::TempTree tree;
  tree.UseHome();
  const std::string ini = "home/.local/state/vexmor/WININIT.INI";
  const std::string victim = tree.Write("victim", "x");
  struct Row {
    std::string between;  // what happens between read and write: "run", or a line to add
    std::string after;
  };
  for (const Row& row : {Row{"run", "[Rename]\nNUL=/new\n"},
                         Row{"NUL=/other\n", "[Rename]\nNUL=" + victim + "\nNUL=/other\nNUL=/new\n"}}) {
    tree.Write(ini, "[Rename]\nNUL=" + victim + "\n");
    vx::posix::IniProfile profile;
    char section[4096];
    const std::uint32_t n =
        profile.GetPrivateProfileSectionA("Rename", section, sizeof section, "WININIT.INI");
    const std::string data = std::string(section, n) + std::string("NUL=/new\0\0", 10);
    profile.beforeWrite = [&] {
      if (row.between == "run")
        EXPECT_EQ(RunProgram(tree).status, 0);
      else
        tree.Write(ini, tree.Read(ini) + row.between);
    };
    ASSERT_TRUE(profile.WritePrivateProfileSectionA("Rename", data.c_str(), "WININIT.INI"));
    EXPECT_EQ(tree.Read(ini), row.after);
  }
  EXPECT_FALSE(tree.Exists("victim"));
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

// A file something is mounted on cannot be deleted; the entry fails and says why. Root makes the
// mount in a namespace of the program's own, so nothing outside the test sees it.
TEST(WininitProgram, MountedFileIsReportedWithItsReason) {
  vx::test::TempTree tree;
  tree.UseHome();
  const std::string victim = tree.Write("victim", "x"), other = tree.Write("other", "y");
  tree.Write("home/.local/state/vexmor/WININIT.INI", "[Rename]\nNUL=" + victim + "\n");
  const std::string unshare = "unshare -m --propagation private ";
  if (::geteuid() != 0 || std::system((unshare + "true 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "no mount namespace for this user";
  const int status = std::system((unshare + "sh -c 'mount --bind " + other + " " + victim +
                                  " || exit 99; exec " + VEXMOR_WININIT + "' 2>" +
                                  tree.Path("stderr.txt"))
                                     .c_str());
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 99) << "the bind mount failed";
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_NE(tree.Read("stderr.txt").find("\"NUL=" + victim +
                                         "\": in use by the system (something is mounted on it)"),
            std::string::npos)
      << tree.Read("stderr.txt");
  EXPECT_EQ(tree.Read("victim"), "x");
}

// While the program works through a long list naming the list's own backup and lock in a folder
// of the user's, another thread swaps that folder again and again with a link to the list's
// folder: each deletion is made in the folder checked, so the list's folder loses nothing.
// VX_RACE_RUNS sets how many runs (a few by default; 100 for a measurement).
TEST(WininitProgram, FolderSwappedWhileItRunsLeavesTheListsFolderWhole) {
  vx::test::TempTree tree;
  tree.UseHome();
  const char* runs = std::getenv("VX_RACE_RUNS");
  const int count = runs && *runs ? std::atoi(runs) : 5;
  const std::string state = "home/.local/state/vexmor";
  const std::string dir = tree.Path("dir"), swap = tree.Link("swap", tree.Path(state));
  std::string list = "[Rename]\n";
  for (int i = 0; i < 1500; ++i)
    list += "NUL=" + dir + "/WININIT.BAK\nNUL=" + dir + "/WININIT.INI.lock\n";
  int lost = 0;
  for (int run = 0; run < count; ++run) {
    tree.Write(state + "/WININIT.INI", list);
    tree.Write("dir/WININIT.BAK", "decoy");
    tree.Write("dir/WININIT.INI.lock", "decoy");
    std::atomic<bool> stop{false};
    auto exchange = [&] {
      ::renameat2(AT_FDCWD, dir.c_str(), AT_FDCWD, swap.c_str(), RENAME_EXCHANGE);
    };
    std::thread swapper([&] {
      while (!stop) exchange();
    });
    RunProgram(tree);
    stop = true;
    swapper.join();
    if (std::filesystem::is_symlink(dir)) exchange();
    lost += !tree.Exists(state + "/WININIT.BAK") || !tree.Exists(state + "/WININIT.INI.lock");
  }
  EXPECT_EQ(lost, 0) << "of " << count << " runs";
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
