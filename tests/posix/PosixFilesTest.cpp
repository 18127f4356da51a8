// The file calls on real temporary trees: what enumeration reports, and the Windows error numbers
// of failures that root gets too.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <string>

#include "TempTree.h"
#include "platform/posix/files/PosixFiles.h"

namespace {

using vx::posix::PosixFiles;

std::map<std::string, std::uint32_t> List(PosixFiles& files, const std::string& folder) {
  std::map<std::string, std::uint32_t> entries;
  vx::FindData data;
  vx::FindHandle handle = files.FindFirstFileA((folder + "/*.*").c_str(), &data);
  EXPECT_NE(handle, vx::kInvalidFind) << folder;
  if (handle == vx::kInvalidFind) return entries;
  do {
    EXPECT_TRUE(entries.emplace(data.name, data.attributes).second) << data.name;
  } while (files.FindNextFileA(handle, &data));
  EXPECT_EQ(files.GetLastError(), vx::kNoMoreFiles);
  files.FindClose(handle);
  return entries;
}

TEST(PosixFilesFind, DeliversEveryEntryWithItsAttributes) {
  vx::test::TempTree tree;
  tree.Write("d/file.txt", "x");
  tree.Folder("d/sub");
  tree.Link("d/to-file", "file.txt");
  tree.Link("d/to-folder", "sub");
  tree.Link("d/up", "..");          // a link that would lead the walk in a circle
  tree.Link("d/dangling", "gone");  // names nothing (a program already deleted)
  tree.Link("d/loop-a", "loop-b");
  tree.Link("d/loop-b", "loop-a");
  PosixFiles files;
  using vx::kAttrDirectory, vx::kAttrReparsePoint;
  EXPECT_EQ(List(files, tree.Path("d")), (std::map<std::string, std::uint32_t>{
                                             {".", kAttrDirectory},
                                             {"..", kAttrDirectory},
                                             {"file.txt", 0},
                                             {"sub", kAttrDirectory},
                                             {"to-file", kAttrReparsePoint},
                                             {"to-folder", kAttrDirectory | kAttrReparsePoint},
                                             {"up", kAttrDirectory | kAttrReparsePoint},
                                             {"dangling", kAttrReparsePoint},
                                             {"loop-a", kAttrReparsePoint},
                                             {"loop-b", kAttrReparsePoint},
                                         }));
  // An empty folder still holds "." and "..".
  EXPECT_EQ(List(files, tree.Path("d/sub")).size(), 2u);
  EXPECT_EQ(files.OpenFinds(), 0u);
}

TEST(PosixFilesFind, FailuresAnswerWindowsNumbers) {
  vx::test::TempTree tree;
  tree.Write("file", "x");
  PosixFiles files;
  vx::FindData data;
  EXPECT_EQ(files.FindFirstFileA(tree.Path("missing/*.*").c_str(), &data), vx::kInvalidFind);
  EXPECT_EQ(files.GetLastError(), vx::kPathNotFound);
  EXPECT_EQ(files.FindFirstFileA(tree.Path("missing/deeper/*.*").c_str(), &data), vx::kInvalidFind);
  EXPECT_EQ(files.GetLastError(), vx::kPathNotFound);
  EXPECT_EQ(files.FindFirstFileA(tree.Path("file/*.*").c_str(), &data), vx::kInvalidFind);
  EXPECT_EQ(files.GetLastError(), vx::kPathNotFound);
  EXPECT_EQ(files.FindFirstFileA(tree.Path("*.txt").c_str(), &data), vx::kInvalidFind);
  EXPECT_EQ(files.GetLastError(), vx::kInvalidParameter);
  std::string tooLong = tree.Root() + "/" + std::string(300, 'n') + "/*.*";
  EXPECT_EQ(files.FindFirstFileA(tooLong.c_str(), &data), vx::kInvalidFind);
  EXPECT_EQ(files.GetLastError(), vx::kFilenameTooLong);
  EXPECT_FALSE(files.FindNextFileA(12345, &data));
  EXPECT_EQ(files.GetLastError(), vx::kInvalidHandle);
  EXPECT_EQ(files.OpenFinds(), 0u);
}

// While a folder is being listed, paths below it are reached from its handle and never through a
// link; outside a listing a path is used as it is.
TEST(PosixFilesFind, PathsBelowAListedFolderNeverGoThroughLinks) {
  vx::test::TempTree tree;
  tree.Write("d/real/deeper/file", "x");
  tree.Write("outside/file", "x");
  tree.Link("d/link", "real");
  tree.Link("d/away", "../outside");
  PosixFiles files;
  vx::FindData data;
  const vx::FindHandle handle = files.FindFirstFileA(tree.Path("d/*.*").c_str(), &data);
  ASSERT_NE(handle, vx::kInvalidFind);
  for (const char* through : {"d/link/deeper/file", "d/away/file"}) {
    EXPECT_FALSE(files.DeleteFileA(tree.Path(through).c_str())) << through;
    EXPECT_EQ(files.GetLastError(), vx::posix::kErrorCantResolve) << through;
  }
  EXPECT_EQ(files.FindFirstFileA(tree.Path("d/away/*.*").c_str(), &data), vx::kInvalidFind);
  EXPECT_EQ(files.GetLastError(), vx::posix::kErrorCantResolve);
  EXPECT_FALSE(files.RemoveDirectoryA(tree.Path("d/away").c_str()));
  EXPECT_EQ(files.GetLastError(), vx::posix::kErrorDirectory);
  EXPECT_FALSE(files.DeleteFileA(tree.Path("d/real/..").c_str()));
  EXPECT_EQ(files.GetLastError(), vx::kInvalidParameter);
  EXPECT_TRUE(tree.Exists("d/real/deeper/file"));
  EXPECT_TRUE(tree.Exists("outside/file"));
  EXPECT_TRUE(tree.Exists("d/away"));
  EXPECT_TRUE(files.DeleteFileA(tree.Path("d/real/deeper/file").c_str()));
  EXPECT_TRUE(files.RemoveDirectoryA(tree.Path("d/real/deeper").c_str()));
  files.FindClose(handle);
  EXPECT_TRUE(files.DeleteFileA(tree.Path("d/away/file").c_str()));
  EXPECT_FALSE(tree.Exists("outside/file"));
}

TEST(PosixFilesDelete, ErrorNumbers) {
  vx::test::TempTree tree;
  tree.Write("dir/file", "x");
  tree.Folder("dir/folder");
  PosixFiles files;
  EXPECT_FALSE(files.DeleteFileA(tree.Path("dir/absent").c_str()));
  EXPECT_EQ(files.GetLastError(), vx::kFileNotFound);
  EXPECT_FALSE(files.DeleteFileA(tree.Path("nodir/absent").c_str()));
  EXPECT_EQ(files.GetLastError(), vx::kPathNotFound);
  EXPECT_FALSE(files.DeleteFileA(tree.Path("dir/file/below").c_str()));
  EXPECT_EQ(files.GetLastError(), vx::kPathNotFound);
  EXPECT_FALSE(files.DeleteFileA(tree.Path("dir/folder").c_str()));
  EXPECT_EQ(files.GetLastError(), vx::kAccessDenied);
  EXPECT_TRUE(tree.Exists("dir/folder"));
  // A component longer than the system takes, and a path longer than the ANSI calls take.
  EXPECT_FALSE(files.DeleteFileA(tree.Path(std::string(256, 'n')).c_str()));
  EXPECT_EQ(files.GetLastError(), vx::kFilenameTooLong);
  std::string deep = tree.Path("dir/" + std::string(200, 'a') + "/" + std::string(100, 'b'));
  EXPECT_FALSE(files.DeleteFileA(deep.c_str()));
  EXPECT_EQ(files.GetLastError(), vx::kFilenameTooLong);

  EXPECT_TRUE(files.DeleteFileA(tree.Path("dir/file").c_str()));
  EXPECT_FALSE(tree.Exists("dir/file"));
}

TEST(PosixFilesDelete, RemovesLinksNotWhatTheyName) {
  vx::test::TempTree tree;
  tree.Write("target/file", "x");
  tree.Link("desk/to-file", "../target/file");
  tree.Link("desk/to-folder", "../target");
  PosixFiles files;
  EXPECT_TRUE(files.DeleteFileA(tree.Path("desk/to-file").c_str()));
  EXPECT_TRUE(files.DeleteFileA(tree.Path("desk/to-folder").c_str()));
  EXPECT_FALSE(tree.Exists("desk/to-file"));
  EXPECT_FALSE(tree.Exists("desk/to-folder"));
  EXPECT_TRUE(tree.Exists("target/file"));
}

TEST(PosixFilesRemoveDirectory, ErrorNumbers) {
  vx::test::TempTree tree;
  tree.Write("full/file", "x");
  tree.Folder("empty");
  PosixFiles files;
  EXPECT_FALSE(files.RemoveDirectoryA(tree.Path("full").c_str()));
  EXPECT_EQ(files.GetLastError(), vx::posix::kErrorDirNotEmpty);
  EXPECT_FALSE(files.RemoveDirectoryA(tree.Path("full/file").c_str()));
  EXPECT_EQ(files.GetLastError(), vx::posix::kErrorDirectory);
  EXPECT_FALSE(files.RemoveDirectoryA(tree.Path("absent").c_str()));
  EXPECT_EQ(files.GetLastError(), vx::kFileNotFound);
  EXPECT_FALSE(files.RemoveDirectoryA(tree.Path("absent/deeper").c_str()));
  EXPECT_EQ(files.GetLastError(), vx::kPathNotFound);
  EXPECT_TRUE(files.RemoveDirectoryA(tree.Path("empty").c_str()));
  EXPECT_FALSE(tree.Exists("empty"));
}

TEST(PosixFilesCurrentDirectory, LengthAndRoomNeeded) {
  vx::test::TempTree tree;
  std::string folder = tree.Folder("cwd");
  char old[4096];
  ASSERT_NE(::getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(::chdir(folder.c_str()), 0);
  PosixFiles files;
  char buffer[vx::kMaxPath];
  std::memset(buffer, '#', sizeof buffer);
  auto length = static_cast<std::uint32_t>(folder.size());
  EXPECT_EQ(files.GetCurrentDirectoryA(length, buffer), length + 1);
  EXPECT_EQ(buffer[0], '#');  // nothing written when it does not fit
  EXPECT_EQ(files.GetCurrentDirectoryA(sizeof buffer, buffer), length);
  EXPECT_STREQ(buffer, folder.c_str());
  EXPECT_EQ(files.Separator(), '/');
  EXPECT_TRUE(files.CaseSensitiveNames());
  ASSERT_EQ(::chdir(old), 0);
}

}  // namespace
