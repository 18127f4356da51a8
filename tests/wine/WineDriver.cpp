// Drives the Win32 programs from outside, as a user would, for the end-to-end scripts: finds a
// window by its caption, clicks its buttons, types keys into it, reads its controls, and makes
// shell links with the system's shell-link object.
//
//   vx_wine_driver.exe STEP ARGS [STEP ARGS]...
//
//   wait CAPTION                 a top-level window with this caption is shown (10 s at most);
//                                "class:NAME" as a CAPTION names a window class instead
//   gone CAPTION                 no window with this caption is left (10 s at most)
//   click CAPTION ID             BM_CLICK on control ID, as a mouse click on it
//   drag CAPTION ID DX           posts a drag of trackbar ID's thumb by DX pixels, let go there
//   blocked CAPTION              the window's owner is disabled (a message box's; 10 s at most)
//   (a control ID is looked for in the window, then in its owner: the dialog behind its message)
//   keys CAPTION KEYS            the window to the front, then key strokes through SendInput:
//                                comma-separated names (right, left, end, home, tab, return,
//                                escape, f1) or letters, with "alt+" or "ctrl+" before any of
//                                them; 100 ms after each
//   tap CAPTION KEY              the same for one key, with no pause after it
//   sleep MS                     waits MS milliseconds
//   text CAPTION ID EXPECTED     control ID shows EXPECTED (waits up to 10 s for it)
//   focus CAPTION ID             control ID has the keyboard focus (waits up to 10 s)
//   says CAPTION TEXT            the window (a message box, the help window) shows a static text or
//                                an edit control holding TEXT
//   shows CAPTION                prints the text of the window's edit control (plain or rich), as
//                                WM_GETTEXT gives it to a screen reader
//   mute-viewer MS               makes a window of the help viewer's class that answers nothing
//                                for MS milliseconds, then ends
//   active CAPTION               the window is the active one, in front (waits up to 10 s)
//   close CAPTION                WM_CLOSE to the window
//   rect CAPTION                 prints the window's rectangle on the screen: x y width height
//   module CAPTION DLL           prints the path of DLL as loaded in the window's process: which
//                                COMCTL32.DLL a program runs with
//   link LNK TARGET              saves a shell link LNK that points at TARGET
//   target LNK                   prints the target of shell link LNK
//   desktop                      prints the desktop folder (CSIDL_DESKTOPDIRECTORY)
//   rights KEY read|full         gives everyone only read access to HKEY_LOCAL_MACHINE\KEY (an
//                                open with KEY_ALL_ACCESS is then refused), or full access again
//
// Every step prints one line; the first failure ends the run with exit status 1.
#include <windows.h>

#include <aclapi.h>
#include <commctrl.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD kPatience = 10000;  // ms

// The top-level window with this caption; "class:NAME" names a window class instead (the help
// viewer's caption holds the path of the file it shows).
HWND FindTopLevel(const char* caption) {
  return std::strncmp(caption, "class:", 6) == 0 ? ::FindWindowA(caption + 6, nullptr)
                                                 : ::FindWindowA(nullptr, caption);
}

bool Fail(const std::string& what) {
  std::printf("FAIL: %s\n", what.c_str());
  std::fflush(stdout);
  return false;
}

void Ok(const std::string& what) {
  std::printf("ok: %s\n", what.c_str());
  std::fflush(stdout);
}

template <typename Test>
bool Within(DWORD ms, Test test) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (test()) return true;
    if (::GetTickCount() - start > ms) return false;
    ::Sleep(50);
  }
}

HWND Find(const char* caption) {
  const HWND window = FindTopLevel(caption);
  return window && ::IsWindowVisible(window) ? window : nullptr;
}

std::string Text(HWND window) {
  char text[1024] = {};
  ::GetWindowTextA(window, text, sizeof text);
  return text;
}

