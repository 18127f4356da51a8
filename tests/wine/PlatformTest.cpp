// The platform interfaces over the real Windows API, under Wine: what the logic relies on from each
// call (status numbers, buffer rules, error numbers, the shell-link object) and the NT family's
// start-up deletion queue.
#include <gtest/gtest.h>
#include <windows.h>

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/DirectPorts.h"
#include "platform/win32/RenameQueue.h"
#include "platform/win32/SystemFamily.h"
#include "platform/win32/SystemFiles.h"
#include "platform/win32/SystemProfile.h"
#include "platform/win32/SystemRegistry.h"
#include "platform/win32/SystemShellLinks.h"
#include "TempFolder.h"

namespace {

using vx::win32::SystemFiles;
using vx::win32::SystemProfile;
using vx::win32::SystemRegistry;
using vx::win32::SystemShellLinks;

// A key of its own under HKEY_CURRENT_USER, deleted afterwards.
class RegistryTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ::RegDeleteKeyA(HKEY_CURRENT_USER, (m_key + "\\Sub").c_str());
    ::RegDeleteKeyA(HKEY_CURRENT_USER, m_key.c_str());
  }
  std::string m_key = "Software\\VexmorTest" + std::to_string(::GetCurrentProcessId());
  SystemRegistry m_registry;
};

TEST_F(RegistryTest, MissingKeyAnswersFileNotFound) {
  vx::RegKey key = 0;
  EXPECT_EQ(m_registry.OpenKey(vx::kHKeyCurrentUser, m_key.c_str(), &key), vx::kFileNotFound);
}

TEST_F(RegistryTest, CreatedKeyKeepsItsClassAndValues) {
  vx::RegKey key = 0;
  ASSERT_EQ(m_registry.CreateKey(vx::kHKeyCurrentUser, m_key.c_str(), "Vexmor_Rec", &key), vx::kOk);
  const std::uint8_t port[4] = {0x30, 0x03, 0, 0};
  EXPECT_EQ(m_registry.SetValue(key, "Port", vx::kRegDword, port, 4), vx::kOk);
  EXPECT_EQ(m_registry.CloseKey(key), vx::kOk);

  // The class string went to the registry with the key.
  HKEY native = nullptr;
  ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, m_key.c_str(), 0, KEY_READ, &native), ERROR_SUCCESS);
  char keyClass[64] = {};
  DWORD classSize = sizeof keyClass;
  ASSERT_EQ(::RegQueryInfoKeyA(native, keyClass, &classSize, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  ::RegCloseKey(native);
  EXPECT_STREQ(keyClass, "Vexmor_Rec");

  ASSERT_EQ(m_registry.OpenKey(vx::kHKeyCurrentUser, m_key.c_str(), &key), vx::kOk);
  std::uint8_t data[4] = {};
  std::uint32_t size = sizeof data;
  std::uint32_t type = vx::kRegSz;
  EXPECT_EQ(m_registry.QueryValue(key, "Port", &type, data, &size), vx::kOk);
  EXPECT_EQ(type, vx::kRegDword);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(0, std::memcmp(data, port, 4));
  EXPECT_EQ(m_registry.QueryValue(key, "Gain", &type, data, &size), vx::kFileNotFound);
  m_registry.CloseKey(key);
}

TEST_F(RegistryTest, ValueTooLargeLeavesTheBufferUntouched) {
  vx::RegKey key = 0;
  ASSERT_EQ(m_registry.CreateKey(vx::kHKeyCurrentUser, m_key.c_str(), "", &key), vx::kOk);
  const std::uint8_t eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_EQ(m_registry.SetValue(key, "Gain", vx::kRegBinary, eight, 8), vx::kOk);
  std::uint8_t data[4] = {0xAA, 0xAA, 0xAA, 0xAA};
  std::uint32_t size = sizeof data;
  std::uint32_t type = vx::kRegDword;
  EXPECT_EQ(m_registry.QueryValue(key, "Gain", &type, data, &size), vx::kMoreData);
  EXPECT_EQ(size, 8u);
  for (std::uint8_t byte : data) EXPECT_EQ(byte, 0xAA);
  m_registry.CloseKey(key);
}

TEST_F(RegistryTest, DeleteKeyRemovesItAndAnswersNotFoundAfterwards) {
  vx::RegKey key = 0;
  ASSERT_EQ(m_registry.CreateKey(vx::kHKeyCurrentUser, m_key.c_str(), "", &key), vx::kOk);
  m_registry.CloseKey(key);
  EXPECT_EQ(m_registry.DeleteKey(vx::kHKeyCurrentUser, m_key.c_str()), vx::kOk);
  EXPECT_EQ(m_registry.OpenKey(vx::kHKeyCurrentUser, m_key.c_str(), &key), vx::kFileNotFound);
  EXPECT_NE(m_registry.DeleteKey(vx::kHKeyCurrentUser, m_key.c_str()), vx::kOk);
}

TEST(FilesTest, EnumerationDeliversDotEntriesAndAttributes) {
  TempFolder folder;
  TempFolder::Write(folder / "a.txt", "a");
  ::CreateDirectoryA((folder / "sub").c_str(), nullptr);
  SystemFiles files;
  EXPECT_EQ(files.Separator(), '\\');
  EXPECT_FALSE(files.CaseSensitiveNames());
  vx::FindData data;
  const vx::FindHandle find = files.FindFirstFileA((folder / "*.*").c_str(), &data);
  ASSERT_NE(find, vx::kInvalidFind);
  std::vector<std::string> names;
  std::vector<std::string> folders;
  do {
    names.push_back(data.name);
    if (data.attributes & vx::kAttrDirectory) folders.push_back(data.name);
  } while (files.FindNextFileA(find, &data));
  EXPECT_EQ(files.GetLastError(), static_cast<std::uint32_t>(vx::kNoMoreFiles));
  files.FindClose(find);
  std::sort(names.begin(), names.end());
  std::sort(folders.begin(), folders.end());
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "a.txt", "sub"}));
  EXPECT_EQ(folders, (std::vector<std::string>{".", "..", "sub"}));
}

