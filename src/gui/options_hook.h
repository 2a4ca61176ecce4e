// PLACEHOLDER for the options dialog. The main window's Options button (2002) calls
// OpenOptionsDialog through MainWindow::options_dialog; the options dialog replaces this
// file's body (or points that member at its own function) when it lands.
#pragma once

#include "common/types.h"

class QWidget;

namespace qlm::gui {

// Runs the options dialog modally, owned by `owner`, over `options`. The placeholder shows
// nothing and changes nothing; the window brings View Log(s) into line afterwards.
void OpenOptionsDialog(QWidget& owner, OptionSet& options);

}  // namespace qlm::gui
