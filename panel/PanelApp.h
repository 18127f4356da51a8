// CPanelApp: the recording panel's application object and the owner of its settings.
//
// Its start-up is the panel's whole run: load the settings, write the mode byte once, run the
// dialog, save all six values however the dialog ended. A port access the system refused ends the
// run instead, at start-up or in the dialog: one message, nothing saved, exit status 1.
#pragma once

#include <functional>

#include "panel/PanelSettings.h"
#include "platform/Ports.h"
#include "platform/Registry.h"
#include "shell/MessageOwner.h"
#include "shell/WinApp.h"

// What the panel reaches the machine through; the entry point fills it in before the run.
struct PanelPlatform {
  vx::Ports* ports = nullptr;
  vx::Registry* registry = nullptr;
  // Settings the entry point has read already (to ask the system for their ports): the run takes
  // them instead of reading the registry a second time, so that it uses the ports it was granted.
  const PanelSettings* loaded = nullptr;
  // Tells the user that the system refused the ports of settings, in a message owned by owner
  // (null before the dialog shows), which stays disabled meanwhile.
  std::function<void(vx::MessageOwner* owner, const PanelSettings& settings)> tellRefusal = nullptr;
};

class CPanelApp : public CWinApp {
 public:
  CPanelApp() = default;

  void SetPlatform(const PanelPlatform& platform) { m_platform = platform; }
  const PanelPlatform& Platform() const { return m_platform; }

  bool InitInstance() override;
  int ExitInstance() override { return m_portsRefused ? 1 : 0; }

  // Once a port access was refused: the one message, owned by owner; later calls show nothing.
  void TellPortsRefused(vx::MessageOwner* owner);

  PanelSettings m_settings;

 private:
  PanelPlatform m_platform;
  bool m_portsRefused = false;
};