TEST(FilesTest, FailedDeletionsReportTheWindowsErrorNumbers) {
  TempFolder folder;
  ::CreateDirectoryA((folder / "sub").c_str(), nullptr);
  SystemFiles files;
  EXPECT_FALSE(files.DeleteFileA((folder / "missing.exe").c_str()));
  EXPECT_EQ(files.GetLastError(), static_cast<std::uint32_t>(vx::kFileNotFound));
  EXPECT_FALSE(files.DeleteFileA((folder / "nowhere\\Volsar.exe").c_str()));
  EXPECT_EQ(files.GetLastError(), static_cast<std::uint32_t>(vx::kPathNotFound));
  EXPECT_FALSE(files.DeleteFileA((folder / "sub").c_str()));
  EXPECT_EQ(files.GetLastError(), static_cast<std::uint32_t>(vx::kAccessDenied));
  vx::FindData data;
  EXPECT_EQ(files.FindFirstFileA((folder / "nowhere\\*.*").c_str(), &data), vx::kInvalidFind);

  TempFolder::Write(folder / "sub\\keep.txt", "x");
  EXPECT_FALSE(files.RemoveDirectoryA((folder / "sub").c_str()));
  EXPECT_TRUE(files.DeleteFileA((folder / "sub\\keep.txt").c_str()));
  EXPECT_TRUE(files.RemoveDirectoryA((folder / "sub").c_str()));
  EXPECT_FALSE(TempFolder::Exists(folder / "sub"));
}

TEST(FilesTest, CurrentDirectoryFollowsTheBufferRules) {
  TempFolder folder;
  char saved[MAX_PATH];
  ::GetCurrentDirectoryA(MAX_PATH, saved);
  ASSERT_TRUE(::SetCurrentDirectoryA(folder.Path().c_str()));
  SystemFiles files;
  char buffer[MAX_PATH];
  const std::uint32_t length = files.GetCurrentDirectoryA(MAX_PATH, buffer);
  EXPECT_EQ(length, folder.Path().size());
  EXPECT_EQ(lstrcmpiA(buffer, folder.Path().c_str()), 0);
  char tiny[4];
  EXPECT_EQ(files.GetCurrentDirectoryA(sizeof tiny, tiny), folder.Path().size() + 1);
  ::SetCurrentDirectoryA(saved);
}

