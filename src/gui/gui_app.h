// The desktop program's start-up and its one application object.
#pragma once

namespace qlm::gui {

// Runs `quillomat [PATH]`: start-up, then the main window until the user exits. Always
// returns 0, the program's only exit status.
int RunGui(int argc, char** argv);

}  // namespace qlm::gui
