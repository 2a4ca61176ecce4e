#include "gui/options_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <utility>

#include "common/messages.h"
#include "common/ui.h"
#include "gui/dialog_units.h"
#include "gui/qt_text.h"
#include "gui/window_hints.h"
#include "shell/shell_verbs.h"

namespace qlm::gui {

OptionsDialog::OptionsDialog(OptionSet& options, ShellVerbUpdater update_verbs, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      model_(options),
      options_(options),
      update_verbs_(std::move(update_verbs)) {
  setWindowTitle(FromBytes(msg::kOptionsCaption));
  AllowMoveOnly(*this);  // no system menu: nothing to minimise, maximise or close with
  setFont(DialogFont());
  const DialogUnits units(font());
  setFixedSize(units.X(kOptionsWidth), units.Y(kOptionsHeight));

  // Created in the template's order, which is also the tab order.
  for (const OptionBox& box : OptionBoxes()) {
    auto* check = new QCheckBox(FromBytes(box.text), this);
    check->setGeometry(units.Rect(box.x, box.y, box.width, box.height));
    TagControl(check, box.id);
    boxes_[box.id] = check;
    // The model decides every mark (3003 toggles itself and greys its sub-options).
    connect(check, &QCheckBox::clicked, this, [this, id = box.id] { OnCommand(id); });
  }
  reset_ = new QPushButton(FromBytes(msg::kOptionsReset), this);
  reset_->setGeometry(units.Rect(46, 148, 50, 14));
  reset_->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
  reset_->setAutoDefault(false);
  TagControl(reset_, ctl::kOptionsReset);
  close_ = new QPushButton(FromBytes(msg::kOptionsClose), this);
  close_->setGeometry(units.Rect(107, 148, 50, 14));
  close_->setDefault(true);
  TagControl(close_, ctl::kOptionsClose);
  connect(reset_, &QPushButton::clicked, this, [this] { OnCommand(ctl::kOptionsReset); });
  connect(close_, &QPushButton::clicked, this, [this] { OnCommand(ctl::kOptionsClose); });
  ShowModel();
}

QWidget* OptionsDialog::Control(int id) const {
  if (id == ctl::kOptionsReset) return reset_;
  if (id == ctl::kOptionsClose) return close_;
  const auto box = boxes_.find(id);
  return box == boxes_.end() ? nullptr : box->second;
}

void OptionsDialog::closeEvent(QCloseEvent* event) {
  event->ignore();  // only Close leaves the dialog
}

void OptionsDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (const QScreen* shown_on = screen()) {  // centred on the screen, not on the owner
    move(shown_on->availableGeometry().center() - rect().center());
  }
}

void OptionsDialog::OnCommand(int id) {
  if (model_.Command(id, options_, update_verbs_) == DialogOutcome::Closed) {
    accept();
    return;
  }
  ShowModel();
}

void OptionsDialog::ShowModel() {
  for (const auto& [id, check] : boxes_) {
    const QSignalBlocker quiet(check);
    check->setChecked(model_.Checked(id));
    check->setEnabled(model_.Enabled(id));
  }
}

void RunOptionsDialog(QWidget& owner, OptionSet& options) {
  OptionsDialog dialog(
      options, [](int wanted) { UpdateShellVerbs(wanted); }, &owner);
  dialog.exec();
}

}  // namespace qlm::gui
