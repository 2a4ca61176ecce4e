// The manual rename dialog: the prompt, an edit field holding the proposed name, OK and
// Cancel. It is left only through its two buttons: no close box, and Esc does nothing.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qlm {
class ManualRename;
}

namespace qlm::gui {

class Prompter;

class RenameDialog final : public QDialog {
 public:
  // The dialog's results, as the run expects them.
  static constexpr int kAccepted = 0;
  static constexpr int kCancelled = 1;

  // Shows `logic`'s prompt and proposal; `prompter` shows the refusals, owned by this dialog.
  RenameDialog(ManualRename& logic, Prompter& prompter, QWidget* owner);

  // The control of that id (1000 OK, 1001 Cancel, 1002 the edit field, 1003 the prompt).
  QWidget* Control(int id) const;

 protected:
  void reject() override {}  // Esc is ignored
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // OK: hands the typed name to the logic; closes with kAccepted, or shows the refusal and
  // stays open with the typed text.
  void OnOk();

  ManualRename& logic_;
  Prompter& prompter_;
  QLabel* prompt_;
  QLineEdit* edit_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

}  // namespace qlm::gui
