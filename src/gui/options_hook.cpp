#include "gui/options_hook.h"

namespace qlm::gui {

// PLACEHOLDER: replaced by the options dialog.
void OpenOptionsDialog(QWidget& /*owner*/, OptionSet& /*options*/) {}

}  // namespace qlm::gui