HWND Item(HWND window, int id) {
  const HWND item = ::GetDlgItem(window, id), owner = ::GetWindow(window, GW_OWNER);
  return item || !owner ? item : ::GetDlgItem(owner, id);
}

// The thumb of another process's trackbar: TBM_GETTHUMBRECT fills a RECT in that process.
bool ThumbRect(HWND trackbar, RECT* rect) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(trackbar, &pid);
  const HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ, FALSE, pid);
  void* remote = process ? ::VirtualAllocEx(process, nullptr, sizeof *rect, MEM_COMMIT,
                                            PAGE_READWRITE) : nullptr;
  if (remote) ::SendMessageA(trackbar, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(remote));
  const bool read = remote && ::ReadProcessMemory(process, remote, rect, sizeof *rect, nullptr);
  if (remote) ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  if (process) ::CloseHandle(process);
  return read;
}

bool Wait(const char* caption, HWND* found) {
  if (!Within(kPatience, [&] { return (*found = Find(caption)) != nullptr; }))
    return Fail(std::string("no window \"") + caption + "\"");
  return true;
}

WORD KeyCode(const std::string& name) {
  static const struct {
    const char* name;
    WORD key;
  } kNames[] = {{"right", VK_RIGHT}, {"left", VK_LEFT},     {"up", VK_UP},       {"down", VK_DOWN},
                {"end", VK_END},     {"home", VK_HOME},     {"tab", VK_TAB},     {"return", VK_RETURN},
                {"escape", VK_ESCAPE}, {"f1", VK_F1},       {"space", VK_SPACE}, {"pgdn", VK_NEXT},
                {"pgup", VK_PRIOR}};
  for (const auto& entry : kNames)
    if (name == entry.name) return entry.key;
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
    return static_cast<WORD>(std::toupper(static_cast<unsigned char>(name[0])));
  return 0;
}

