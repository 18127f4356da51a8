// The recording panel's resources as tables for the Qt back end (see shell/ResourceTables.inc).
#include "panel/res/Resources.h"

#include "panel/res/ResourceIds.h"

#define VX_RES_DIALOG "panel/res/Dialog.inc"
#define VX_RES_ACCELERATORS "panel/res/Accelerators.inc"
#define VX_RES_VERSION "panel/res/Version.inc"
#define VX_RES_ICON {IDR_MAINFRAME, "Vexmor.ico"}
#define VX_RES_HELP "Volsar.hlp"
#define VX_RES_FUNCTION PanelResources
#include "shell/ResourceTables.inc"
