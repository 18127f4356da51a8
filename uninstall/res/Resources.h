// The uninstaller's resources: dialog 102, icon group 128, version block.
#pragma once

#include "shell/DialogTemplate.h"

const vx::ProgramResources& UninstallResources();
