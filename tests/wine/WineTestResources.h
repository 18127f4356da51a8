// Resources of the Win32 test program besides the panel's own (Volsar.rc is compiled in too).
#pragma once

#define VX_IDR_ICON_FILE 900
