#include "panel/PanelDlg.h"

#include <string>

#include "panel/CardControl.h"
#include "panel/PanelApp.h"
#include "panel/res/ResourceIds.h"
#include "platform/HexText.h"

CPanelDlg::CPanelDlg(CPanelApp& app) : CDialog(IDD_PANEL, nullptr), m_app(app) {}

bool CPanelDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetSliderRange(IDC_MIC_SLIDER, 0, 127, false);
  ShowMonitorState();
  ShowInputState();
  ShowBitsState();
  ShowChannelState();
  SetSliderRange(IDC_AUX_SLIDER, 0, 255, false);
  m_hAccel = m_app.LoadAccelerators(IDR_ACCEL);
  return true;  // the dialog manager focuses the first tab stop, the microphone slider
}

void CPanelDlg::ShowMonitorState() {
  SetDlgItemTextA(IDC_MONITOR, m_app.m_settings.Mon ? "Monitor &On" : "Monitor &Off");
}

void CPanelDlg::ShowInputState() {
  SetDlgItemTextA(IDC_INPUT, m_app.m_settings.Gain ? "&Mic" : "&Line");
}

void CPanelDlg::ShowBitsState() {
  SetDlgItemTextA(IDC_BITS, m_app.m_settings.Bits ? "16 &Bit" : "8 &Bit");
}

void CPanelDlg::ShowChannelState() {
  SetDlgItemTextA(IDC_CHANNELS, m_app.m_settings.Chan ? "&Stereo" : "Mo&no");
}

bool CPanelDlg::OnCommand(vx::WParam wParam, vx::LParam lParam) {
  PanelSettings& s = m_app.m_settings;
  const unsigned command = static_cast<unsigned>(wParam & 0xFFFF);
  bool switched = true;
  if (PortsRefused()) return CDialog::OnCommand(wParam, lParam);  // the switches stay as they are
  switch (command) {
    case IDC_MONITOR:
      s.Mon ^= 1;
      ShowMonitorState();
      break;
    case IDC_INPUT:
      s.Gain ^= 1;
      ShowInputState();
      break;
    case IDC_CHANNELS:
      s.Chan ^= 1;
      ShowChannelState();
      break;
    case IDC_BITS:
      s.Bits ^= 1;
      ShowBitsState();
      break;
    case ID_ACCEL_MIC:  // Alt+V, the "Mic &Volume:" label's mnemonic
      switched = false;
      GotoDlgCtrl(IDC_MIC_SLIDER);
      break;
    case ID_ACCEL_AUX:  // Alt+A, the "&Aux Volume:" label's mnemonic
      switched = false;
      GotoDlgCtrl(IDC_AUX_SLIDER);
      break;
    default:
      switched = false;
  }
  if (switched) {
    WriteMode(*m_app.Platform().ports, s);
    if (PortsRefused()) EndForRefusedPorts();
  }
  return CDialog::OnCommand(wParam, lParam);
}

void CPanelDlg::OnHScroll(unsigned code, unsigned position, int controlId) {
  // A repeated end of movement (the refusal's message takes the mouse from a dragged slider)
  // finds the ports refused and writes nothing.
  if (code == vx::kTbEndTrack && !PortsRefused()) {
    const std::uint8_t index = controlId == IDC_MIC_SLIDER ? kMicGainIndex : kAuxGainIndex;
    const int value = GetSliderPos(controlId);
    const bool written = WriteGain(*m_app.Platform().ports, m_app.m_settings, index, value);
    if (!written && PortsRefused()) EndForRefusedPorts();
    if (!written && !PortsRefused()) ReportSilentCard();
  }
  CDialog::OnHScroll(code, position, controlId);
}

bool CPanelDlg::PreTranslateMessage(vx::Msg* message) {
  if (m_hAccel && Window() && Window()->TranslateAccelerator(m_hAccel, *message)) return true;
  return CDialog::PreTranslateMessage(message);
}

bool CPanelDlg::PortsRefused() const { return m_app.Platform().ports->Refused(); }

// The refusal's message, owned by this dialog, then the end of the run (CPanelApp saves nothing).
void CPanelDlg::EndForRefusedPorts() {
  if (m_endingForRefusal) return;
  m_endingForRefusal = true;
  m_app.TellPortsRefused(this);
  EndDialog(vx::kIdCancel);
}

void CPanelDlg::ReportSilentCard() {
  if (m_reportedSilentCard) return;
  m_reportedSilentCard = true;
  const std::string text =
      "The sound card at port " +
      vx::HexText(m_app.m_settings.Port & 0xFFFF, 4, vx::HexCase::Upper) +
      " does not answer.\nThe gain was not changed.";
  MessageBoxA(text.c_str(), "Vexmor Recording", vx::kMbOk);
}