INPUT Key(WORD key, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(::MapVirtualKeyA(key, 0));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

bool Front(HWND window) {
  ::SetForegroundWindow(window);
  if (!Within(kPatience, [&] { return ::GetForegroundWindow() == window; }))
    return Fail("cannot bring \"" + Text(window) + "\" to the front");
  return true;
}

bool Keys(HWND window, const std::string& list, DWORD pause = 100) {
  if (!Front(window)) return false;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t end = std::min(list.find(',', start), list.size());
    std::string name = list.substr(start, end - start);
    start = end + 1;
    WORD modifier = 0;
    if (name.rfind("alt+", 0) == 0) modifier = VK_MENU, name.erase(0, 4);
    if (name.rfind("ctrl+", 0) == 0) modifier = VK_CONTROL, name.erase(0, 5);
    const WORD key = KeyCode(name);
    if (!key) return Fail("unknown key \"" + name + "\"");
    std::vector<INPUT> inputs;
    if (modifier) inputs.push_back(Key(modifier, false));
    inputs.push_back(Key(key, false));
    inputs.push_back(Key(key, true));
    if (modifier) inputs.push_back(Key(modifier, true));
    if (::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size())
      return Fail("SendInput refused \"" + name + "\"");
    ::Sleep(pause);
  }
  return true;
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

struct StaticSearch {
  std::string wanted;
  bool found = false;
};

// WM_GETTEXT itself: GetWindowText does not ask a control of another process for its text.
std::string ControlText(HWND control) {
  std::string text(64 * 1024, '\0');
  text.resize(static_cast<std::size_t>(::SendMessageA(control, WM_GETTEXT, text.size(),
                                                      reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

bool IsEditControl(HWND child) {
  char cls[64] = {};
  ::GetClassNameA(child, cls, sizeof cls);
  return lstrcmpiA(cls, "Edit") == 0 || lstrcmpiA(cls, "RichEdit20A") == 0 ||
         lstrcmpiA(cls, "RichEdit20W") == 0;
}

BOOL CALLBACK FindStatic(HWND child, LPARAM context) {
  auto* search = reinterpret_cast<StaticSearch*>(context);
  char cls[64] = {};
  ::GetClassNameA(child, cls, sizeof cls);
  if (lstrcmpiA(cls, "Static") != 0 && !IsEditControl(child)) return TRUE;
  const std::string text = ControlText(child);
  if (text.find(search->wanted) != std::string::npos) {
    search->found = true;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindEdit(HWND child, LPARAM found) {
  if (!IsEditControl(child)) return TRUE;
  *reinterpret_cast<HWND*>(found) = child;
  return FALSE;
}

// A help viewer that answers nothing: a window of its class on a thread that takes no message.
bool MuteViewer(DWORD ms) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = ::DefWindowProcA;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.lpszClassName = "MS_WINHELP";
  if (!::RegisterClassA(&wc)) return Fail("cannot register MS_WINHELP");
  if (!::CreateWindowExA(0, "MS_WINHELP", "mute viewer", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                         nullptr, wc.hInstance, nullptr))
    return Fail("cannot make the mute viewer's window");
  Ok("a mute viewer for " + std::to_string(ms) + " ms");
  ::Sleep(ms);
  return true;
}

// The path of a module of another process, "" when it has not loaded it.
std::string ModuleOf(DWORD process, const char* dll) {
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process);
  MODULEENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  std::string path;
  for (BOOL more = ::Module32First(snapshot, &entry); more && path.empty();
       more = ::Module32Next(snapshot, &entry))
    if (lstrcmpiA(entry.szModule, dll) == 0) path = entry.szExePath;
  if (snapshot != INVALID_HANDLE_VALUE) ::CloseHandle(snapshot);
  return path;
}

std::wstring Wide(const char* text) {
  wchar_t wide[MAX_PATH] = {};
  ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide, MAX_PATH);
  return wide;
}

bool SaveLink(const char* lnk, const char* target) {
  IShellLinkA* link = nullptr;
  if (::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                         reinterpret_cast<void**>(&link)) != S_OK)
    return Fail("no shell-link object");
  IPersistFile* file = nullptr;
  bool saved = link->SetPath(target) == S_OK &&
               link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)) == S_OK &&
               file->Save(Wide(lnk).c_str(), TRUE) == S_OK;
  if (file) file->Release();
  link->Release();
  if (!saved) return Fail(std::string("cannot save ") + lnk);
  Ok(std::string(lnk) + " -> " + target);
  return true;
}

bool PrintTarget(const char* lnk) {
  IShellLinkA* link = nullptr;
  if (::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                         reinterpret_cast<void**>(&link)) != S_OK)
    return Fail("no shell-link object");
  IPersistFile* file = nullptr;
  char target[MAX_PATH] = {};
  WIN32_FIND_DATAA found;
  const bool read =
      link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)) == S_OK &&
      file->Load(Wide(lnk).c_str(), STGM_READ) == S_OK &&
      link->GetPath(target, MAX_PATH, &found, SLGP_UNCPRIORITY) == S_OK;
  if (file) file->Release();
  link->Release();
  if (!read) return Fail(std::string("cannot read ") + lnk);
  std::printf("%s\n", target);
  return true;
}

