// Volsar.exe on Windows: the recording panel on the Windows API.
//
//   VEXMOR_PORTS=emulated|direct   which ports it programs (default: the processor's own port
//                                  instructions on the Windows 95 family, the emulated card on the
//                                  NT family, where those instructions fault)
//   VEXMOR_CARD_LOG=<file>         append every port access to <file>
//
// It takes no arguments. Settings live in HKEY_CURRENT_USER\Software\Vexmor_Rec.
#include <windows.h>

#include <cstdio>
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
#include "shell/win32/Win32Toolkit.h"

CPanelApp theApp;

namespace {

// A program without a console: the reason goes to a message box, and to stderr for whoever
// started it from a terminal.
void Complain(const std::string& what) {
  std::fprintf(stderr, "Volsar: %s\n", what.c_str());
  std::fflush(stderr);
  ::MessageBoxA(nullptr, what.c_str(), "Vexmor Recording", MB_OK | MB_ICONSTOP);
}

std::string NamedPorts(vx::Registry& registry) {
  // The base port comes from the settings; reading them touches nothing.
  PanelSettings probe;
  LoadSettings(registry, probe);
  return CardPortsText(probe);
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
  vx::win32::Win32Toolkit toolkit(instance, resources.helpFile, "Vexmor Recording Help");
  theApp.SetPlatform({ports, &registry});
  return AfxWinMain(theApp, toolkit);
}
