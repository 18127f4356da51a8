// Volsar.exe on Windows: the recording panel on the Windows API.
//
//   VEXMOR_PORTS=emulated|direct   which ports it programs (default: the processor's own port
//                                  instructions on the Windows 95 family, the emulated card on the
//                                  NT family, where those instructions fault). Where a system that
//                                  reports the 95 family faults all the same, the panel says so
//                                  and ends with status 1 before any setting is saved.
//   VEXMOR_CARD_LOG=<file>         append every port access to <file>
//
// It takes no arguments. Settings live in HKEY_CURRENT_USER\Software\Vexmor_Rec.
#include <windows.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "panel/CardControl.h"
#include "panel/PanelApp.h"
#include "panel/PortChoice.h"
#include "panel/SettingsStore.h"
#include "panel/res/Resources.h"
#include "platform/emulated/EmulatedCard.h"
#include "platform/emulated/PortLog.h"
#include "platform/win32/DirectPorts.h"
#include "platform/win32/SystemFamily.h"
#include "platform/win32/SystemRegistry.h"
#include "shell/Dialog.h"
#include "shell/win32/ProgramHelpText.h"
#include "shell/win32/Win32Toolkit.h"

CPanelApp theApp;

namespace {

// A program without a console: the reason goes to a message box, owned by `owner` (the panel,
// once it shows: it stays disabled meanwhile), and to stderr for whoever started it from a
// terminal.
void Complain(const std::string& what, HWND owner = nullptr) {
  const std::string line = "Volsar: " + what + "\r\n";
  DWORD written;
  ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()),
              &written, nullptr);
  ::MessageBoxA(owner, what.c_str(), "Vexmor Recording", MB_OK | MB_ICONSTOP);
}

std::string NamedPorts(vx::Registry& registry) {
  // The base port comes from the settings; reading them touches nothing.
  PanelSettings probe;
  LoadSettings(registry, probe);
  return CardPortsText(probe);
}

std::string RefusedText(const std::string& ports) {
  return "This system does not let the program use the ports " + ports +
         " directly: the processor's port instructions fault here, as they do on Windows NT and on "
         "a Windows of the NT family that runs the program in a Windows 95 or 98 compatibility "
         "mode. The settings were not saved; run with VEXMOR_PORTS=emulated to use the emulated "
         "card.";
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const bool windows95 = vx::win32::CurrentSystemFamily() == vx::win32::SystemFamily::Windows95;
  const char* choice = std::getenv("VEXMOR_PORTS");
  const PortBackend backend = ChoosePortBackend(
      windows95 ? HostSystem::Windows95Family : HostSystem::WindowsNTFamily, choice);
  if (backend == PortBackend::Unknown) {
    Complain(std::string(kPortChoiceHelp) + ", not \"" + choice + "\"; nothing was touched.");
    return 2;
  }

  vx::win32::SystemRegistry registry;
  vx::EmulatedCard card;
  vx::win32::DirectPorts direct;
  vx::Ports* ports = &card;
  if (backend == PortBackend::Direct) {
    if (!windows95) {
      Complain("Windows NT does not let a program use the ports " + NamedPorts(registry) +
               " directly: the processor's port instructions fault there. Only the Windows 95 "
               "family allows them. Nothing was touched; run without VEXMOR_PORTS to use the "
               "emulated card.");
      return 1;
    }
    PanelSettings probe;
    LoadSettings(registry, probe);
    if (!vx::win32::DirectPorts::Allowed(CardPorts(probe)[3].port)) {
      Complain(RefusedText(CardPortsText(probe)));
      return 1;
    }
    ports = &direct;
  }

  std::optional<vx::PortLog> log;
  if (const char* path = std::getenv("VEXMOR_CARD_LOG"); path && *path) {
    log.emplace(*ports, path);
    if (!log->Ok()) {
      Complain(std::string("cannot open the card log ") + path + "; nothing was touched.");
      return 2;
    }
    ports = &*log;
  }

  const vx::ProgramResources& resources = PanelResources();
  vx::win32::Win32Toolkit toolkit(
      instance, resources.helpFile, "Vexmor Recording Help",
      {{vx::win32::kProgramHelpRtf, vx::win32::kProgramHelpRtfSize},
       {vx::win32::kProgramHelpPlainText, vx::win32::kProgramHelpPlainTextSize}});
  // A refusal once the panel runs: the message owned by its dialog (disabled meanwhile), then the
  // run ends (CPanelApp), so that the viewer is told to close with it (~Win32Toolkit).
  const auto tellRefusal = [](vx::MessageOwner* owner, const PanelSettings& s) {
    Complain(RefusedText(CardPortsText(s)),
             owner ? reinterpret_cast<HWND>(owner->GetSafeHwnd()) : nullptr);
  };
  theApp.SetPlatform({ports, &registry, nullptr, tellRefusal});
  return AfxWinMain(theApp, toolkit);
}
