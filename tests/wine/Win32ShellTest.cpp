// The shell's Windows API back end in-process, on the panel's real template 102 (Volsar.rc is
// compiled into this test): the modal loop and its order (PreTranslateMessage before the dialog
// manager), the dispatch to the CDialog virtuals, the window set-up of OnInitDialog, and the real
// CPanelDlg on it with its accelerators, sliders and buttons.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

// <windows.h> renames these to their ANSI forms; below they are the toolkit's own members.
#undef LoadIcon
#undef LoadAccelerators

#include <functional>
#include <string>
#include <vector>

#include "../panel/PanelFakes.h"
#include "panel/PanelApp.h"
#include "panel/PanelDlg.h"
#include "panel/res/ResourceIds.h"
#include "shell/Dialog.h"
#include "shell/WinApp.h"
#include "shell/win32/Win32Toolkit.h"

namespace {

using vx::win32::Win32Toolkit;

struct TestApp : CWinApp {
  int helps = 0;
  void OnHelp() override { ++helps; }
};

// Ends a dialog that the test failed to end, so that a fault fails the test instead of hanging it.
class Watchdog {
 public:
  explicit Watchdog(CDialog& dialog) {
    s_dialog = &dialog;
    s_fired = false;
    m_timer = ::SetTimer(nullptr, 0, 10000, Fire);
  }
  ~Watchdog() {
    ::KillTimer(nullptr, m_timer);
    s_dialog = nullptr;
    EXPECT_FALSE(s_fired) << "the dialog did not end by itself";
  }

 private:
  static void CALLBACK Fire(HWND, UINT, UINT_PTR, DWORD) {
    s_fired = true;
    if (s_dialog) s_dialog->EndDialog(-99);
  }
  static inline CDialog* s_dialog = nullptr;
  static inline bool s_fired = false;
  UINT_PTR m_timer;
};

// Runs then() from the modal loop once the input typed before has been handled: a timer's message
// comes after every input message in the queue.
std::function<void()> g_then;
void CALLBACK RunThen(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  auto then = std::move(g_then);
  g_then = nullptr;
  if (then) then();
}
void AfterInput(std::function<void()> then) {
  g_then = std::move(then);
  ::SetTimer(nullptr, 0, 100, RunThen);
}

HWND Hwnd(const CDialog& dialog) { return reinterpret_cast<HWND>(dialog.GetSafeHwnd()); }

LPARAM KeyData(bool up) {
  LPARAM data = 1;
  if (up) data |= static_cast<LPARAM>(0xC0000000u);
  return data;
}

void PostKey(HWND target, WPARAM key) {
  ::PostMessageA(target, WM_KEYDOWN, key, KeyData(false));
  ::PostMessageA(target, WM_KEYUP, key, KeyData(true));
}

// Keys that depend on the keyboard state (accelerators with Alt, F1) go through the system's input
// queue as a user's would: each key pressed in turn, then released in reverse order.
void TypeKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs;
  for (WORD key : keys) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    inputs.push_back(input);
  }
  for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = *key;
    input.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(input);
  }
  ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// A plain CDialog on template 102 that records what reaches it and runs a script once initialised.
class RecordingDialog : public CDialog {
 public:
  RecordingDialog() : CDialog(IDD_PANEL, nullptr) {}

  std::vector<std::string> events;
  std::function<void(RecordingDialog&)> onInit;
  std::function<bool(vx::Msg&)> swallow;  // PreTranslateMessage answers true when this does
  std::vector<std::pair<unsigned, int>> scrolls;
  int paintsWhileIconic = 0;

  bool OnInitDialog() override {
    const bool result = CDialog::OnInitDialog();
    events.push_back("init");
    if (onInit) onInit(*this);
    return result;
  }
  bool OnCommand(vx::WParam wParam, vx::LParam lParam) override {
    events.push_back("command " + std::to_string(wParam & 0xFFFF));
    return CDialog::OnCommand(wParam, lParam);
  }
  void OnHScroll(unsigned code, unsigned position, int id) override {
    scrolls.emplace_back(code, id);
    CDialog::OnHScroll(code, position, id);
  }
  bool PreTranslateMessage(vx::Msg* message) override {
    if (message->message == WM_KEYDOWN) events.push_back("pre keydown " + std::to_string(message->wParam));
    if (swallow && swallow(*message)) return true;
    return CDialog::PreTranslateMessage(message);
  }
  void OnPaint() override {
    if (::IsIconic(Hwnd(*this))) ++paintsWhileIconic;
    CDialog::OnPaint();
  }
};