// The shell-link object and the desktop folder, as the shortcut sweep uses them.
class ShellLinksTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(m_shell.CoInitialize(), vx::kSOk); }
  void TearDown() override { m_shell.CoUninitialize(); }

  static void SaveLink(const std::string& lnk, const std::string& target) {
    IShellLinkA* link = nullptr;
    ASSERT_EQ(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)),
              S_OK);
    IPersistFile* file = nullptr;
    ASSERT_EQ(link->SetPath(target.c_str()), S_OK);
    ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)), S_OK);
    wchar_t wide[MAX_PATH];
    ::MultiByteToWideChar(CP_ACP, 0, lnk.c_str(), -1, wide, MAX_PATH);
    EXPECT_EQ(file->Save(wide, TRUE), S_OK);
    file->Release();
    link->Release();
  }

  SystemShellLinks m_shell;
};

TEST_F(ShellLinksTest, SecondInitialisationAnswersSFalse) {
  EXPECT_EQ(m_shell.CoInitialize(), vx::kSFalse);
  m_shell.CoUninitialize();
}

TEST_F(ShellLinksTest, ShortcutIsRecognisedLoadedAndReadBack) {
  TempFolder folder;
  const std::string target = folder / "Volsar.exe";
  TempFolder::Write(target, "MZ");
  SaveLink(folder / "Panel.lnk", target);
  TempFolder::Write(folder / "notes.txt", "not a link");

  vx::Guid clsid = {};
  EXPECT_EQ(m_shell.GetClassFile((folder / "Panel.lnk").c_str(), &clsid), vx::kSOk);
  EXPECT_EQ(clsid, vx::kClsidShellLink);
  vx::Guid other = {};
  const vx::HResult plain = m_shell.GetClassFile((folder / "notes.txt").c_str(), &other);
  EXPECT_TRUE(plain != vx::kSOk || !(other == vx::kClsidShellLink));

  vx::ShellLink* link = nullptr;
  ASSERT_EQ(m_shell.CreateShellLink(&link), vx::kSOk);
  ASSERT_EQ(link->QueryPersistFile(), vx::kSOk);
  EXPECT_EQ(link->Load((folder / "Panel.lnk").c_str()), vx::kSOk);
  char path[520] = {};
  EXPECT_EQ(link->GetPath(path, sizeof path), vx::kSOk);
  EXPECT_EQ(lstrcmpiA(path, target.c_str()), 0) << path;
  // A file that is no shell link does not load.
  EXPECT_NE(link->Load((folder / "notes.txt").c_str()), vx::kSOk);
  link->ReleasePersistFile();
  m_shell.ReleaseShellLink(link);
}

