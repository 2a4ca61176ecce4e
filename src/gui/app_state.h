// The desktop program's process state and start-up, shared with the Windows program.
#pragma once

#include "shell/app_state.h"

namespace qlm::gui {

using qlm::AppState;
using qlm::StartUp;

}  // namespace qlm::gui
