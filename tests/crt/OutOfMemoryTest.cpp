// The run-time's end when the heap refuses a request, seen from outside as a user meets it: one
// message box naming the request, exit status 3 once it is answered, and nothing run after it
// (neither the rest of the program, nor atexit functions and destructors, which save settings).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wine/TempFolder.h"

namespace {

struct Boxes {
  DWORD process;
  std::vector<HWND> found;
};

BOOL CALLBACK FindBox(HWND window, LPARAM data) {
  auto* boxes = reinterpret_cast<Boxes*>(data);
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  char name[16] = "";
  ::GetClassNameA(window, name, sizeof name);
  if (process == boxes->process && std::string(name) == "#32770") boxes->found.push_back(window);
  return TRUE;
}

// The message: the box's static text that is not its icon.
BOOL CALLBACK FindText(HWND child, LPARAM data) {
  char name[16] = "", text[512] = "";
  ::GetClassNameA(child, name, sizeof name);
  ::SendMessageA(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  if (lstrcmpiA(name, "Static") == 0 && text[0]) *reinterpret_cast<std::string*>(data) += text;
  return TRUE;
}

std::string BoxText(HWND box) {
  std::string text;
  ::EnumChildWindows(box, FindText, reinterpret_cast<LPARAM>(&text));
  return text;
}

std::string ProgramPath() {
  char path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\') + 1) + VX_CRT_OUT_OF_MEMORY_PROGRAM;
}

TEST(OutOfMemory, OneMessageNamingTheRequestThenStatusThreeAndNothingSaved) {
  TempFolder folder;
  std::string command = "\"" + ProgramPath() + "\" " + folder.Path();
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  ASSERT_TRUE(::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &child))
      << command;

  // The box, once it shows its text (its controls are filled in after it appears).
  Boxes boxes{child.dwProcessId, {}};
  std::string text;
  for (int tries = 0; tries < 200 && text.empty(); ++tries) {
    ::Sleep(50);
    boxes.found.clear();
    ::EnumWindows(FindBox, reinterpret_cast<LPARAM>(&boxes));
    if (boxes.found.size() == 1) text = BoxText(boxes.found[0]);
  }
  ASSERT_EQ(boxes.found.size(), 1u);
  const std::string expected =
      "Out of memory: a request for " + std::to_string(static_cast<std::size_t>(-1) / 2) +
      " bytes failed. The program ends here; nothing more was saved.";
  EXPECT_EQ(text, expected);
  EXPECT_EQ(::WaitForSingleObject(child.hProcess, 200), static_cast<DWORD>(WAIT_TIMEOUT))
      << "the program must wait for the message to be answered";
  ::PostMessageA(boxes.found[0], WM_COMMAND, IDOK, 0);

  ASSERT_EQ(::WaitForSingleObject(child.hProcess, 10000), WAIT_OBJECT_0);
  DWORD status = 0;
  ::GetExitCodeProcess(child.hProcess, &status);
  EXPECT_EQ(status, 3u);
  ::CloseHandle(child.hThread);
  ::CloseHandle(child.hProcess);

  EXPECT_TRUE(TempFolder::Exists(folder / "constructed"));
  EXPECT_TRUE(TempFolder::Exists(folder / "started"));
  for (const char* step : {"allocated", "atexit", "destructor"})
    EXPECT_FALSE(TempFolder::Exists(folder / step)) << step;
}

}  // namespace