TEST_F(ShellLinksTest, DesktopFolderIsAnExistingFolder) {
  ASSERT_GE(m_shell.GetMalloc(), 0);
  vx::ItemList list = nullptr;
  ASSERT_EQ(m_shell.GetDesktopLocation(0, &list), vx::kSOk);
  char path[vx::kMaxPath] = {};
  EXPECT_TRUE(m_shell.GetPathFromItemList(list, path));
  m_shell.FreeItemList(list);
  m_shell.ReleaseMalloc();
  const DWORD attributes = ::GetFileAttributesA(path);
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << path;
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(ProfileTest, CommittedBlockIsWritable) {
  SystemProfile profile(false);
  char* block = profile.Commit(4096);
  ASSERT_NE(block, nullptr);
  std::memset(block, 'x', 4096);
  EXPECT_EQ(block[4095], 'x');
  profile.Decommit(block, 4096);
}

TEST(ProfileTest, WindowsFolderHoldsNoTrailingBackslashUnlessRoot) {
  SystemProfile profile(false);
  char folder[MAX_PATH] = {};
  const std::uint32_t length = profile.GetWindowsDirectoryA(folder, 247);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(length, std::strlen(folder));
  EXPECT_TRUE(TempFolder::Exists(folder));
}

TEST(ProfileTest, SectionWriteReplacesOnlyThatSection) {
  TempFolder folder;
  const std::string ini = folder / "test.ini";
  TempFolder::Write(ini, "[Other]\r\nkeep=1\r\n[Rename]\r\nNUL=C:\\OLD.TMP\r\n");
  SystemProfile profile(false);
  char buffer[4096];
  const std::uint32_t count = profile.GetPrivateProfileSectionA("Rename", buffer, sizeof buffer,
                                                                ini.c_str());
  EXPECT_EQ(count, 15u);
  EXPECT_STREQ(buffer, "NUL=C:\\OLD.TMP");
  const char section[] = "NUL=C:\\OLD.TMP\0NUL=C:\\Apps\\pelzorn.exe\0";
  ASSERT_TRUE(profile.WritePrivateProfileSectionA("Rename", section, ini.c_str()));
  EXPECT_EQ(profile.GetPrivateProfileSectionA("Rename", buffer, sizeof buffer, ini.c_str()), 39u);
  EXPECT_EQ(std::string(buffer, 39), std::string(section, 39));
  char kept[16];
  EXPECT_EQ(::GetPrivateProfileStringA("Other", "keep", "", kept, sizeof kept, ini.c_str()), 1u);
  EXPECT_EQ(profile.GetPrivateProfileSectionA("Rename", buffer, sizeof buffer,
                                              (folder / "missing.ini").c_str()),
            0u);
}

// PendingFileRenameOperations, put back as it was after each test.
class RestartQueueTest : public ::testing::Test {
 protected:
  static constexpr const char* kSessionManager =
      "SYSTEM\\CurrentControlSet\\Control\\Session Manager";

  void SetUp() override { m_saved = Pending(&m_had); }
  void TearDown() override {
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    if (m_had)
      ::RegSetValueExA(key, "PendingFileRenameOperations", 0, REG_MULTI_SZ,
                       reinterpret_cast<const BYTE*>(m_saved.data()),
                       static_cast<DWORD>(m_saved.size()));
    else
      ::RegDeleteValueA(key, "PendingFileRenameOperations");
    ::RegCloseKey(key);
  }

  // The raw value, and whether there was one.
  static std::vector<char> Pending(bool* present) {
    HKEY key = nullptr;
    std::vector<char> value;
    *present = false;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_READ, &key) != ERROR_SUCCESS)
      return value;
    DWORD size = 0;
    if (::RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, nullptr, &size) ==
        ERROR_SUCCESS) {
      value.resize(size);
      ::RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(value.data()), &size);
      *present = true;
    }
    ::RegCloseKey(key);
    return value;
  }

  static std::string PendingText() {
    bool present = false;
    const std::vector<char> value = Pending(&present);
    std::string text(value.begin(), value.end());
    std::replace(text.begin(), text.end(), '\0', '|');
    return text;
  }

  std::vector<char> m_saved;
  bool m_had = false;
};

TEST_F(RestartQueueTest, NtFamilyQueuesTheAddedDeletionsFileBeforeFolder) {
  ASSERT_EQ(vx::win32::CurrentSystemFamily(), vx::win32::SystemFamily::WindowsNT);
  TempFolder folder;
  const std::string ini = folder / "WININIT.INI";
  const std::string install = folder / "Panel";
  const std::string program = install + "\\pelzorn.exe";
  TempFolder::Write(ini, "[Rename]\r\nNUL=C:\\OLD.TMP\r\n");
  SystemProfile profile(true);
  const std::string section = "NUL=C:\\OLD.TMP" + std::string(1, '\0') + "NUL=" + program +
                              std::string(1, '\0') + "NUL=" + install + std::string(2, '\0');
  ASSERT_TRUE(profile.WritePrivateProfileSectionA("Rename", section.c_str(), ini.c_str()));
  EXPECT_EQ(profile.QueuedOnRestart(), 2u);
  EXPECT_EQ(profile.RefusedOnRestart(), 0u);
  const std::string pending = PendingText();
  const std::size_t file = pending.find("pelzorn.exe");
  const std::size_t dir = pending.find(install + "|");
  ASSERT_NE(file, std::string::npos) << pending;
  ASSERT_NE(dir, std::string::npos) << pending;
  EXPECT_LT(file, dir);
  EXPECT_EQ(pending.find("OLD.TMP"), std::string::npos) << pending;
}

