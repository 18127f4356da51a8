// The uninstaller's resources as tables for the Qt back end (see shell/ResourceTables.inc).
#include "uninstall/res/Resources.h"

#include "uninstall/res/ResourceIds.h"

#define VX_RES_DIALOG "uninstall/res/Dialog.inc"
#define VX_RES_VERSION "uninstall/res/Version.inc"
#define VX_RES_ICON {IDR_MAINFRAME, "Vexmor.ico"}
#define VX_RES_HELP nullptr
#define VX_RES_FUNCTION UninstallResources
#include "shell/ResourceTables.inc"