// The width of an icon's image, 0 for no icon.
int IconWidth(LRESULT icon) {
  ICONINFO info = {};
  if (!icon || !::GetIconInfo(reinterpret_cast<HICON>(icon), &info)) return 0;
  BITMAP bitmap = {};
  ::GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

class Win32ShellTest : public ::testing::Test {
 protected:
  void SetUp() override { m_app.SetToolkit(&m_toolkit); }

  TestApp m_app;
  Win32Toolkit m_toolkit{::GetModuleHandleA(nullptr), nullptr, nullptr};
};

TEST_F(Win32ShellTest, InitialisedDialogHasTrimmedMenuBothIconsAndFocusOnFirstTabStop) {
  RecordingDialog dialog;
  ASSERT_NE(dialog.m_hIcon, 0u);
  std::vector<UINT> menu;
  LRESULT big = 0, small = 0, drag = 0;
  HWND parent = reinterpret_cast<HWND>(1);
  int focus = 0;
  dialog.onInit = [&](RecordingDialog& d) {
    const HWND window = Hwnd(d);
    const HMENU system = ::GetSystemMenu(window, FALSE);
    for (int i = 0; i < ::GetMenuItemCount(system); ++i) menu.push_back(::GetMenuItemID(system, i));
    big = ::SendMessageA(window, WM_GETICON, ICON_BIG, 0);
    small = ::SendMessageA(window, WM_GETICON, ICON_SMALL, 0);
    drag = ::SendMessageA(window, WM_QUERYDRAGICON, 0, 0);
    parent = ::GetParent(window);
    ::PostMessageA(window, WM_APP, 0, 0);
  };
  dialog.swallow = [&](vx::Msg& m) {
    if (m.message != WM_APP) return false;
    focus = ::GetDlgCtrlID(::GetFocus());
    dialog.EndDialog(5);
    return true;
  };
  Watchdog watchdog(dialog);
  EXPECT_EQ(dialog.DoModal(), 5);
  auto has = [&](UINT command) { return std::find(menu.begin(), menu.end(), command) != menu.end(); };
  EXPECT_FALSE(has(SC_SIZE));
  EXPECT_FALSE(has(SC_MAXIMIZE));
  EXPECT_TRUE(has(SC_CLOSE));
  EXPECT_TRUE(has(SC_MOVE));
  EXPECT_TRUE(has(SC_MINIMIZE));
  EXPECT_EQ(static_cast<vx::IconRef>(big), dialog.m_hIcon);
  // Each icon is drawn from the image of its own size: the small one is not the big one shrunk.
  EXPECT_EQ(IconWidth(big), ::GetSystemMetrics(SM_CXICON));
  EXPECT_EQ(IconWidth(small), ::GetSystemMetrics(SM_CXSMICON));
  EXPECT_EQ(static_cast<vx::IconRef>(drag), dialog.m_hIcon);
  EXPECT_EQ(parent, nullptr);
  EXPECT_EQ(focus, IDC_MIC_SLIDER);
  EXPECT_EQ(dialog.GetSafeHwnd(), 0u);  // the window is gone once the run is over
}

TEST_F(Win32ShellTest, EveryKeyPassesPreTranslateMessageBeforeTheDialogManager) {
  RecordingDialog dialog;
  dialog.onInit = [](RecordingDialog& d) {
    PostKey(::GetDlgItem(Hwnd(d), IDC_MIC_SLIDER), VK_ESCAPE);
  };
  Watchdog watchdog(dialog);
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(dialog.events, (std::vector<std::string>{"init", "pre keydown 27", "command 2"}));
}

TEST_F(Win32ShellTest, SwallowedKeyNeverReachesTheDialogManager) {
  RecordingDialog dialog;
  dialog.swallow = [](vx::Msg& m) { return m.message == WM_KEYDOWN && m.wParam == VK_ESCAPE; };
  dialog.onInit = [](RecordingDialog& d) {
    PostKey(::GetDlgItem(Hwnd(d), IDC_MIC_SLIDER), VK_ESCAPE);
    PostKey(::GetDlgItem(Hwnd(d), IDC_MIC_SLIDER), VK_RETURN);
  };
  Watchdog watchdog(dialog);
  EXPECT_EQ(dialog.DoModal(), IDOK);  // Enter on the slider: the dialog manager's IDOK
  EXPECT_EQ(dialog.events,
            (std::vector<std::string>{"init", "pre keydown 27", "pre keydown 13", "command 1"}));
}

TEST_F(Win32ShellTest, SliderKeysArriveAsScrollCodesWithTheControlId) {
  RecordingDialog dialog;
  dialog.onInit = [](RecordingDialog& d) {
    d.SetSliderRange(IDC_AUX_SLIDER, 0, 255, false);
    const HWND aux = ::GetDlgItem(Hwnd(d), IDC_AUX_SLIDER);
    PostKey(aux, VK_RIGHT);
    PostKey(aux, VK_END);
    ::PostMessageA(Hwnd(d), WM_COMMAND, IDCANCEL, 0);
  };
  int position = -1;
  dialog.swallow = [&](vx::Msg& m) {
    if (m.message == WM_COMMAND) position = dialog.GetSliderPos(IDC_AUX_SLIDER);
    return false;
  };
  Watchdog watchdog(dialog);
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(dialog.scrolls, (std::vector<std::pair<unsigned, int>>{{TB_LINEDOWN, IDC_AUX_SLIDER},
                                                                   {TB_ENDTRACK, IDC_AUX_SLIDER},
                                                                   {TB_BOTTOM, IDC_AUX_SLIDER},
                                                                   {TB_ENDTRACK, IDC_AUX_SLIDER}}));
  EXPECT_EQ(position, 255);
}

TEST_F(Win32ShellTest, HelpCommandAndF1ReachTheApplicationsHelpHandler) {
  RecordingDialog dialog;
  dialog.onInit = [](RecordingDialog& d) {
    ::PostMessageA(Hwnd(d), WM_COMMAND, vx::kIdHelp, 0);
    ::PostMessageA(Hwnd(d), WM_APP, 0, 0);
  };
  dialog.swallow = [&](vx::Msg& m) {
    if (m.message != WM_APP) return false;
    TypeKeys({VK_F1});  // on the microphone slider, which has the focus
    AfterInput([&] { dialog.EndDialog(IDOK); });
    return true;
  };
  Watchdog watchdog(dialog);
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(m_app.helps, 2);
}

DWORD WINAPI ClickOkFromAnotherThread(void* window) {
  ::SendMessageA(static_cast<HWND>(window), WM_COMMAND, IDOK, 0);
  return 0;
}

TEST_F(Win32ShellTest, CommandSentFromAnotherThreadEndsTheLoop) {
  RecordingDialog dialog;
  HANDLE thread = nullptr;
  dialog.onInit = [&](RecordingDialog& d) {
    thread = ::CreateThread(nullptr, 0, ClickOkFromAnotherThread, Hwnd(d), 0, nullptr);
  };
  Watchdog watchdog(dialog);
  EXPECT_EQ(dialog.DoModal(), IDOK);
  ::WaitForSingleObject(thread, 5000);
  ::CloseHandle(thread);
}

TEST_F(Win32ShellTest, MinimisedWindowPaintsItselfAndOtherwiseDefaultPaintingRuns) {
  RecordingDialog dialog;
  dialog.onInit = [](RecordingDialog& d) {
    ::ShowWindow(Hwnd(d), SW_MINIMIZE);
    ::PostMessageA(Hwnd(d), WM_APP, 0, 0);
  };
  dialog.swallow = [&](vx::Msg& m) {
    if (m.message != WM_APP) return false;
    ::SendMessageA(Hwnd(dialog), WM_PAINT, 0, 0);
    ::ShowWindow(Hwnd(dialog), SW_RESTORE);
    ::UpdateWindow(Hwnd(dialog));
    dialog.EndDialog(IDOK);
    return true;
  };
  Watchdog watchdog(dialog);
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_GE(dialog.paintsWhileIconic, 1);
}

TEST_F(Win32ShellTest, MissingTemplateAndHelpFileFailQuietly) {
  CDialog missing(4321, nullptr);
  EXPECT_EQ(missing.DoModal(), -1);
  EXPECT_EQ(m_toolkit.HelpFilePath(), "");  // this toolkit has no help file
  Win32Toolkit absent(::GetModuleHandleA(nullptr), "NoSuchHelp.hlp", "Help");
  const std::string path = absent.HelpFilePath();
  ASSERT_GT(path.size(), 14u);
  EXPECT_EQ(path.substr(path.size() - 15), "\\NoSuchHelp.hlp");
  EXPECT_EQ(m_toolkit.LoadIcon(999), 0u);
  EXPECT_NE(m_toolkit.LoadAccelerators(IDR_ACCEL), 0u);
}

// The panel's own dialog on the real back end. WM_APP and WM_APP + 1, posted to the dialog, run
// onApp and onApp2 inside the modal loop.
class ScriptedPanelDlg : public CPanelDlg {
 public:
  using CPanelDlg::CPanelDlg;
  std::function<void(ScriptedPanelDlg&)> onInit;
  std::function<void(ScriptedPanelDlg&)> onApp;
  std::function<void(ScriptedPanelDlg&)> onApp2;
  bool OnInitDialog() override {
    const bool result = CPanelDlg::OnInitDialog();
    if (onInit) onInit(*this);
    return result;
  }
  bool PreTranslateMessage(vx::Msg* message) override {
    if (message->message == WM_APP || message->message == WM_APP + 1) {
      auto& run = message->message == WM_APP ? onApp : onApp2;
      if (run) run(*this);
      return true;
    }
    return CPanelDlg::PreTranslateMessage(message);
  }
};

std::string ItemText(HWND dialog, int id) {
  char text[64] = {};
  ::GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

TEST(Win32PanelDialogTest, AcceleratorSliderKeyAndButtonReachTheCard) {
  CPanelApp app;
  Win32Toolkit toolkit(::GetModuleHandleA(nullptr), nullptr, nullptr);
  app.SetToolkit(&toolkit);
  RecordingPorts ports;
  FakeRegistry registry;
  app.SetPlatform({&ports, &registry});

  ScriptedPanelDlg dialog(app);
  std::vector<std::string> captions;
  int focus = 0;
  dialog.onInit = [&](ScriptedPanelDlg& d) {
    const HWND window = Hwnd(d);
    for (int id : {IDC_MONITOR, IDC_INPUT, IDC_BITS, IDC_CHANNELS})
      captions.push_back(ItemText(window, id));
    ::PostMessageA(window, WM_APP, 0, 0);
  };
  dialog.onApp = [&](ScriptedPanelDlg& d) {
    // Alt+A on the microphone slider: the accelerator takes the focus to the auxiliary slider.
    TypeKeys({VK_MENU, 'A'});
    AfterInput([&] { ::PostMessageA(Hwnd(d), WM_APP + 1, 0, 0); });
  };
  dialog.onApp2 = [&](ScriptedPanelDlg& d) {
    const HWND window = Hwnd(d);
    focus = ::GetDlgCtrlID(::GetFocus());
    PostKey(::GetFocus(), VK_END);
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_MONITOR, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(window, IDC_MONITOR)));
    ::PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
  };
  Watchdog watchdog(dialog);
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);

  EXPECT_EQ(captions, (std::vector<std::string>{"Monitor &Off", "&Line", "16 &Bit", "&Stereo"}));
  EXPECT_EQ(focus, IDC_AUX_SLIDER);
  EXPECT_EQ(ports.accesses, (std::vector<PortAccess>{Out(0x333, 8), In(0x338, 0), Out(0x332, 0xFF),
                                                      Out(0x334, 0x56)}));
  EXPECT_EQ(app.m_settings.Mon, 1);
}

}  // namespace
