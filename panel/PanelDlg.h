// CPanelDlg: the panel's one window. Two sliders set the microphone and auxiliary gains when a
// movement ends; four buttons flip the switches, show their state and reprogram the mode byte.
// Once the system refuses a port access, nothing reaches the card any more: the refusal's message
// shows once, and the dialog ends when it is closed.
#pragma once

#include <cstdint>

#include "shell/Dialog.h"

class CPanelApp;

class CPanelDlg : public CDialog {
 public:
  explicit CPanelDlg(CPanelApp& app);

  bool OnInitDialog() override;
  bool OnCommand(vx::WParam wParam, vx::LParam lParam) override;
  void OnHScroll(unsigned code, unsigned position, int controlId) override;
  bool PreTranslateMessage(vx::Msg* message) override;

  void ShowMonitorState();
  void ShowInputState();
  void ShowBitsState();
  void ShowChannelState();

  vx::AccelRef m_hAccel = 0;

 private:
  void ReportSilentCard();
  bool PortsRefused() const;
  void EndForRefusedPorts();

  CPanelApp& m_app;
  bool m_reportedSilentCard = false;
  bool m_endingForRefusal = false;
};
