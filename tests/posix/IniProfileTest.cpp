// The Windows folder, the profile-section calls on real files, and the committed block.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "TempTree.h"
#include "platform/Status.h"
#include "platform/posix/files/FileText.h"
#include "platform/posix/profile/IniProfile.h"

namespace {

using vx::posix::IniProfile;

std::string Bytes(const char* buffer, std::uint32_t count) { return std::string(buffer, count); }

TEST(IniProfileWindowsFolder, CreatedUnderTheStateFolder) {
  vx::test::TempTree tree;
  tree.UseHome();
  IniProfile profile;
  char buffer[vx::kMaxPath];
  std::string expected = tree.Path("home/.local/state/vexmor");
  EXPECT_EQ(profile.GetWindowsDirectoryA(buffer, 247), expected.size());
  EXPECT_EQ(std::string(buffer), expected);
  EXPECT_TRUE(std::filesystem::is_directory(expected));

  tree.SetEnv("XDG_STATE_HOME", tree.Path("state").c_str());
  expected = tree.Path("state/vexmor");
  std::memset(buffer, '#', sizeof buffer);
  auto room = static_cast<std::uint32_t>(expected.size());
  EXPECT_EQ(profile.GetWindowsDirectoryA(buffer, room), room + 1);  // no room for the terminator
  EXPECT_EQ(buffer[0], '#');
  EXPECT_EQ(profile.GetWindowsDirectoryA(buffer, room + 1), room);
  EXPECT_EQ(std::string(buffer), expected);
}

TEST(IniProfileWindowsFolder, FailsWhenItCannotBeMade) {
  vx::test::TempTree tree;
  tree.UseHome();
  IniProfile profile;
  char buffer[vx::kMaxPath];
  // A file where a folder must be made.
  tree.Write("state", "a file");
  tree.SetEnv("XDG_STATE_HOME", tree.Path("state").c_str());
  EXPECT_EQ(profile.GetWindowsDirectoryA(buffer, sizeof buffer), 0u);
}

class ProfileFile : public ::testing::Test {
 protected:
  vx::test::TempTree tree;
  IniProfile profile;
  char buffer[4096];
};

TEST_F(ProfileFile, ReadCountsWithoutTheFinalNul) {
  EXPECT_EQ(profile.GetPrivateProfileSectionA("Rename", buffer, sizeof buffer,
                                              tree.Path("absent.ini").c_str()),
            0u);
  EXPECT_EQ(Bytes(buffer, 2), std::string(2, '\0'));
  std::string file = tree.Write("w.ini", "[rename]\r\nNUL=C:\\OLD.TMP\r\n[Other]\r\nA=1\r\n");
  std::memset(buffer, '#', sizeof buffer);
  std::uint32_t count = profile.GetPrivateProfileSectionA("Rename", buffer, sizeof buffer, file.c_str());
  EXPECT_EQ(count, 15u);
  EXPECT_EQ(Bytes(buffer, count + 1), std::string("NUL=C:\\OLD.TMP\0\0", 16));
  EXPECT_EQ(profile.GetPrivateProfileSectionA("None", buffer, sizeof buffer, file.c_str()), 0u);
}

TEST_F(ProfileFile, ReadThatDoesNotFitIsCutWithTwoNuls) {
  std::string file = tree.Write("w.ini", "[Rename]\nNUL=/aaaa\nNUL=/bbbb\n");
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(profile.GetPrivateProfileSectionA("Rename", buffer, 14, file.c_str()), 12u);
  EXPECT_EQ(Bytes(buffer, 14), std::string("NUL=/aaaa\0NU\0\0", 14));
  EXPECT_EQ(buffer[14], '#');
  // Exactly the room needed: the whole run with its final NUL.
  EXPECT_EQ(profile.GetPrivateProfileSectionA("Rename", buffer, 21, file.c_str()), 20u);
  EXPECT_EQ(profile.GetPrivateProfileSectionA("Rename", buffer, 20, file.c_str()), 18u);
}

TEST_F(ProfileFile, WriteCreatesTheFile) {
  std::string file = tree.Path("new.ini");
  ASSERT_TRUE(profile.WritePrivateProfileSectionA("Rename", "NUL=/a\0NUL=/b\0", file.c_str()));
  EXPECT_EQ(tree.Read("new.ini"), "[Rename]\nNUL=/a\nNUL=/b\n");
  EXPECT_EQ(profile.GetPrivateProfileSectionA("Rename", buffer, sizeof buffer, file.c_str()), 14u);
}

TEST_F(ProfileFile, WriteReplacesTheWholeSectionAndKeepsTheRest) {
  std::string file = tree.Write("w.ini",
                                "; system file\r\n[Rename]\r\nNUL=/old\r\n\r\n[Other]\r\nA=1\r\n");
  ::chmod(file.c_str(), 0640);
  ASSERT_TRUE(profile.WritePrivateProfileSectionA("RENAME", "NUL=/old\0NUL=/new\0", file.c_str()));
  EXPECT_EQ(tree.Read("w.ini"),
            "; system file\r\n[Rename]\r\nNUL=/old\r\nNUL=/new\r\n\r\n[Other]\r\nA=1\r\n");
  struct stat st;
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  // Nothing but the file and its lock is left in the folder (the temporary file was renamed).
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.Root()), {}), 2);
}

