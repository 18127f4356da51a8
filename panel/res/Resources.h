// The recording panel's resources: dialog 102, icon group 128, accelerators 129, version block.
#pragma once

#include "shell/DialogTemplate.h"

const vx::ProgramResources& PanelResources();
