// The resources windres compiled into Volsar.exe (and pelzorn.exe), read back from the programs as
// Windows reads them, against the tables the same res/*.inc lines expand to for the Qt back end:
// dialog template 102, accelerator table 129, icon group 128 (against shell/res/Vexmor.ico, which
// this test carries as RCDATA) and the version block.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <string>
#include <vector>

#include "WineTestResources.h"
#include "panel/res/Resources.h"
#include "shell/DialogTemplate.h"

#if __has_include("uninstall/res/Resources.h")
#include "uninstall/res/Resources.h"
#define VX_HAVE_UNINSTALLER 1
#endif

namespace {

// A program beside this test, loaded for its resources only.
class Program {
 public:
  explicit Program(const char* name) {
    char path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    folder.erase(folder.find_last_of('\\') + 1);
    m_path = folder + name;
    m_module = ::LoadLibraryExA(m_path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  }
  ~Program() {
    if (m_module) ::FreeLibrary(m_module);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  HMODULE Module() const { return m_module; }
  const std::string& Path() const { return m_path; }

  // The raw bytes of one resource; empty when there is none.
  std::vector<unsigned char> Bytes(LPCSTR type, int id) const {
    const HRSRC found = ::FindResourceA(m_module, MAKEINTRESOURCEA(id), type);
    if (!found) return {};
    const auto* data = static_cast<const unsigned char*>(::LockResource(::LoadResource(m_module, found)));
    return {data, data + ::SizeofResource(m_module, found)};
  }

 private:
  std::string m_path;
  HMODULE m_module = nullptr;
};

// Reads a DLGTEMPLATEEX the way the dialog manager does.
class TemplateReader {
 public:
  explicit TemplateReader(const std::vector<unsigned char>& bytes) : m_bytes(bytes) {}

  std::uint16_t Word() {
    std::uint16_t value = 0;
    if (m_at + 2 <= m_bytes.size()) std::memcpy(&value, &m_bytes[m_at], 2);
    m_at += 2;
    return value;
  }
  std::uint32_t Dword() {
    const std::uint32_t low = Word();
    return low | (static_cast<std::uint32_t>(Word()) << 16);
  }
  std::int16_t Short() { return static_cast<std::int16_t>(Word()); }
  std::string String() {
    std::string text;
    for (std::uint16_t c = Word(); c != 0 && m_at <= m_bytes.size(); c = Word())
      text += static_cast<char>(c);  // every text here is ASCII
    return text;
  }
  // A name or an ordinal (0xFFFF then the number); ordinals come back as "#n".
  std::string NameOrOrdinal() {
    const std::uint16_t first = Word();
    if (first == 0) return "";
    if (first == 0xFFFF) return "#" + std::to_string(Word());
    m_at -= 2;
    return String();
  }
  void AlignDword() { m_at = (m_at + 3) & ~static_cast<std::size_t>(3); }
  void Skip(std::size_t count) { m_at += count; }
  bool Overrun() const { return m_at > m_bytes.size(); }

 private:
  const std::vector<unsigned char>& m_bytes;
  std::size_t m_at = 0;
};

// The dialog manager's predefined classes, as the template stores them by ordinal.
std::string ClassName(const std::string& stored) {
  if (stored == "#128") return "BUTTON";
  if (stored == "#130") return "STATIC";
  std::string upper = stored;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

std::string Upper(const char* text) { return ClassName(text); }

void ExpectDialogMatches(const Program& program, const vx::DialogTemplate& table) {
  SCOPED_TRACE(program.Path() + ", dialog " + std::to_string(table.id));
  const std::vector<unsigned char> bytes = program.Bytes(RT_DIALOG, table.id);
  ASSERT_FALSE(bytes.empty());
  TemplateReader in(bytes);
  EXPECT_EQ(in.Word(), 1);       // dlgVer
  EXPECT_EQ(in.Word(), 0xFFFF);  // signature: an extended template
  in.Dword();                    // help id
  EXPECT_EQ(in.Dword(), table.exStyle);
  // The resource compiler adds DS_SETFONT for the FONT statement.
  EXPECT_EQ(in.Dword(), table.style | DS_SETFONT);
  const std::uint16_t count = in.Word();
  EXPECT_EQ(in.Short(), table.x);
  EXPECT_EQ(in.Short(), table.y);
  EXPECT_EQ(in.Short(), table.cx);
  EXPECT_EQ(in.Short(), table.cy);
  EXPECT_EQ(in.NameOrOrdinal(), "");  // no menu
  EXPECT_EQ(in.NameOrOrdinal(), "");  // the dialog manager's own class
  EXPECT_EQ(in.String(), table.caption);
  EXPECT_EQ(in.Word(), table.pointSize);
  in.Word();  // weight
  in.Skip(2);  // italic, character set
  EXPECT_EQ(in.String(), table.fontName);
  ASSERT_EQ(count, table.controls.size());
  for (const vx::ControlTemplate& control : table.controls) {
    SCOPED_TRACE("control " + std::to_string(control.id));
    in.AlignDword();
    in.Dword();  // help id
    EXPECT_EQ(in.Dword(), control.exStyle);
    // Every control of a template is a child window, whether or not its line says so.
    EXPECT_EQ(in.Dword(), control.style | WS_CHILD);
    EXPECT_EQ(in.Short(), control.x);
    EXPECT_EQ(in.Short(), control.y);
    EXPECT_EQ(in.Short(), control.cx);
    EXPECT_EQ(in.Short(), control.cy);
    EXPECT_EQ(static_cast<std::int32_t>(in.Dword()), control.id);
    // Window classes are matched ignoring case; windres stores the names in capitals.
    EXPECT_EQ(ClassName(in.NameOrOrdinal()), Upper(control.className));
    EXPECT_EQ(in.NameOrOrdinal(), control.text);
    in.Skip(in.Word());  // creation data
  }
  EXPECT_FALSE(in.Overrun());
}

void ExpectAcceleratorsMatch(const Program& program, const vx::AccelTable& table) {
  SCOPED_TRACE(program.Path() + ", accelerators " + std::to_string(table.id));
  const std::vector<unsigned char> bytes = program.Bytes(RT_ACCELERATOR, table.id);
  ASSERT_EQ(bytes.size(), table.entries.size() * 8);
  for (std::size_t i = 0; i < table.entries.size(); ++i) {
    std::uint16_t flags, key, command;
    std::memcpy(&flags, &bytes[i * 8], 2);
    std::memcpy(&key, &bytes[i * 8 + 2], 2);
    std::memcpy(&command, &bytes[i * 8 + 4], 2);
    const bool last = i + 1 == table.entries.size();
    EXPECT_EQ(flags, table.entries[i].flags | (last ? 0x80 : 0));  // 0x80 ends the table
    EXPECT_EQ(key, table.entries[i].key);
    EXPECT_EQ(command, table.entries[i].command);
  }
}

// The icon group against the .ico file: the same images, in the same order, byte for byte; and
// for each of the sizes 16, 32 and 48 pixels a 16-colour image and one of 256 colours or more.
void ExpectIconMatchesFile(const Program& program, int group) {
  SCOPED_TRACE(program.Path() + ", icon group " + std::to_string(group));
  const HRSRC found = ::FindResourceA(nullptr, MAKEINTRESOURCEA(VX_IDR_ICON_FILE), RT_RCDATA);
  ASSERT_NE(found, nullptr);
  const auto* ico = static_cast<const unsigned char*>(::LockResource(::LoadResource(nullptr, found)));
  std::uint16_t count, fileCount;
  std::memcpy(&fileCount, ico + 4, 2);
  const std::vector<unsigned char> dir = program.Bytes(RT_GROUP_ICON, group);
  ASSERT_GE(dir.size(), 6u);
  std::memcpy(&count, &dir[4], 2);
  ASSERT_EQ(count, fileCount);
  ASSERT_EQ(dir.size(), 6u + 14u * count);
  std::vector<std::pair<int, int>> kinds;  // (size, bits per pixel) of each image
  for (int i = 0; i < count; ++i) {
    const unsigned char* entry = &dir[6 + 14 * i];
    const unsigned char* fileEntry = ico + 6 + 16 * i;
    std::uint16_t bits, fileBits, id;
    std::uint32_t length, fileLength, fileOffset;
    std::memcpy(&bits, entry + 6, 2);
    std::memcpy(&length, entry + 8, 4);
    std::memcpy(&id, entry + 12, 2);
    std::memcpy(&fileBits, fileEntry + 6, 2);
    std::memcpy(&fileLength, fileEntry + 8, 4);
    std::memcpy(&fileOffset, fileEntry + 12, 4);
    EXPECT_EQ(entry[0], fileEntry[0]);
    EXPECT_EQ(entry[1], fileEntry[1]);
    EXPECT_EQ(entry[2], fileEntry[2]);  // colours (0: 256 or more)
    EXPECT_EQ(bits, fileBits);
    EXPECT_EQ(entry[2], bits == 4 ? 16 : 0);
    const std::vector<unsigned char> image = program.Bytes(RT_ICON, id);
    ASSERT_EQ(image.size(), fileLength);
    EXPECT_EQ(length, fileLength);
    EXPECT_EQ(0, std::memcmp(image.data(), ico + fileOffset, fileLength));
    kinds.emplace_back(entry[0], bits >= 8 ? 8 : bits);
  }
  for (int size : {16, 32, 48}) {
    for (int bits : {4, 8}) {
      EXPECT_NE(std::find(kinds.begin(), kinds.end(), std::make_pair(size, bits)), kinds.end())
          << size << " pixels, " << (bits == 4 ? "16 colours" : "256 colours or more");
    }
  }
}

void ExpectVersionMatches(const Program& program, const vx::VersionInfo& table) {
  SCOPED_TRACE(program.Path() + ", version");
  DWORD handle = 0;
  const DWORD size = ::GetFileVersionInfoSizeA(program.Path().c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(::GetFileVersionInfoA(program.Path().c_str(), 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  const auto& v = table.fileVersion;
  const auto& p = table.productVersion;
  EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(v[0] << 16 | v[1]));
  EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(v[2] << 16 | v[3]));
  EXPECT_EQ(fixed->dwProductVersionMS, static_cast<DWORD>(p[0] << 16 | p[1]));
  EXPECT_EQ(fixed->dwProductVersionLS, static_cast<DWORD>(p[2] << 16 | p[3]));
  EXPECT_EQ(fixed->dwFileFlagsMask, table.flagsMask);
  EXPECT_EQ(fixed->dwFileFlags, table.flags);
  EXPECT_EQ(fixed->dwFileOS, table.os);
  EXPECT_EQ(fixed->dwFileType, table.type);
  EXPECT_EQ(fixed->dwFileSubtype, table.subtype);

  WORD* translation = nullptr;
  ASSERT_TRUE(::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(translation[0], table.language);
  EXPECT_EQ(translation[1], table.codePage);

  for (const vx::VersionString& entry : table.strings) {
    const std::string query = std::string("\\StringFileInfo\\") + table.block + "\\" + entry.name;
    char* value = nullptr;
    length = 0;
    ASSERT_TRUE(::VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
        << query;
    EXPECT_STREQ(value, entry.value) << query;
  }
}

INT_PTR CALLBACK NoDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// Each label of the dialog built from the program's template, drawn in the dialog's font, fits.
void ExpectLabelsFit(const Program& program, int id) {
  ::InitCommonControls();  // the trackbar class
  const HWND dialog =
      ::CreateDialogParamA(program.Module(), MAKEINTRESOURCEA(id), nullptr, NoDialogProc, 0);
  ASSERT_NE(dialog, nullptr) << program.Path();
  const HDC dc = ::GetDC(dialog);
  ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(dialog, WM_GETFONT, 0, 0)));
  for (HWND c = ::GetWindow(dialog, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
    char cls[8] = {}, text[128] = {};
    RECT need = {}, room = {};
    ::GetClassNameA(c, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") != 0) continue;
    ::GetWindowTextA(c, text, sizeof text);
    ::DrawTextA(dc, text, -1, &need, DT_CALCRECT | DT_SINGLELINE);
    ::GetClientRect(c, &room);
    EXPECT_LE(need.right, room.right) << program.Path() << ": " << text;
  }
  ::ReleaseDC(dialog, dc);
  ::DestroyWindow(dialog);
}

void ExpectProgramMatches(const char* name, const vx::ProgramResources& table) {
  const Program program(name);
  ASSERT_NE(program.Module(), nullptr) << program.Path();
  for (const vx::DialogTemplate* dialog : table.dialogs) {
    ExpectDialogMatches(program, *dialog);
    ExpectLabelsFit(program, dialog->id);
  }
  for (const vx::AccelTable& accelerators : table.accelerators)
    ExpectAcceleratorsMatch(program, accelerators);
  if (table.accelerators.empty()) {
    EXPECT_TRUE(program.Bytes(RT_ACCELERATOR, 129).empty());
  }
  ExpectIconMatchesFile(program, table.icon.id);
  ExpectVersionMatches(program, *table.version);
}

TEST(ResourcesTest, VolsarCarriesExactlyTheResourcesOfItsTables) {
  ExpectProgramMatches("Volsar.exe", PanelResources());
}

#ifdef VX_HAVE_UNINSTALLER
TEST(ResourcesTest, PelzornCarriesExactlyTheResourcesOfItsTables) {
  ExpectProgramMatches("pelzorn.exe", UninstallResources());
}
#endif

}  // namespace
