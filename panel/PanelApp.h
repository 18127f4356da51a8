// CPanelApp: the recording panel's application object and the owner of its settings.
//
// Its start-up is the panel's whole run: load the settings, write the mode byte once, run the
// dialog, save all six values however the dialog ended.
#pragma once

#include "panel/PanelSettings.h"
#include "platform/Ports.h"
#include "platform/Registry.h"
#include "shell/WinApp.h"

// What the panel reaches the machine through; the entry point fills it in before the run.
struct PanelPlatform {
  vx::Ports* ports = nullptr;
  vx::Registry* registry = nullptr;
  // Settings the entry point has read already (to ask the system for their ports): the run takes
  // them instead of reading the registry a second time, so that it uses the ports it was granted.
  const PanelSettings* loaded = nullptr;
};

class CPanelApp : public CWinApp {
 public:
  CPanelApp() = default;

  void SetPlatform(const PanelPlatform& platform) { m_platform = platform; }
  const PanelPlatform& Platform() const { return m_platform; }

  bool InitInstance() override;

  PanelSettings m_settings;

 private:
  PanelPlatform m_platform;
};