TEST_F(ProfileFile, FailedWriteChangesNothing) {
  EXPECT_FALSE(profile.WritePrivateProfileSectionA("Rename", "NUL=/a\0",
                                                   tree.Path("missing/w.ini").c_str()));
  std::string folder = tree.Folder("folder.ini");
  EXPECT_FALSE(profile.WritePrivateProfileSectionA("Rename", "NUL=/a\0", folder.c_str()));
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  // The file stays byte for byte when a new string would not read back, or an old line of the
  // section would not come back as it stands.
  struct Row {
    std::string file;
    std::string data;
  };
  for (const Row& row : {Row{"[Rename]\nNUL=/keep\n", std::string("NUL=/a\nNUL=/b\0", 14)},
                         Row{"[Rename]\nNUL=/keep\n", std::string("NUL=/a\0no-equals\0", 18)},
                         Row{std::string("[Rename]\nNUL=/home/u/a\0/keep/me\n", 32), ""},
                         Row{"[Rename]\r\nhand-written line\r\n", ""},
                         Row{"[Rename]\nNUL=/a \n[Other]\nA=1\n", ""}}) {
    std::string file = tree.Write("w.ini", row.file);
    const std::string data = row.data.empty() ? std::string("NUL=/new\0", 9) : row.data;
    EXPECT_FALSE(profile.WritePrivateProfileSectionA("Rename", data.c_str(), file.c_str()))
        << row.file;
    EXPECT_EQ(tree.Read("w.ini"), row.file);
  }
}

// The save is made once the new file is renamed into place; a folder that cannot be synced then
// is told once on stderr and is no failed save.
TEST_F(ProfileFile, UnsyncedFolderAfterTheRenameIsNoFailedSave) {
  vx::posix::SetFolderSyncForTests([](const std::string&) { return EIO; });
  testing::internal::CaptureStderr();
  std::string file = tree.Path("w.ini");
  EXPECT_TRUE(profile.WritePrivateProfileSectionA("Rename", "NUL=/a\0", file.c_str()));
  EXPECT_TRUE(profile.WritePrivateProfileSectionA("Rename", "NUL=/b\0", file.c_str()));
  const std::string told = testing::internal::GetCapturedStderr();
  vx::posix::SetFolderSyncForTests(nullptr);
  EXPECT_EQ(tree.Read("w.ini"), "[Rename]\nNUL=/b\n");
  EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 1) << told;
  EXPECT_NE(told.find("the change is saved"), std::string::npos) << told;
}

// A name without a folder is a file in the Windows folder, and only there.
TEST_F(ProfileFile, BareNameIsInTheWindowsFolder) {
  tree.UseHome();
  ASSERT_TRUE(profile.WritePrivateProfileSectionA("Rename", "NUL=/a\0", "WININIT.INI"));
  EXPECT_EQ(tree.Read("home/.local/state/vexmor/WININIT.INI"), "[Rename]\nNUL=/a\n");
  EXPECT_EQ(profile.GetPrivateProfileSectionA("Rename", buffer, sizeof buffer, "WININIT.INI"), 7u);
  tree.SetEnv("XDG_STATE_HOME", tree.Write("state", "a file").c_str());
  EXPECT_FALSE(profile.WritePrivateProfileSectionA("Rename", "NUL=/a\0", "WININIT.INI"));
  EXPECT_EQ(profile.GetPrivateProfileSectionA("Rename", buffer, sizeof buffer, "WININIT.INI"), 0u);
  EXPECT_FALSE(std::filesystem::exists("WININIT.INI"));
}

TEST(IniProfileCommit, ZeroedBlockOrInjectedFailure) {
  IniProfile profile;
  char* block = profile.Commit(4096);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(profile.committed, 1);
  EXPECT_EQ(std::count(block, block + 4096, '\0'), 4096);
  profile.Decommit(block, 4096);
  EXPECT_EQ(profile.committed, 0);
  profile.failCommit = true;
  EXPECT_EQ(profile.Commit(4096), nullptr);
  EXPECT_EQ(profile.committed, 0);
}

}  // namespace
