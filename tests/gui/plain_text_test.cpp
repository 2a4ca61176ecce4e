// Message boxes of the desktop program show file names and titles as they stand, never as
// markup, and Qt's file dialog leaves no QtProject.conf in the user's configuration.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

#include "common/ui.h"
#include "gui/choosers.h"
#include "gui/gui_app.h"
#include "gui/prompter.h"
#include "support/temp_dir.h"

using qlm::testing::TempDir;
using qlm::testing::WriteFile;

namespace {

constexpr const char* kHostile = "<h1><font color=red>SYSTEM ALERT</font></h1> &amp; <b>x</b>";

// Runs `inspect` on the next modal widget of type T once it is up.
template <typename T>
void WhenShown(std::function<void(T&)> inspect) {
  QTimer::singleShot(0, qApp, [inspect] {
    if (auto* widget = qobject_cast<T*>(QApplication::activeModalWidget())) {
      inspect(*widget);
    } else {
      WhenShown<T>(inspect);  // not up yet
    }
  });
}

struct ShownBox {
  bool seen = false;
  Qt::TextFormat format = Qt::AutoText;
  QString caption, text;
  void Take(QMessageBox& box) {
    seen = true;
    format = box.textFormat();
    caption = box.windowTitle();
    text = box.text();
    box.button(QMessageBox::Ok)->click();
  }
};

}  // namespace

class PlainTextTest : public QObject {
  Q_OBJECT

  TempDir config_;

 private slots:
  void initTestCase() {
    // Where Qt would put QtProject.conf, before any settings are read.
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config_.path()));
    qlm::gui::KeepQtSettingsOut();
  }

  void prompterBoxesArePlainText() {
    qlm::gui::Prompter prompter;
    ShownBox shown;
    WhenShown<QMessageBox>([&shown](QMessageBox& box) { shown.Take(box); });
    const std::string caption = std::string("<i>") + kHostile;
    QCOMPARE(prompter.MessageBox(nullptr, kHostile, caption, qlm::mb::kIconExclamation),
             qlm::mb::kIdOk);
    QVERIFY(shown.seen);
    QCOMPARE(shown.format, Qt::PlainText);
    QCOMPARE(shown.text, QString::fromUtf8(kHostile));
    QCOMPARE(shown.caption, QString::fromStdString(caption));
  }

  // The file chooser refuses a file that is not an HTML document, naming it in a box of its
  // own under a short caption.
  void choosersRefusalIsPlainTextUnderAShortCaption() {
    TempDir pages;
    const std::string name = std::string(kHostile) + ".txt";
    WriteFile(pages / name, "not a page");
    ShownBox refusal;
    bool chooser_seen = false;
    WhenShown<QFileDialog>([&](QFileDialog& dialog) {
      chooser_seen = true;
      dialog.selectFile(QString::fromStdString(name));
      WhenShown<QMessageBox>([&refusal, &dialog](QMessageBox& box) {
        refusal.Take(box);
        QTimer::singleShot(0, &dialog, &QDialog::reject);
      });
      QMetaObject::invokeMethod(&dialog, "accept");
    });
    QWidget owner;
    QCOMPARE(qlm::gui::ChooseHtmlFile(owner, pages.path()), std::nullopt);
    QVERIFY(chooser_seen);
    QVERIFY(refusal.seen);
    QCOMPARE(refusal.format, Qt::PlainText);
    QVERIFY2(refusal.text.startsWith(QString::fromStdString(pages / name)),
             qPrintable(refusal.text));
    QCOMPARE(refusal.caption, QStringLiteral("Quillomat"));
  }

  // Both choosers have been shown and closed by now.
  void qtWritesNoSettingsOfItsOwn() {
    QWidget owner;
    WhenShown<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
    QCOMPARE(qlm::gui::ChooseDirectory(owner, config_.path()), std::nullopt);
    const QStringList left = QDir(QString::fromStdString(config_.path()))
                                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    QVERIFY2(left.isEmpty(), qPrintable(left.join(", ")));
  }
};

QTEST_MAIN(PlainTextTest)
#include "plain_text_test.moc"
