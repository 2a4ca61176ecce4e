// The main window's Options button (2002) calls OpenOptionsDialog through
// MainWindow::options_dialog; it runs the options dialog (gui/options_dialog.h).
#pragma once

#include "common/types.h"

class QWidget;

namespace qlm::gui {

// Runs the options dialog modally, owned by `owner`, over `options`; the window brings View
// Log(s) into line afterwards.
void OpenOptionsDialog(QWidget& owner, OptionSet& options);

}  // namespace qlm::gui
