#include "gui/rename_dialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/messages.h"
#include "common/ui.h"
#include "engine/manual_rename.h"
#include "gui/dialog_units.h"
#include "gui/prompter.h"
#include "gui/qt_text.h"
#include "gui/window_hints.h"
#include "gui/wrap_label.h"

namespace qlm::gui {

RenameDialog::RenameDialog(ManualRename& logic, Prompter& prompter, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      logic_(logic),
      prompter_(prompter) {
  setWindowTitle(FromBytes(msg::kRenameDialogCaption));
  AllowMoveOnly(*this);  // no system menu: nothing to minimise, maximise or close with
  setFont(DialogFont());
  const DialogUnits units(font());
  setFixedSize(units.X(247), units.Y(51));

  // Created in the template's order, which is also the tab order.
  ok_ = new QPushButton(QStringLiteral("O&K"), this);
  ok_->setGeometry(units.Rect(190, 9, 50, 14));
  ok_->setDefault(true);
  TagControl(ok_, ctl::kRenameOk);
  cancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel_->setGeometry(units.Rect(190, 30, 50, 14));
  TagControl(cancel_, ctl::kRenameCancel);
  prompt_ = new WrapLabel(this);  // plain text, a long name broken where it must be
  prompt_->setGeometry(units.Rect(6, 6, 172, 25));
  prompt_->setText(FromBytes(logic_.Prompt()));
  TagControl(prompt_, ctl::kRenamePrompt);
  edit_ = new QLineEdit(this);
  edit_->setGeometry(units.Rect(6, 31, 174, 13));
  edit_->setMaxLength(static_cast<int>(ManualRename::kMaxNameLength));
  edit_->setText(FromBytes(logic_.Proposal()));
  edit_->selectAll();
  TagControl(edit_, ctl::kRenameEdit);

  connect(ok_, &QPushButton::clicked, this, &RenameDialog::OnOk);
  connect(cancel_, &QPushButton::clicked, this, [this] { done(kCancelled); });
}

QWidget* RenameDialog::Control(int id) const {
  switch (id) {
    case ctl::kRenameOk:
      return ok_;
    case ctl::kRenameCancel:
      return cancel_;
    case ctl::kRenameEdit:
      return edit_;
    case ctl::kRenamePrompt:
      return prompt_;
    default:
      return nullptr;
  }
}

void RenameDialog::closeEvent(QCloseEvent* event) {
  event->ignore();  // only OK and Cancel leave the dialog
}

void RenameDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  edit_->setFocus(Qt::OtherFocusReason);
  edit_->selectAll();
}

void RenameDialog::OnOk() {
  const QByteArray typed = edit_->text().toUtf8();
  const ManualRename::Verdict verdict =
      logic_.TryAccept(std::string_view(typed.constData(), static_cast<std::size_t>(typed.size())));
  if (verdict == ManualRename::Verdict::Accepted) {
    done(kAccepted);
    return;
  }
  prompter_.MessageBox(this, ManualRename::RefusalText(verdict),
                       ManualRename::RefusalCaption(verdict), ManualRename::RefusalFlags(verdict));
  edit_->setFocus(Qt::OtherFocusReason);
}

}  // namespace qlm::gui
