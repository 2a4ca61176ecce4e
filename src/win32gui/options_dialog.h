// The options dialog on Windows: OPTDLG over OptionsDialogModel, which decides every mark and
// greyed box; this only shows the model and hands it the dialog's commands.
#pragma once

#include <atomic>

#include "common/types.h"
#include "platform/win32/windows_api.h"
#include "shell/options_dialog_model.h"

namespace qlm::win32gui {

class OptionsDialog {
 public:
  // `options` and `update_verbs` must outlive the dialog.
  OptionsDialog(OptionSet& options, ShellVerbUpdater update_verbs);

  // Runs the dialog modally, owned by `owner`, until Close; Close writes `options` (and may
  // update the shell verbs). Esc and every other command are ignored. Returns whether View
  // Log(s) is to be enabled; false if the dialog could not be created (nothing changed then).
  bool Run(HINSTANCE instance, HWND owner);

  // The dialog while it is open, else nullptr; for tests, from any thread.
  HWND window() const { return window_.load(); }

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void ShowModel(HWND window) const;

  OptionSet& options_;
  ShellVerbUpdater update_verbs_;
  OptionsDialogModel model_;
  std::atomic<HWND> window_{nullptr};
  bool view_logs_ = false;
};

}  // namespace qlm::win32gui
