#include "gui/prompter.h"

#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include "common/ui.h"
#include "gui/qt_text.h"

namespace qlm::gui {

namespace {

int FirstButton(unsigned flags) {
  return (flags & mb::kButtonMask) == mb::kYesNo ? mb::kIdYes : mb::kIdOk;
}

}  // namespace

int SafeAnswer(unsigned flags) {
  switch (flags & mb::kButtonMask) {
    case mb::kYesNo:
      return mb::kIdNo;
    case mb::kOkCancel:
      return mb::kIdCancel;
    default:
      return mb::kIdOk;
  }
}

int Prompter::MessageBox(QWidget* owner, std::string_view text, std::string_view caption,
                         unsigned flags) {
  shown.push_back(Shown{std::string(text), std::string(caption), flags, owner});
  if (scripted) {
    if (answers.empty()) return FirstButton(flags);
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }

  QMessageBox::Icon icon = QMessageBox::NoIcon;
  if ((flags & mb::kIconMask) == mb::kIconExclamation) icon = QMessageBox::Warning;
  if ((flags & mb::kIconMask) == mb::kIconInformation) icon = QMessageBox::Information;
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
  if ((flags & mb::kButtonMask) == mb::kOkCancel) buttons = QMessageBox::Ok | QMessageBox::Cancel;
  if ((flags & mb::kButtonMask) == mb::kYesNo) buttons = QMessageBox::Yes | QMessageBox::No;

  QMessageBox box(icon, FromBytes(caption), FromBytes(text), buttons, owner);
  box.setTextFormat(Qt::PlainText);  // file names and titles are never markup
  // The first button is the default, as the boxes were designed.
  box.setDefaultButton(buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return mb::kIdYes;
    case QMessageBox::No:
      return mb::kIdNo;
    case QMessageBox::Cancel:
      return mb::kIdCancel;
    case QMessageBox::Ok:
      return mb::kIdOk;
    default:
      return SafeAnswer(flags);
  }
}

int Prompter::Exec(QDialog& dialog) {
  if (on_dialog_shown) {
    QPointer<QDialog> guarded(&dialog);
    QTimer::singleShot(0, &dialog, [this, guarded] {
      if (guarded) on_dialog_shown(*guarded);
    });
  }
  return dialog.exec();
}

}  // namespace qlm::gui
