// Resource and control identifiers of the recording panel.
#pragma once

#define IDD_PANEL 102
#define IDR_MAINFRAME 128
#define IDR_ACCEL 129

#define IDC_MIC_SLIDER 1000
#define IDC_MIC_LABEL 1001
#define IDC_MONITOR 1005
#define IDC_INPUT 1006
#define IDC_CHANNELS 1007
#define IDC_BITS 1008
#define IDC_AUX_SLIDER 1010
#define IDC_AUX_LABEL 1011

#define ID_ACCEL_MIC 2000
#define ID_ACCEL_AUX 2001
