// The manual rename dialog on its own: template, proposal, the in-use and invalid-name
// refusals that keep it open, Esc, and the two ways out.
#include "gui/rename_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "common/messages.h"
#include "common/ui.h"
#include "engine/manual_rename.h"
#include "gui/prompter.h"
#include "platform/posix/posix_file_system.h"
#include "support/temp_dir.h"

namespace ctl = qlm::ctl;
namespace msg = qlm::msg;
using qlm::gui::RenameDialog;

namespace {

// A directory run whose file "old.htm" titled "Our Prices" found Our Prices.qlm taken.
struct DialogFixture {
  qlm::testing::TempDir directory;
  qlm::PosixFileSystem fs;
  std::string destination;
  qlm::gui::Prompter prompter;
  std::unique_ptr<qlm::ManualRename> logic;
  std::unique_ptr<RenameDialog> dialog;

  explicit DialogFixture(std::initializer_list<const char*> taken) {
    for (const char* name : taken)
      qlm::testing::WriteFile(directory / name, "x");
    destination = directory / "Our Prices.qlm";
    logic =
        std::make_unique<qlm::ManualRename>(fs, qlm::RunKind::DirectoryRun, "old.htm", "Our Prices",
                                            directory.path() + "/", true, destination);
    prompter.scripted = true;
    dialog = std::make_unique<RenameDialog>(*logic, prompter, nullptr);
    dialog->show();
  }
  QLineEdit* Edit() const { return static_cast<QLineEdit*>(dialog->Control(ctl::kRenameEdit)); }
  void Ok() { QTest::mouseClick(dialog->Control(ctl::kRenameOk), Qt::LeftButton); }
};

}  // namespace

class RenameDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void opensWithPromptAndSelectedProposal() {
    DialogFixture f({"Our Prices.qlm", "Our Prices-1.qlm"});
    QCOMPARE(f.dialog->windowTitle(), QStringLiteral("Rename HTML file manually"));
    QVERIFY(!f.dialog->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!f.dialog->windowFlags().testFlag(Qt::WindowSystemMenuHint));
    QCOMPARE(static_cast<QLabel*>(f.dialog->Control(ctl::kRenamePrompt))->text(),
             QStringLiteral("Enter a new name for <old.htm>. The title of this HTML file is "
                            "<Our Prices>"));
    QCOMPARE(f.Edit()->text(), QStringLiteral("Our Prices-2"));
    QCOMPARE(f.Edit()->selectedText(), QStringLiteral("Our Prices-2"));
    QCOMPARE(f.dialog->focusWidget(), static_cast<QWidget*>(f.Edit()));
    QCOMPARE(f.Edit()->maxLength(), 100);
    QVERIFY(static_cast<QPushButton*>(f.dialog->Control(ctl::kRenameOk))->isDefault());
  }

  void refusalsKeepTheDialogOpen_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("caption");
    const QString in_use = QString::fromUtf8(msg::kNameInUse.data());
    const QString in_use_caption = QString::fromUtf8(msg::kFilenameExistsCaption.data());
    const QString invalid = QString::fromUtf8(msg::kNameInvalid.data());
    const QString invalid_caption = QString::fromUtf8(msg::kNameInvalidCaption.data());
    QTest::newRow("taken") << "Our Prices" << in_use << in_use_caption;
    QTest::newRow("taken in other case") << "OUR PRICES-1" << in_use << in_use_caption;
    QTest::newRow("empty") << "" << invalid << invalid_caption;
    QTest::newRow("blanks only") << "   " << invalid << invalid_caption;
    QTest::newRow("slash") << "../elsewhere" << invalid << invalid_caption;
    QTest::newRow("backslash") << "a\\b" << invalid << invalid_caption;
  }
  void refusalsKeepTheDialogOpen() {
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(QString, caption);
    DialogFixture f({"Our Prices.qlm", "Our Prices-1.qlm"});
    f.Edit()->setText(typed);
    f.Ok();
    QVERIFY(f.dialog->isVisible());
    QCOMPARE(f.prompter.shown.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(f.prompter.shown[0].text), text);
    QCOMPARE(QString::fromStdString(f.prompter.shown[0].caption), caption);
    QCOMPARE(f.prompter.shown[0].flags, qlm::mb::kIconInformation);
    QCOMPARE(f.prompter.shown[0].owner, static_cast<QWidget*>(f.dialog.get()));
    QCOMPARE(f.Edit()->text(), typed);
    QCOMPARE(f.destination, f.directory / "Our Prices-2.qlm");
  }

  void escAndTheCloseBoxDoNothing() {
    DialogFixture f({"Our Prices.qlm"});
    QTest::keyClick(f.Edit(), Qt::Key_Escape);
    QVERIFY(f.dialog->isVisible());
    QVERIFY(!f.dialog->close());
    QVERIFY(f.dialog->isVisible());
  }

  void okWithAFreeNameAcceptsIt() {
    DialogFixture f({"Our Prices.qlm"});
    f.Edit()->setText(QStringLiteral("Our Prices.htm"));  // used as typed: a scratch name
    QTest::keyClick(f.Edit(), Qt::Key_Return);            // Enter gives OK
    QVERIFY(!f.dialog->isVisible());
    QCOMPARE(f.dialog->result(), RenameDialog::kAccepted);
    QCOMPARE(f.destination, f.directory / "Our Prices.htm.qlm");
    QVERIFY(f.prompter.shown.empty());
  }

  void cancelGivesOne() {
    DialogFixture f({"Our Prices.qlm"});
    QTest::mouseClick(f.dialog->Control(ctl::kRenameCancel), Qt::LeftButton);
    QVERIFY(!f.dialog->isVisible());
    QCOMPARE(f.dialog->result(), RenameDialog::kCancelled);
  }

  void theFieldHoldsAtMostAHundredCharacters() {
    DialogFixture f({"Our Prices.qlm"});
    f.Edit()->clear();
    QTest::keyClicks(f.Edit(), QString(101, QChar('n')));
    QCOMPARE(f.Edit()->text().size(), 100);
    f.Ok();
    QCOMPARE(f.dialog->result(), RenameDialog::kAccepted);
    QCOMPARE(f.destination, f.directory / (std::string(100, 'n') + ".qlm"));
  }
};

QTEST_MAIN(RenameDialogTest)
#include "rename_dialog_test.moc"
