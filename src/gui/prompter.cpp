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

int ShowPlainMessageBox(QWidget* owner, int icon, const QString& caption, const QString& text,
                        int buttons, int default_button) {
  QMessageBox box(static_cast<QMessageBox::Icon>(icon), caption, QString(),
                  static_cast<QMessageBox::StandardButtons>(buttons), owner);
  box.setTextFormat(Qt::PlainText);  // Qt::AutoText would take a name like "<b>x</b>" as markup
  box.setText(text);
  box.setDefaultButton(static_cast<QMessageBox::StandardButton>(default_button));
  return box.exec();
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

  // The first button is the default, as the boxes were designed.
  const QMessageBox::StandardButton first =
      buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
  switch (ShowPlainMessageBox(owner, icon, FromBytes(caption), FromBytes(text),
                              static_cast<int>(buttons), first)) {
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
