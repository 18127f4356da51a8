// The file-backed registry on real temporary folders: statuses, sizes, damaged hives, folders that
// are missing or cannot be made, deletions, and several writers at once.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "panel/SettingsStore.h"
#include "platform/posix/registry/FileRegistry.h"
#include "platform/posix/files/FileText.h"
#include "platform/posix/registry/RegText.h"

using vx::posix::FileRegistry;
namespace fs = std::filesystem;

namespace {

// A registry over a folder, with every warning it gives collected.
struct Fixture {
  explicit Fixture(const std::string& folder)
      : registry(folder, [this](const std::string& line) { warnings.push_back(line); }) {}
  std::vector<std::string> warnings;
  FileRegistry registry;
};

std::uint32_t Dword(vx::Registry& reg, vx::RegKey root, const char* key, const char* name) {
  vx::RegKey k = 0;
  if (reg.OpenKey(root, key, &k) != vx::kOk) return 0xDEADBEEF;
  std::uint32_t value = 0xDEADBEEF, size = 4, type = 0;
  const auto status = reg.QueryValue(k, name, &type, reinterpret_cast<std::uint8_t*>(&value), &size);
  reg.CloseKey(k);
  return status == vx::kOk && type == vx::kRegDword && size == 4 ? value : 0xDEADBEEF;
}

void SetDword(vx::Registry& reg, vx::RegKey root, const char* key, const char* name,
              std::uint32_t value) {
  vx::RegKey k = 0;
  ASSERT_EQ(reg.CreateKey(root, key, nullptr, &k), vx::kOk);
  ASSERT_EQ(reg.SetValue(k, name, vx::kRegDword, reinterpret_cast<const std::uint8_t*>(&value), 4),
            vx::kOk);
  ASSERT_EQ(reg.CloseKey(k), vx::kOk);
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST(FileRegistry, EveryValueTypeSurvivesAFreshObject) {
  TempFolder tmp;
  struct Case {
    const char* name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
  };
  const std::vector<Case> cases = {
      {"Sz", vx::kRegSz, {'C', ':', '\\', '"', 0}},
      {"Expand", vx::kRegExpandSz, {'%', 'H', '%', 0}},
      {"Binary", vx::kRegBinary, {0, 1, 0xfe, 0xff}},
      {"Dword", vx::kRegDword, {0x30, 0x03, 0, 0x80}},
      {"Multi", vx::kRegMultiSz, {'a', 0, 'b', 0, 0}},
      {"Qword", vx::kRegQword, {1, 2, 3, 4, 5, 6, 7, 8}},
      {"None", vx::kRegNone, {}},
      {"ShortDword", vx::kRegDword, {7}},
      {"", vx::kRegSz, {'d', 'e', 'f', 0}},
  };
  {
    Fixture f(tmp.Path());
    vx::RegKey k = 0;
    ASSERT_EQ(f.registry.CreateKey(vx::kHKeyCurrentUser, "Software\\Types", "Cls", &k), vx::kOk);
    for (const auto& c : cases)
      ASSERT_EQ(f.registry.SetValue(k, c.name, c.type, c.data.data(),
                                    static_cast<std::uint32_t>(c.data.size())),
                vx::kOk);
    ASSERT_EQ(f.registry.CloseKey(k), vx::kOk);
    EXPECT_TRUE(f.warnings.empty());
  }
  Fixture g(tmp.Path());
  vx::RegKey k = 0;
  ASSERT_EQ(g.registry.OpenKey(vx::kHKeyCurrentUser, "Software\\Types", &k), vx::kOk);
  for (const auto& c : cases) {
    std::uint8_t buf[16] = {};
    std::uint32_t size = sizeof buf, type = 99;
    ASSERT_EQ(g.registry.QueryValue(k, c.name, &type, buf, &size), vx::kOk) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
    EXPECT_EQ(std::vector<std::uint8_t>(buf, buf + size), c.data) << c.name;
  }
  // A null name is the default value too.
  std::uint32_t size = 0;
  EXPECT_EQ(g.registry.QueryValue(k, nullptr, nullptr, nullptr, &size), vx::kOk);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(g.registry.CloseKey(k), vx::kOk);
}

TEST(FileRegistry, QuerySizesAndStatuses) {
  TempFolder tmp;
  Fixture f(tmp.Path());
  vx::RegKey k = 0;
  ASSERT_EQ(f.registry.CreateKey(vx::kHKeyCurrentUser, "Software\\Vexmor_Rec", "Vexmor_Rec", &k),
            vx::kOk);
  const std::uint8_t eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_EQ(f.registry.SetValue(k, "Gain", vx::kRegBinary, eight, 8), vx::kOk);

  // Too small: 234, the room needed, the type, and the caller's buffer untouched.
  std::uint8_t buf[4] = {0xAA, 0xAA, 0xAA, 0xAA};
  std::uint32_t size = 4, type = vx::kRegDword;
  EXPECT_EQ(f.registry.QueryValue(k, "Gain", &type, buf, &size), vx::kMoreData);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(type, static_cast<std::uint32_t>(vx::kRegBinary));
  for (auto b : buf) EXPECT_EQ(b, 0xAA);

  // Exact fit.
  std::uint8_t exact[8] = {};
  size = 8;
  EXPECT_EQ(f.registry.QueryValue(k, "Gain", &type, exact, &size), vx::kOk);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(std::memcmp(exact, eight, 8), 0);

  // No data buffer: the size only.
  size = 0;
  EXPECT_EQ(f.registry.QueryValue(k, "gain", nullptr, nullptr, &size), vx::kOk);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(f.registry.QueryValue(k, "Gain", nullptr, exact, nullptr), vx::kInvalidParameter);

  EXPECT_EQ(f.registry.QueryValue(k, "Missing", &type, buf, &size), vx::kFileNotFound);
  EXPECT_EQ(f.registry.SetValue(k, "x", vx::kRegBinary, nullptr, 3), vx::kInvalidParameter);
  EXPECT_EQ(f.registry.SetValue(k, "line\nbreak", vx::kRegBinary, eight, 1),
            vx::kInvalidParameter);
  EXPECT_EQ(f.registry.CloseKey(k), vx::kOk);
  // Names and classes that a line of the file cannot hold are refused.
  vx::RegKey bad = 0;
  EXPECT_EQ(f.registry.CreateKey(vx::kHKeyCurrentUser, "Software\\A\nB", nullptr, &bad),
            vx::kInvalidParameter);
  EXPECT_EQ(f.registry.CreateKey(vx::kHKeyCurrentUser, "Software\\A", "two\nlines", &bad),
            vx::kInvalidParameter);
  // An empty part of a key path is refused, never saved as a key line the next read drops.
  for (const char* path : {"\\Software", "Software\\\\A", "Software\\A\\\\", "\\\\"})
    EXPECT_EQ(f.registry.CreateKey(vx::kHKeyCurrentUser, path, nullptr, &bad), 161) << path;

  // Closed and made-up handles are refused; missing keys are not found.
  EXPECT_EQ(f.registry.QueryValue(k, "Gain", &type, buf, &size), vx::kInvalidHandle);
  EXPECT_EQ(f.registry.SetValue(k, "Gain", vx::kRegBinary, eight, 1), vx::kInvalidHandle);
  EXPECT_EQ(f.registry.CloseKey(k), vx::kInvalidHandle);
  EXPECT_EQ(f.registry.CloseKey(12345), vx::kInvalidHandle);
  vx::RegKey other = 0;
  EXPECT_EQ(f.registry.OpenKey(0x80000003u, "Software", &other), vx::kInvalidHandle);
  EXPECT_EQ(f.registry.OpenKey(vx::kHKeyCurrentUser, "Software\\Missing", &other),
            vx::kFileNotFound);
  EXPECT_EQ(f.registry.OpenKey(vx::kHKeyLocalMachine, "Software\\Vexmor_Rec", &other),
            vx::kFileNotFound);
  EXPECT_TRUE(f.warnings.empty());
}

TEST(FileRegistry, NamesIgnoreCaseAndTheFileKeepsTheirFirstSpelling) {
  TempFolder tmp;
  Fixture f(tmp.Path());
  SetDword(f.registry, vx::kHKeyCurrentUser, "Software\\Vexmor_Rec", "Port", 0x330);
  SetDword(f.registry, vx::kHKeyCurrentUser, "SOFTWARE\\VEXMOR_REC", "PORT", 0x340);
  SetDword(f.registry, vx::kHKeyCurrentUser, "software\\Another", "Mon", 1);
  EXPECT_EQ(Dword(f.registry, vx::kHKeyCurrentUser, "software\\vexmor_rec", "port"), 0x340u);
  // A parent key exists through its children.
  vx::RegKey parent = 0;
  ASSERT_EQ(f.registry.OpenKey(vx::kHKeyCurrentUser, "SoftWare", &parent), vx::kOk);
  EXPECT_EQ(Dword(f.registry, parent, "Vexmor_Rec", "Port"), 0x340u);  // relative to a handle
  f.registry.CloseKey(parent);

  EXPECT_EQ(ReadText(tmp / "user.reg"),
            "REGEDIT4\n\n"
            "[HKEY_CURRENT_USER\\Software\\Vexmor_Rec]\n"
            "\"Port\"=dword:00000340\n\n"
            "[HKEY_CURRENT_USER\\Software\\Another]\n"
            "\"Mon\"=dword:00000001\n\n");
}

TEST(FileRegistry, SettingsStoreWritesTheDocumentedHive) {
  TempFolder tmp;
  Fixture f(tmp.Path());
  SaveSettings(f.registry, PanelSettings{});
  EXPECT_EQ(ReadText(tmp / "user.reg"),
            "REGEDIT4\n\n"
            "[HKEY_CURRENT_USER\\Software\\Vexmor_Rec]\n"
            ";Class=\"Vexmor_Rec\"\n"
            "\"Port\"=dword:00000330\n"
            "\"Gain\"=dword:00000000\n"
            "\"Chan\"=dword:00000001\n"
            "\"Mon\"=dword:00000000\n"
            "\"Bits\"=dword:00000001\n"
            "\"Rate\"=dword:00000002\n\n");
  EXPECT_FALSE(fs::exists(tmp / "system.reg"));
  // Nothing but the hive and its lock file is left in the folder.
  EXPECT_EQ(FilesIn(tmp.Path()), (std::vector<std::string>{"user.reg", "user.reg.lock"}));

  PanelSettings loaded;
  loaded.Port = 0;
  loaded.Rate = 9;
  Fixture g(tmp.Path());
  LoadSettings(g.registry, loaded);
  EXPECT_EQ(loaded.Port, 0x330u);
  EXPECT_EQ(loaded.Rate, 2);
}

TEST(FileRegistry, MachineKeysGoToTheSystemHive) {
  TempFolder tmp;
  Fixture f(tmp.Path());
  const char* uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vexmor_Rec";
  vx::RegKey k = 0;
  ASSERT_EQ(f.registry.CreateKey(vx::kHKeyLocalMachine, uninstall, nullptr, &k), vx::kOk);
  const char path[] = "/opt/vexmor/pelzorn.exe";
  ASSERT_EQ(f.registry.SetValue(k, "UninstallString", vx::kRegSz,
                                reinterpret_cast<const std::uint8_t*>(path), sizeof path),
            vx::kOk);
  ASSERT_EQ(f.registry.CloseKey(k), vx::kOk);
  SetDword(f.registry, vx::kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other", "x", 1);
  EXPECT_FALSE(fs::exists(tmp / "user.reg"));
  EXPECT_NE(ReadText(tmp / "system.reg")
                .find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                      "Vexmor_Rec]\n\"UninstallString\"=\"/opt/vexmor/pelzorn.exe\"\n"),
            std::string::npos);

  Fixture g(tmp.Path());
  ASSERT_EQ(g.registry.OpenKey(vx::kHKeyLocalMachine, uninstall, &k), vx::kOk);
  char buf[260];
  std::uint32_t size = sizeof buf, type = vx::kRegSz;
  ASSERT_EQ(g.registry.QueryValue(k, "UninstallString", &type, reinterpret_cast<std::uint8_t*>(buf),
                                  &size),
            vx::kOk);
  EXPECT_EQ(size, sizeof path);
  EXPECT_STREQ(buf, path);
  g.registry.CloseKey(k);
  EXPECT_EQ(g.registry.DeleteKey(vx::kHKeyLocalMachine, uninstall), vx::kOk);
  EXPECT_EQ(g.registry.DeleteKey(vx::kHKeyLocalMachine, uninstall), vx::kFileNotFound);
  EXPECT_EQ(Dword(g.registry, vx::kHKeyLocalMachine,
                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other", "x"),
            1u);
}

TEST(FileRegistry, DeleteKeyTakesSubkeysAndKeepsSiblingsSharingThePrefix) {
  TempFolder tmp;
  Fixture f(tmp.Path());
  SetDword(f.registry, vx::kHKeyCurrentUser, "Software\\Foo", "a", 1);
  SetDword(f.registry, vx::kHKeyCurrentUser, "Software\\Foo\\Sub", "b", 2);
  SetDword(f.registry, vx::kHKeyCurrentUser, "Software\\Foo\\Sub\\Deep", "c", 3);
  SetDword(f.registry, vx::kHKeyCurrentUser, "Software\\FooBar", "d", 4);
  SetDword(f.registry, vx::kHKeyCurrentUser, "Software\\Fo", "e", 5);

  vx::RegKey open = 0;
  ASSERT_EQ(f.registry.OpenKey(vx::kHKeyCurrentUser, "Software\\Foo\\Sub", &open), vx::kOk);
  EXPECT_EQ(f.registry.DeleteKey(vx::kHKeyCurrentUser, "software\\FOO"), vx::kOk);
  // A handle to a deleted key no longer reaches a value.
  std::uint32_t size = 4;
  std::uint8_t buf[4];
  EXPECT_NE(f.registry.QueryValue(open, "b", nullptr, buf, &size), vx::kOk);
  f.registry.CloseKey(open);

  Fixture g(tmp.Path());  // what the file says
  vx::RegKey k = 0;
  EXPECT_EQ(g.registry.OpenKey(vx::kHKeyCurrentUser, "Software\\Foo", &k), vx::kFileNotFound);
  EXPECT_EQ(g.registry.OpenKey(vx::kHKeyCurrentUser, "Software\\Foo\\Sub\\Deep", &k),
            vx::kFileNotFound);
  EXPECT_EQ(Dword(g.registry, vx::kHKeyCurrentUser, "Software\\FooBar", "d"), 4u);
  EXPECT_EQ(Dword(g.registry, vx::kHKeyCurrentUser, "Software\\Fo", "e"), 5u);
  EXPECT_EQ(g.registry.DeleteKey(vx::kHKeyCurrentUser, "Software\\Foo"), vx::kFileNotFound);
  EXPECT_NE(g.registry.DeleteKey(vx::kHKeyCurrentUser, ""), vx::kOk);  // not a whole hive
  EXPECT_EQ(Dword(g.registry, vx::kHKeyCurrentUser, "Software\\FooBar", "d"), 4u);
}

TEST(FileRegistry, DamagedValuesAreLeftAloneOnLoadAndRewrittenOnSave) {
  TempFolder tmp;
  WriteText(tmp / "user.reg",
            "REGEDIT4\n\n"
            "; kept by hand\n"
            "[HKEY_CURRENT_USER\\Software\\Vexmor_Rec]\n"
            "\"Port\"=\"text\"\n"
            "\"Gain\"=hex:01,02,03,04,05,06,07,08\n"
            "\"Chan\"=dword:00000000\n"
            "%%% garbage %%%\n"
            "\"Mon\"=dword:00000101\n"
            "\"Extra\"=\"mine\"\n\n"
            "[HKEY_CURRENT_USER\\Software\\Neighbour]\n"
            "\"Keep\"=hex:0a,0b\n");
  Fixture f(tmp.Path());
  PanelSettings s;
  s.Gain = 1;
  LoadSettings(f.registry, s);
  EXPECT_EQ(s.Port, 0x330u);  // a string is not a port
  EXPECT_EQ(s.Gain, 1);       // 8 bytes do not fit
  EXPECT_EQ(s.Chan, 0);
  EXPECT_EQ(s.Mon, 1);        // the low byte of 0x101
  ASSERT_EQ(f.warnings.size(), 1u);
  EXPECT_NE(f.warnings[0].find(tmp / "user.reg"), std::string::npos) << f.warnings[0];
  EXPECT_NE(f.warnings[0].find("line 8"), std::string::npos) << f.warnings[0];

  SaveSettings(f.registry, s);
  LoadSettings(f.registry, s);
  EXPECT_EQ(f.warnings.size(), 1u);  // told once

  const std::string text = ReadText(tmp / "user.reg");
  EXPECT_NE(text.find("\"Port\"=dword:00000330\n\"Gain\"=dword:00000001\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("; unreadable: %%% garbage %%%\n"), std::string::npos) << text;
  EXPECT_NE(text.find("; kept by hand\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\"Extra\"=\"mine\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Neighbour]\n\"Keep\"=hex:0a,0b\n"),
            std::string::npos)
      << text;
}

TEST(FileRegistry, HiveThatIsNotRegedit4IsKeptAsideAndNeverOverwritten) {
  for (const std::string& damaged :
       {std::string("this is not a hive\n[HKEY_CURRENT_USER\\Software\\Vexmor_Rec]\n"),
        std::string("REGEDIT4\n\0\0\x01\x02binary", 16)}) {
    TempFolder tmp;
    WriteText(tmp / "user.reg", damaged);
    Fixture f(tmp.Path());
    PanelSettings s;
    LoadSettings(f.registry, s);
    EXPECT_EQ(s.Port, 0x330u);
    ASSERT_EQ(f.warnings.size(), 1u);
    EXPECT_NE(f.warnings[0].find(tmp / "user.reg"), std::string::npos);

    std::vector<std::string> names = FilesIn(tmp.Path());
    std::string aside;
    for (const auto& n : names)
      if (n.rfind("user.reg.damaged-", 0) == 0) aside = n;
    ASSERT_FALSE(aside.empty());
    EXPECT_NE(f.warnings[0].find(aside), std::string::npos) << f.warnings[0];
    EXPECT_EQ(ReadText(tmp / aside), damaged);

    SaveSettings(f.registry, s);
    EXPECT_EQ(ReadText(tmp / aside), damaged);
    EXPECT_EQ(Dword(f.registry, vx::kHKeyCurrentUser, kSettingsKey, "Port"), 0x330u);
    EXPECT_EQ(f.warnings.size(), 1u);

    // A second damaged hive goes aside under a name of its own.
    WriteText(tmp / "user.reg", "garbage again\n");
    Fixture g(tmp.Path());
    LoadSettings(g.registry, s);
    int asideCount = 0;
    for (const auto& n : FilesIn(tmp.Path())) asideCount += n.rfind("user.reg.damaged-", 0) == 0;
    EXPECT_EQ(asideCount, 2);
    EXPECT_EQ(ReadText(tmp / aside), damaged);
  }
}

TEST(FileRegistry, HiveThatCannotBeReadIsLeftAlone) {
  TempFolder tmp;
  fs::create_directories(tmp / "user.reg/inside");  // a folder where the hive should be
  Fixture f(tmp.Path());
  vx::RegKey k = 0;
  // Not an empty hive: its keys answer access denied.
  EXPECT_EQ(f.registry.OpenKey(vx::kHKeyCurrentUser, kSettingsKey, &k), vx::kAccessDenied);
  EXPECT_NE(f.registry.CreateKey(vx::kHKeyCurrentUser, kSettingsKey, nullptr, &k), vx::kOk);
  SaveSettings(f.registry, PanelSettings{});
  EXPECT_TRUE(fs::is_directory(tmp / "user.reg/inside"));
  ASSERT_EQ(f.warnings.size(), 1u);
  EXPECT_NE(f.warnings[0].find(tmp / "user.reg"), std::string::npos);
  // The other hive works as ever.
  SetDword(f.registry, vx::kHKeyLocalMachine, "SOFTWARE\\X", "y", 7);
  EXPECT_EQ(Dword(f.registry, vx::kHKeyLocalMachine, "SOFTWARE\\X", "y"), 7u);
}

TEST(FileRegistry, MissingFolderIsCreatedOnTheFirstWriteOnly) {
  TempFolder tmp;
  const std::string folder = tmp / "config/vexmor/registry";
  Fixture f(folder);
  PanelSettings s;
  LoadSettings(f.registry, s);
  vx::RegKey k = 0;
  EXPECT_EQ(f.registry.DeleteKey(vx::kHKeyCurrentUser, kSettingsKey), vx::kFileNotFound);
  EXPECT_EQ(f.registry.OpenKey(vx::kHKeyCurrentUser, "Software", &k), vx::kFileNotFound);
  EXPECT_FALSE(fs::exists(tmp / "config"));  // reading makes nothing
  SaveSettings(f.registry, s);
  EXPECT_TRUE(fs::is_regular_file(folder + "/user.reg"));
  EXPECT_TRUE(f.warnings.empty());
}

TEST(FileRegistry, FolderThatCannotBeCreatedFailsCreateKeyAndWarnsOnce) {
  TempFolder tmp;
  WriteText(tmp / "config", "a plain file where a folder is needed");
  Fixture f(tmp / "config/vexmor/registry");
  vx::RegKey k = 0;
  EXPECT_EQ(f.registry.CreateKey(vx::kHKeyCurrentUser, kSettingsKey, kSettingsClass, &k),
            vx::kPathNotFound);
  SaveSettings(f.registry, PanelSettings{});
  PanelSettings s;
  s.Port = 0x220;
  LoadSettings(f.registry, s);
  EXPECT_EQ(s.Port, 0x220u);
  ASSERT_EQ(f.warnings.size(), 1u);
  EXPECT_NE(f.warnings[0].find(tmp / "config/vexmor/registry"), std::string::npos);
  EXPECT_EQ(ReadText(tmp / "config"), "a plain file where a folder is needed");
}

TEST(FileRegistry, CloseKeyTellsWhenTheWriteFails) {
  TempFolder tmp;
  const std::string folder = tmp / "reg";
  Fixture f(folder);
  vx::RegKey k = 0;
  ASSERT_EQ(f.registry.CreateKey(vx::kHKeyCurrentUser, kSettingsKey, nullptr, &k), vx::kOk);
  const std::uint8_t one[4] = {1, 0, 0, 0};
  ASSERT_EQ(f.registry.SetValue(k, "Port", vx::kRegDword, one, 4), vx::kOk);
  // The folder goes away and a file takes its place before the changes are written.
  fs::remove_all(folder);
  WriteText(folder, "in the way");
  EXPECT_NE(f.registry.CloseKey(k), vx::kOk);
  EXPECT_EQ(ReadText(folder), "in the way");
  EXPECT_EQ(f.warnings.size(), 1u);
}

// Once the new hive is renamed into place the change is saved: a folder that cannot be synced
// then is told on stderr and is no failed commit.
TEST(FileRegistry, UnsyncedFolderAfterTheRenameIsNoFailedCommit) {
  TempFolder tmp;
  Fixture f(tmp / "reg");
  vx::posix::SetFolderSyncForTests([](const std::string&) { return EIO; });
  testing::internal::CaptureStderr();
  SetDword(f.registry, vx::kHKeyCurrentUser, kSettingsKey, "Port", 0x240);
  const std::string told = testing::internal::GetCapturedStderr();
  vx::posix::SetFolderSyncForTests(nullptr);
  EXPECT_NE(told.find("the change is saved"), std::string::npos) << told;
  Fixture fresh(tmp / "reg");
  EXPECT_EQ(Dword(fresh.registry, vx::kHKeyCurrentUser, kSettingsKey, "Port"), 0x240u);
}

TEST(FileRegistry, ChangesOfAHandleAreSeenAtOnceAndWrittenWhenItCloses) {
  TempFolder tmp;
  Fixture a(tmp.Path());
  Fixture b(tmp.Path());
  vx::RegKey k = 0;
  ASSERT_EQ(a.registry.CreateKey(vx::kHKeyCurrentUser, "Software\\A", nullptr, &k), vx::kOk);
  const std::uint8_t v[4] = {5, 0, 0, 0};
  ASSERT_EQ(a.registry.SetValue(k, "x", vx::kRegDword, v, 4), vx::kOk);
  std::uint8_t seen[4] = {};
  std::uint32_t size = 4;
  EXPECT_EQ(a.registry.QueryValue(k, "x", nullptr, seen, &size), vx::kOk);
  EXPECT_EQ(seen[0], 5);
  EXPECT_EQ(Dword(b.registry, vx::kHKeyCurrentUser, "Software\\A", "x"), 0xDEADBEEFu);
  ASSERT_EQ(a.registry.CloseKey(k), vx::kOk);
  EXPECT_EQ(Dword(b.registry, vx::kHKeyCurrentUser, "Software\\A", "x"), 5u);
}

TEST(FileRegistry, TwoObjectsWritingAtOnceKeepEachOthersKeys) {
  TempFolder tmp;
  Fixture a(tmp.Path());
  Fixture b(tmp.Path());
  // Both read the hive, then write in turn: neither may drop what the other wrote.
  vx::RegKey ka = 0, kb = 0;
  ASSERT_EQ(a.registry.CreateKey(vx::kHKeyCurrentUser, "Software\\A", nullptr, &ka), vx::kOk);
  ASSERT_EQ(b.registry.CreateKey(vx::kHKeyCurrentUser, "Software\\B", nullptr, &kb), vx::kOk);
  const std::uint8_t v[4] = {1, 0, 0, 0};
  a.registry.SetValue(ka, "x", vx::kRegDword, v, 4);
  b.registry.SetValue(kb, "y", vx::kRegDword, v, 4);
  ASSERT_EQ(b.registry.CloseKey(kb), vx::kOk);
  ASSERT_EQ(a.registry.CloseKey(ka), vx::kOk);
  SetDword(b.registry, vx::kHKeyCurrentUser, "Software\\B", "z", 2);
  EXPECT_EQ(b.registry.DeleteKey(vx::kHKeyCurrentUser, "Software\\A"), vx::kOk);
  SetDword(a.registry, vx::kHKeyCurrentUser, "Software\\C", "w", 3);

  Fixture c(tmp.Path());
  vx::RegKey k = 0;
  EXPECT_EQ(c.registry.OpenKey(vx::kHKeyCurrentUser, "Software\\A", &k), vx::kFileNotFound);
  EXPECT_EQ(Dword(c.registry, vx::kHKeyCurrentUser, "Software\\B", "y"), 1u);
  EXPECT_EQ(Dword(c.registry, vx::kHKeyCurrentUser, "Software\\B", "z"), 2u);
  EXPECT_EQ(Dword(c.registry, vx::kHKeyCurrentUser, "Software\\C", "w"), 3u);
}

TEST(FileRegistry, TwoProcessesWritingAtOnceLoseNoKey) {
  TempFolder tmp;
  constexpr int kKeysEach = 60;
  pid_t children[2];
  for (int p = 0; p < 2; ++p) {
    children[p] = ::fork();
    ASSERT_GE(children[p], 0);
    if (children[p] == 0) {
      bool ok = true;
      {
        FileRegistry reg(tmp.Path(), nullptr);
        for (int i = 0; i < kKeysEach; ++i) {
          const std::string key = "Software\\P" + std::to_string(p) + "\\K" + std::to_string(i);
          vx::RegKey k = 0;
          const std::uint32_t value = static_cast<std::uint32_t>(p * 1000 + i);
          ok = ok && reg.CreateKey(vx::kHKeyCurrentUser, key.c_str(), nullptr, &k) == vx::kOk;
          ok = ok && reg.SetValue(k, "v", vx::kRegDword,
                                  reinterpret_cast<const std::uint8_t*>(&value), 4) == vx::kOk;
          ok = ok && reg.CloseKey(k) == vx::kOk;
        }
      }
      ::_exit(ok ? 0 : 1);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  Fixture check(tmp.Path());
  for (int p = 0; p < 2; ++p)
    for (int i = 0; i < kKeysEach; ++i) {
      const std::string key = "Software\\P" + std::to_string(p) + "\\K" + std::to_string(i);
      EXPECT_EQ(Dword(check.registry, vx::kHKeyCurrentUser, key.c_str(), "v"),
                static_cast<std::uint32_t>(p * 1000 + i))
          << key;
    }
  EXPECT_TRUE(check.warnings.empty());
  for (const auto& n : FilesIn(tmp.Path())) EXPECT_EQ(n.find(".tmp-"), std::string::npos) << n;
}

// A writer killed at random moments: the hive always parses and holds the last committed content or
// the content in flight, whole; the next commit removes any temporary file a kill left. The number
// of kills is VEXMOR_HIVE_KILLS (tools/hive-kills runs many more).
TEST(FileRegistry, KilledWriterLeavesAWholeHiveAndTheNextCommitNoLeftover) {
  TempFolder tmp;
  const char* env = std::getenv("VEXMOR_HIVE_KILLS");
  const int kills = env && std::atoi(env) > 0 ? std::atoi(env) : 30;
  const std::string hive = tmp.Path() + "/user.reg";
  std::mt19937 random(20240611);
  std::uint32_t onDisk = 0;  // the counter the hive held at the last check (0: no hive yet)
  int damaged = 0, leftovers = 0, leftAfterCommit = 0;
  for (int round = 0; round < kills; ++round) {
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const std::uint32_t base = static_cast<std::uint32_t>(round + 1) * 1000000u;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(pipeFds[0]);
      FileRegistry reg(tmp.Path(), nullptr);
      for (std::uint32_t n = base + 1;; ++n) {
        vx::RegKey k = 0;
        if (reg.CreateKey(vx::kHKeyCurrentUser, "Software\\Crash", nullptr, &k) != vx::kOk) ::_exit(1);
        const std::vector<std::uint8_t> blob(400, static_cast<std::uint8_t>(n));
        for (int v = 0; v < 8; ++v)
          reg.SetValue(k, ("V" + std::to_string(v)).c_str(), vx::kRegDword,
                       reinterpret_cast<const std::uint8_t*>(&n), 4);
        reg.SetValue(k, "Blob", vx::kRegBinary, blob.data(), static_cast<std::uint32_t>(blob.size()));
        if (reg.CloseKey(k) != vx::kOk) ::_exit(1);
        if (::write(pipeFds[1], &n, sizeof n) != sizeof n) ::_exit(1);
      }
    }
    ::close(pipeFds[1]);
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 15000));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status)) << "the writer failed before it was killed";
    std::uint32_t reported = 0, n = 0;
    while (::read(pipeFds[0], &n, sizeof n) == sizeof n) reported = n;
    ::close(pipeFds[0]);

    // The last committed counter, or the one in flight (the commit after the last reported one).
    const std::uint32_t committed = reported ? reported : onDisk;
    const std::uint32_t inFlight = reported ? reported + 1 : base + 1;
    vx::posix::Hive parsed;
    const auto result = parsed.Parse(fs::exists(hive) ? ReadText(hive) : "");
    const auto* key = parsed.Find("HKEY_CURRENT_USER\\Software\\Crash");
    std::uint32_t found = 0;
    bool whole = result.readable && result.problems.empty() && (key || committed == 0);
    if (key) {
      const auto* v0 = vx::posix::Hive::FindValue(*key, "V0");
      whole = whole && v0 && v0->data.size() == 4;
      if (whole) std::memcpy(&found, v0->data.data(), 4);
      for (int v = 1; whole && v < 8; ++v) {
        const auto* value = vx::posix::Hive::FindValue(*key, "V" + std::to_string(v));
        whole = whole && value && value->data == v0->data;
      }
      const auto* blob = vx::posix::Hive::FindValue(*key, "Blob");
      whole = whole && blob && blob->data == std::vector<std::uint8_t>(400, static_cast<std::uint8_t>(found));
    }
    whole = whole && (found == committed || found == inFlight);
    if (!whole) ++damaged;
    EXPECT_TRUE(whole) << "round " << round << ": found " << found << ", committed " << committed;
    onDisk = found;

    auto temporaries = [&] {
      int count = 0;
      for (const auto& name : FilesIn(tmp.Path())) count += name.find(".tmp-") != std::string::npos;
      return count;
    };
    leftovers += temporaries() > 0;
    {
      FileRegistry next(tmp.Path(), nullptr);
      SetDword(next, vx::kHKeyCurrentUser, "Software\\Other", "Round", static_cast<std::uint32_t>(round));
    }
    leftAfterCommit += temporaries();
  }
  EXPECT_EQ(leftAfterCommit, 0);
  std::printf("%d kills, %d hives damaged, %d kills left a temporary file, %d left after the next commit\n",
              kills, damaged, leftovers, leftAfterCommit);
}

TEST(FileRegistry, HandWrittenHiveLoads) {
  TempFolder tmp;
  WriteText(tmp / "user.reg",
            "REGEDIT4\r\n\r\n"
            "; written by hand\r\n"
            "[HKEY_CURRENT_USER\\Software\\Vexmor_Rec]\r\n"
            "\"Port\"=dword:00000220\r\n"
            "; microphone\r\n"
            "\"Gain\"=dword:00000001\r\n"
            "\"Notes\"=hex:48,65,6c,\\\r\n"
            "  6c,6f\r\n"
            "\"Rate\"=dword:3\r\n");
  Fixture f(tmp.Path());
  PanelSettings s;
  LoadSettings(f.registry, s);
  EXPECT_EQ(s.Port, 0x220u);
  EXPECT_EQ(s.Gain, 1);
  EXPECT_EQ(s.Rate, 3);
  EXPECT_TRUE(f.warnings.empty());
  vx::RegKey k = 0;
  ASSERT_EQ(f.registry.OpenKey(vx::kHKeyCurrentUser, kSettingsKey, &k), vx::kOk);
  char notes[8] = {};
  std::uint32_t size = sizeof notes;
  ASSERT_EQ(f.registry.QueryValue(k, "notes", nullptr, reinterpret_cast<std::uint8_t*>(notes), &size),
            vx::kOk);
  EXPECT_EQ(std::string(notes, size), "Hello");
  f.registry.CloseKey(k);
}

TEST(FileRegistry, DefaultFolderFollowsXdgConfigHome) {
  const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = savedXdg ? savedXdg : "";
  ::setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
  EXPECT_EQ(FileRegistry::DefaultFolder(), "/somewhere/config/vexmor/registry");
  ::unsetenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  EXPECT_EQ(FileRegistry::DefaultFolder(),
            std::string(home ? home : "") + "/.config/vexmor/registry");
  if (savedXdg) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
}
