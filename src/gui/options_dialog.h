// The options dialog: ten boxes over the OptionSet, Reset and Close. It shows the state of
// OptionsDialogModel and forwards every click to it; it is left only through Close (no close
// box, Esc does nothing), which applies the boxes.
#pragma once

#include <QDialog>
#include <map>

#include "shell/options_dialog_model.h"

class QCheckBox;
class QPushButton;

namespace qlm::gui {

class OptionsDialog final : public QDialog {
 public:
  // Shows `options`; Close writes them back and calls `update_verbs` when EnableShellExts
  // changed. Both must outlive the dialog.
  OptionsDialog(OptionSet& options, ShellVerbUpdater update_verbs, QWidget* owner);

  // The control of that id (3000 Close, 3001 Reset, 3002 ... 3011 the boxes), or nullptr.
  QWidget* Control(int id) const;

 protected:
  void reject() override {}  // Esc is ignored
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // Hands control `id`'s command to the model, then shows its state; Close ends the dialog.
  void OnCommand(int id);
  // Every box's mark and enabled state from the model.
  void ShowModel();

  OptionsDialogModel model_;
  OptionSet& options_;
  ShellVerbUpdater update_verbs_;
  std::map<int, QCheckBox*> boxes_;
  QPushButton* reset_;
  QPushButton* close_;
};

// The main window's Options command: runs the dialog modally over `options`, owned by
// `owner`, with the real shell verbs.
void RunOptionsDialog(QWidget& owner, OptionSet& options);

}  // namespace qlm::gui
