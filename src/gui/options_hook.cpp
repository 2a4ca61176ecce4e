#include "gui/options_hook.h"

#include "gui/options_dialog.h"

namespace qlm::gui {

void OpenOptionsDialog(QWidget& owner, OptionSet& options) {
  RunOptionsDialog(owner, options);
}

}  // namespace qlm::gui
