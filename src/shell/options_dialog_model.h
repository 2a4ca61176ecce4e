// The options dialog's behaviour without a toolkit: its ten boxes (checked and enabled),
// Backup renamed files toggled by the dialog itself with its three sub-options, Reset with
// its own values, and Close, which alone writes the OptionSet and is the only moment the
// shell verbs change. A toolkit dialog shows this state and forwards its commands here.
#pragma once

#include <array>
#include <functional>
#include <string_view>

#include "common/types.h"

namespace qlm {

// Adds (1) or removes (0) the context-menu verbs; see UpdateShellVerbs.
using ShellVerbUpdater = std::function<void(int wanted)>;

// One box of the dialog: its id, its text, and its rectangle in dialog units.
struct OptionBox {
  int id;
  std::string_view text;
  int x, y, width, height;
};

// The dialog's size in dialog units.
inline constexpr int kOptionsWidth = 163;
inline constexpr int kOptionsHeight = 167;

// The ten boxes in the template's order (also the tab order).
const std::array<OptionBox, 10>& OptionBoxes();

// What a command did to the dialog.
enum class DialogOutcome {
  Stays,   // the dialog is still open
  Closed,  // Close applied the boxes and ended the dialog
};

class OptionsDialogModel {
 public:
  // The dialog as it opens over `options`: every box shows its flag, ShellExtsOnOpen is
  // EnableShellExts, and the three backup sub-options are greyed exactly when
  // BackupRenamedFiles is off (their marks are shown all the same).
  explicit OptionsDialogModel(const OptionSet& options);

  // Whether box `id` is checked / enabled; false for an id that is not a box.
  bool Checked(int id) const;
  bool Enabled(int id) const;
  // EnableShellExts as it was when the dialog opened.
  bool ShellExtsOnOpen() const { return shell_exts_on_open_; }

  // A command of control `id`: a box clicked (3003 toggles itself and sets its sub-options'
  // enabled state; a greyed box ignores the click), Reset (3001), or Close (3000), which
  // writes `options` and may call `update_verbs` (see Close). Anything else, the cancel
  // command that Esc gives included, is ignored. Returns whether the dialog is still open.
  DialogOutcome Command(int id, OptionSet& options, const ShellVerbUpdater& update_verbs);

  // Reset: every box but 3003 takes its Reset value; an unchecked 3003 is then toggled on,
  // which enables the sub-options. Nothing reaches the OptionSet before Close.
  void Reset();

  // Close, in this order: stores 3003, 3002, 3004, 3011, 3005 and 3008 into their flags
  // (greyed boxes too); calls `update_verbs` with the new EnableShellExts only when it
  // differs from ShellExtsOnOpen; stores 3006, 3009, 3010 and 3007. Returns whether View
  // Log(s) is to be enabled: at least one of WriteErrorLog and WriteRenameLog is on.
  bool Close(OptionSet& options, const ShellVerbUpdater& update_verbs) const;

  // The Reset values, which differ from a missing settings key's in two flags:
  // EnableShellExts on, ParseHTMLEntities off.
  static OptionSet ResetValues();

 private:
  // Box 3003's own command: toggles it and greys or enables the three sub-options.
  void ToggleBackupRenamedFiles();
  // The box of that id, or nullptr when `id` is not a box.
  const bool* Box(int id) const;

  struct Boxes {
    bool backup_renamed = false, create_new_dir = false, backup_unrenamed = false,
         overwrite_existing = false, full_auto = false, shell_exts = false, parse_entities = false,
         rename_as_htm = false, error_log = false, rename_log = false;
  } boxes_;
  bool sub_options_enabled_ = true;
  bool shell_exts_on_open_ = false;
};

}  // namespace qlm