TEST_F(RestartQueueTest, OtherFilesAndWindows95FamilyQueueNothing) {
  TempFolder folder;
  const std::string section = "NUL=" + (folder / "x.exe") + std::string(2, '\0');
  SystemProfile nt(true);
  ASSERT_TRUE(nt.WritePrivateProfileSectionA("Rename", section.c_str(), (folder / "other.ini").c_str()));
  ASSERT_TRUE(nt.WritePrivateProfileSectionA("Other", section.c_str(), (folder / "WININIT.INI").c_str()));
  SystemProfile win95(false);
  ASSERT_TRUE(win95.WritePrivateProfileSectionA("Rename", section.c_str(), (folder / "WININIT.INI").c_str()));
  EXPECT_EQ(nt.QueuedOnRestart() + win95.QueuedOnRestart(), 0u);
  EXPECT_EQ(PendingText().find("x.exe"), std::string::npos);
}

// The suite runs where port instructions fault (an NT version of Windows or Wine): every access is
// refused and stepped over, and none ends the program.
TEST(DirectPortsTest, RefusedInstructionsAreReportedAndStepped) {
  ASSERT_EQ(vx::win32::CurrentSystemFamily(), vx::win32::SystemFamily::WindowsNT);
  vx::win32::DirectPorts ports, reader;
  EXPECT_FALSE(vx::win32::DirectPorts::Allowed(0x338) || ports.Refused());
  ports.Out8(0x334, 0x16);
  EXPECT_TRUE(ports.Refused());
  EXPECT_EQ(reader.In16(0x338), 0xFFFF);
  EXPECT_TRUE(reader.Refused());
}

std::string Section(std::initializer_list<const char*> entries) {
  std::string text;
  for (const char* entry : entries) text += std::string(entry) + '\0';
  return text + '\0';
}

TEST(RenameQueueTest, AddedDeletionsAreTheNewNulEntriesInOrder) {
  using vx::win32::AddedDeletions;
  const std::string before = Section({"NUL=C:\\OLD.TMP"});
  const std::string after =
      Section({"NUL=C:\\OLD.TMP", "NUL=C:\\Apps\\pelzorn.exe", "C:\\NEW=C:\\OLD", "nul=C:\\Apps"});
  EXPECT_EQ(AddedDeletions(before.c_str(), after.c_str()),
            (std::vector<std::string>{"C:\\Apps\\pelzorn.exe", "C:\\Apps"}));
  EXPECT_EQ(AddedDeletions(nullptr, Section({"NUL=C:\\A"}).c_str()),
            (std::vector<std::string>{"C:\\A"}));
  EXPECT_TRUE(AddedDeletions(after.c_str(), after.c_str()).empty());
  EXPECT_TRUE(AddedDeletions(nullptr, Section({"NUL="}).c_str()).empty());
  EXPECT_TRUE(AddedDeletions(nullptr, Section({}).c_str()).empty());
}

TEST(RenameQueueTest, RepeatedEntryCountsOncePerOccurrence) {
  using vx::win32::AddedDeletions;
  const std::string before = Section({"NUL=C:\\Apps\\pelzorn.exe"});
  const std::string after = Section({"NUL=C:\\Apps\\pelzorn.exe", "NUL=C:\\Apps\\pelzorn.exe"});
  EXPECT_EQ(AddedDeletions(before.c_str(), after.c_str()),
            (std::vector<std::string>{"C:\\Apps\\pelzorn.exe"}));
}

TEST(RenameQueueTest, WininitIsRecognisedByItsFileNameOnly) {
  using vx::win32::IsWininit;
  EXPECT_TRUE(IsWininit("C:\\WINDOWS\\WININIT.INI"));
  EXPECT_TRUE(IsWininit("c:\\windows\\wininit.ini"));
  EXPECT_TRUE(IsWininit("WININIT.INI"));
  EXPECT_FALSE(IsWininit("C:\\WINDOWS\\WININIT.INI.BAK"));
  EXPECT_FALSE(IsWininit("C:\\WININIT.INI\\x.ini"));
  EXPECT_FALSE(IsWininit(nullptr));
}

}  // namespace
