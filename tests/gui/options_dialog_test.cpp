// The options dialog on its own: the template, the widgets against the model (greyed
// sub-options keep their marks), Esc and the close box, and Close applying the boxes.
#include "gui/options_dialog.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <vector>

#include "common/messages.h"
#include "common/ui.h"
#include "gui/dialog_units.h"

namespace ctl = qlm::ctl;
using qlm::OptionSet;
using qlm::gui::OptionsDialog;

namespace {

struct DialogFixture {
  OptionSet options;
  std::vector<int> verb_calls;
  std::unique_ptr<OptionsDialog> dialog;

  explicit DialogFixture(OptionSet start) : options(start) {
    dialog = std::make_unique<OptionsDialog>(
        options, [this](int wanted) { verb_calls.push_back(wanted); }, nullptr);
    dialog->show();
  }
  QCheckBox* Box(int id) const { return static_cast<QCheckBox*>(dialog->Control(id)); }
  void Click(int id) { QTest::mouseClick(dialog->Control(id), Qt::LeftButton); }
};

}  // namespace

class OptionsDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void templateHasTheDesignedControls() {
    DialogFixture f(OptionSet{});
    QCOMPARE(f.dialog->windowTitle(), QStringLiteral("Options"));
    QVERIFY(!f.dialog->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!f.dialog->windowFlags().testFlag(Qt::WindowSystemMenuHint));
    const qlm::gui::DialogUnits units(f.dialog->font());
    QCOMPARE(f.dialog->size(), QSize(units.X(163), units.Y(167)));
    const struct {
      int id;
      const char* text;
      QRect rect;
    } expected[] = {
        {3003, "  Backup renamed files", units.Rect(10, 10, 121, 9)},
        {3011, "  Always create new backup dir ", units.Rect(20, 23, 131, 9)},
        {3002, "  Backup unrenamed files", units.Rect(20, 36, 137, 9)},
        {3004, "  Overwrite existing files in backup dir", units.Rect(20, 49, 142, 9)},
        {3005, "  Enable full auto mode", units.Rect(10, 63, 122, 9)},
        {3008, "  Enable shell extensions", units.Rect(10, 76, 96, 9)},
        {3009, "  Enable parsing of HTML entities", units.Rect(10, 89, 121, 9)},
        {3006, "  Rename as *.htm", units.Rect(10, 102, 121, 9)},
        {3007, "  Write error log", units.Rect(10, 115, 79, 9)},
        {3010, "  Write rename log", units.Rect(10, 128, 79, 9)},
        {3001, "&Reset", units.Rect(46, 148, 50, 14)},
        {3000, "&Close", units.Rect(107, 148, 50, 14)},
    };
    for (const auto& control : expected) {
      auto* button = qobject_cast<QAbstractButton*>(f.dialog->Control(control.id));
      QVERIFY2(button != nullptr, qPrintable(QString::number(control.id)));
      QCOMPARE(button->text(), QString::fromUtf8(control.text));
      QCOMPARE(button->geometry(), control.rect);
      QCOMPARE(button->property("controlId").toInt(), control.id);
    }
    auto* close = static_cast<QPushButton*>(f.dialog->Control(ctl::kOptionsClose));
    QVERIFY(close->isDefault());
    QVERIFY(!(f.dialog->Control(ctl::kOptionsReset)->focusPolicy() & Qt::TabFocus));
  }

  void greyedSubOptionsShowTheirMarks() {
    OptionSet start;
    start.BackupRenamedFiles = 0;
    start.BackupCreateNewDir = 1;
    start.BackupUnrenamedFiles = 0;
    start.BackupOverwriteExisting = 1;
    DialogFixture f(start);
    QVERIFY(!f.Box(ctl::kBackupRenamedFiles)->isChecked());
    const struct {
      int id;
      bool checked;
    } subs[] = {{ctl::kBackupCreateNewDir, true},
                {ctl::kBackupUnrenamedFiles, false},
                {ctl::kBackupOverwriteExisting, true}};
    for (const auto& sub : subs) {
      QVERIFY(!f.Box(sub.id)->isEnabled());
      QCOMPARE(f.Box(sub.id)->isChecked(), sub.checked);
    }
    f.Click(ctl::kBackupRenamedFiles);
    QVERIFY(f.Box(ctl::kBackupRenamedFiles)->isChecked());
    for (const auto& sub : subs) {
      QVERIFY(f.Box(sub.id)->isEnabled());
      QCOMPARE(f.Box(sub.id)->isChecked(), sub.checked);
    }
    f.Click(ctl::kBackupRenamedFiles);
    QVERIFY(!f.Box(ctl::kBackupCreateNewDir)->isEnabled());
  }

  void escAndTheCloseEventLeaveItOpen() {
    DialogFixture f(OptionSet{});
    f.Click(ctl::kWriteErrorLog);
    QTest::keyClick(f.dialog.get(), Qt::Key_Escape);
    QVERIFY(f.dialog->isVisible());
    QVERIFY(!f.dialog->close());
    QVERIFY(f.dialog->isVisible());
    QCOMPARE(f.options, OptionSet{});  // nothing applied before Close
    QVERIFY(f.Box(ctl::kWriteErrorLog)->isChecked());
  }

  void resetThenCloseAppliesTheResetValuesAndAddsTheVerbs() {
    OptionSet start;  // shell extensions off, entities on
    start.WriteRenameLog = 1;
    DialogFixture f(start);
    f.Click(ctl::kOptionsReset);
    QVERIFY(f.Box(ctl::kEnableShellExts)->isChecked());
    QVERIFY(!f.Box(ctl::kParseHTMLEntities)->isChecked());
    QVERIFY(f.verb_calls.empty());
    f.Click(ctl::kOptionsClose);
    QVERIFY(!f.dialog->isVisible());
    QCOMPARE(f.dialog->result(), int(QDialog::Accepted));
    QCOMPARE(f.options, qlm::OptionsDialogModel::ResetValues());
    QCOMPARE(f.verb_calls, std::vector<int>{1});
  }

  void shellExtensionsOnAndOffAgainTouchNothing() {
    DialogFixture f(OptionSet{});
    f.Click(ctl::kEnableShellExts);
    f.Click(ctl::kEnableShellExts);
    // Enter presses the default button, Close.
    QTest::keyClick(f.dialog.get(), Qt::Key_Return);
    QVERIFY(!f.dialog->isVisible());
    QVERIFY(f.verb_calls.empty());
    QCOMPARE(f.options, OptionSet{});
  }
};

QTEST_MAIN(OptionsDialogTest)
#include "options_dialog_test.moc"