// One step at argv[i]; advances i past its arguments.
bool Step(int argc, char** argv, int& i) {
  const std::string step = argv[i++];
  auto arg = [&](int n) -> const char* { return i + n < argc ? argv[i + n] : nullptr; };
  auto need = [&](int count) {
    for (int n = 0; n < count; ++n)
      if (!arg(n)) return false;
    return true;
  };
  HWND window = nullptr;
  if (step == "wait" && need(1)) {
    const char* caption = arg(0);
    i += 1;
    if (!Wait(caption, &window)) return false;
    Ok(std::string("\"") + caption + "\" is shown");
    return true;
  }
  if (step == "gone" && need(1)) {
    const char* caption = arg(0);
    i += 1;
    if (!Within(kPatience, [&] { return FindTopLevel(caption) == nullptr; }))
      return Fail(std::string("\"") + caption + "\" is still there");
    Ok(std::string("\"") + caption + "\" is gone");
    return true;
  }
  if (step == "click" && need(2)) {
    const char* caption = arg(0);
    const int id = std::atoi(arg(1));
    i += 2;
    if (!Wait(caption, &window)) return false;
    const HWND control = Item(window, id);
    if (!control) return Fail("no control " + std::to_string(id));
    ::SendMessageA(control, BM_CLICK, 0, 0);
    Ok("clicked " + std::to_string(id));
    return true;
  }
  if (step == "drag" && need(3)) {
    const char* caption = arg(0);
    const int id = std::atoi(arg(1)), dx = std::atoi(arg(2));
    i += 3;
    RECT r = {};
    if (!Wait(caption, &window) || !ThumbRect(Item(window, id), &r)) return Fail("no thumb");
    const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    ::PostMessageA(Item(window, id), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    for (int part = 1; part <= 4; ++part)
      ::PostMessageA(Item(window, id), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + dx * part / 4, y));
    ::PostMessageA(Item(window, id), WM_LBUTTONUP, 0, MAKELPARAM(x + dx, y));
    Ok("dragged " + std::to_string(id));
    return true;
  }
  if (step == "blocked" && need(1)) {
    const char* caption = arg(0);
    i += 1;
    if (!Within(kPatience, [&] {
          const HWND owner = (window = Find(caption)) ? ::GetWindow(window, GW_OWNER) : nullptr;
          return owner && !::IsWindowEnabled(owner);
        }))
      return Fail(std::string("\"") + caption + "\" has no disabled owner");
    Ok(std::string("\"") + caption + "\" blocks its owner");
    return true;
  }
  if (step == "keys" && need(2)) {
    const char* caption = arg(0);
    const std::string keys = arg(1);
    i += 2;
    if (!Wait(caption, &window) || !Keys(window, keys)) return false;
    Ok("typed " + keys);
    return true;
  }
  if (step == "tap" && need(2)) {
    const char* caption = arg(0);
    const std::string key = arg(1);
    i += 2;
    if (!Wait(caption, &window) || !Keys(window, key, 0)) return false;
    Ok("tapped " + key);
    return true;
  }
  if (step == "sleep" && need(1)) {
    const DWORD ms = static_cast<DWORD>(std::atoi(arg(0)));
    i += 1;
    ::Sleep(ms);
    Ok("slept " + std::to_string(ms) + " ms");
    return true;
  }
  if (step == "shows" && need(1)) {
    const char* caption = arg(0);
    i += 1;
    if (!Wait(caption, &window)) return false;
    HWND edit = nullptr;
    ::EnumChildWindows(window, FindEdit, reinterpret_cast<LPARAM>(&edit));
    if (!edit) return Fail(std::string("\"") + caption + "\" has no edit control");
    const std::string text = ControlText(edit);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::printf("\n");
    return true;
  }
  if (step == "mute-viewer" && need(1)) {
    const DWORD ms = static_cast<DWORD>(std::atoi(arg(0)));
    i += 1;
    return MuteViewer(ms);
  }
  if (step == "text" && need(3)) {
    const char* caption = arg(0);
    const int id = std::atoi(arg(1));
    const std::string expected = arg(2);
    i += 3;
    if (!Wait(caption, &window)) return false;
    std::string seen;
    if (!Within(kPatience, [&] {
          seen = Text(Item(window, id));
          return seen == expected;
        }))
      return Fail(std::to_string(id) + " shows \"" + seen + "\", not \"" + expected + "\"");
    Ok(std::to_string(id) + " shows \"" + expected + "\"");
    return true;
  }
  if (step == "focus" && need(2)) {
    const char* caption = arg(0);
    const int id = std::atoi(arg(1));
    i += 2;
    if (!Wait(caption, &window)) return false;
    int seen = 0;
    if (!Within(kPatience, [&] {
          seen = ::GetDlgCtrlID(FocusOf(window));
          return seen == id;
        }))
      return Fail("the focus is on " + std::to_string(seen) + ", not " + std::to_string(id));
    Ok("the focus is on " + std::to_string(id));
    return true;
  }
  if (step == "says" && need(2)) {
    const char* caption = arg(0);
    StaticSearch search{arg(1)};
    i += 2;
    if (!Wait(caption, &window)) return false;
    ::EnumChildWindows(window, FindStatic, reinterpret_cast<LPARAM>(&search));
    if (!search.found) return Fail(std::string("\"") + caption + "\" does not say " + search.wanted);
    Ok(std::string("\"") + caption + "\" says " + search.wanted);
    return true;
  }
  if (step == "active" && need(1)) {
    const char* caption = arg(0);
    i += 1;
    if (!Wait(caption, &window)) return false;
    if (!Within(kPatience, [&] { return ::GetForegroundWindow() == window; }))
      return Fail(std::string("\"") + caption + "\" is not the active window");
    Ok(std::string("\"") + caption + "\" is active");
    return true;
  }
  if (step == "close" && need(1)) {
    const char* caption = arg(0);
    i += 1;
    if (!Wait(caption, &window)) return false;
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    Ok(std::string("closed \"") + caption + "\"");
    return true;
  }
  if (step == "rect" && need(1)) {
    const char* caption = arg(0);
    i += 1;
    if (!Wait(caption, &window)) return false;
    RECT rect = {};
    ::GetWindowRect(window, &rect);
    std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top);
    return true;
  }
  if (step == "module" && need(2)) {
    const char* caption = arg(0);
    const char* dll = arg(1);
    i += 2;
    if (!Wait(caption, &window)) return false;
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    const std::string found = ModuleOf(process, dll);
    if (found.empty()) return Fail(std::string("\"") + caption + "\" has not loaded " + dll);
    std::printf("%s\n", found.c_str());
    return true;
  }
  if (step == "link" && need(2)) {
    const char* lnk = arg(0);
    const char* target = arg(1);
    i += 2;
    return SaveLink(lnk, target);
  }
  if (step == "rights" && need(2)) {
    const std::string key = arg(0), level = arg(1);
    i += 2;
    char everyone[] = "EVERYONE";
    EXPLICIT_ACCESSA access = {};
    ::BuildExplicitAccessWithNameA(&access, everyone, level == "read" ? KEY_READ : KEY_ALL_ACCESS,
                                   SET_ACCESS, NO_INHERITANCE);
    HKEY handle = nullptr;
    PACL acl = nullptr;  // both left to the process's end
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, WRITE_DAC, &handle) ||
        ::SetEntriesInAclA(1, &access, nullptr, &acl) ||
        ::SetSecurityInfo(handle, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION |
                          PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr, acl, nullptr))
      return Fail("cannot set the rights of " + key);
    Ok(key + ": " + level + " access for everyone");
    return true;
  }
  if (step == "desktop") {
    LPITEMIDLIST items = nullptr;
    char path[MAX_PATH] = {};
    if (::SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, &items) != S_OK ||
        !::SHGetPathFromIDListA(items, path))
      return Fail("no desktop folder");
    ::CoTaskMemFree(items);
    std::printf("%s\n", path);
    return true;
  }
  if (step == "target" && need(1)) {
    const char* lnk = arg(0);
    i += 1;
    return PrintTarget(lnk);
  }
  return Fail("unknown step or missing argument: " + step);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: vx_wine_driver STEP ARGS [STEP ARGS]...\n");
    return 2;
  }
  ::CoInitialize(nullptr);
  int i = 1;
  bool ok = true;
  while (ok && i < argc) ok = Step(argc, argv, i);
  ::CoUninitialize();
  return ok ? 0 : 1;
}
