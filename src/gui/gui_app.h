// The desktop program's start-up and its one application object.
#pragma once

namespace qlm::gui {

// Runs `quillomat [PATH]`: start-up, then the main window until the user exits. Always
// returns 0, the program's only exit status.
int RunGui(int argc, char** argv);

// Keeps Qt's own settings (the file dialog's history and geometry, which it saves in the
// user's QtProject.conf) out of the user's files: the program writes no file but its
// settings file, logs and journal. Call before any dialog is shown.
void KeepQtSettingsOut();

}  // namespace qlm::gui
