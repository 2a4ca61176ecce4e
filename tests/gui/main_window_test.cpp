// The main window headless: its template, the buttons around both kinds of run, View Log(s),
// the rename dialog inside a directory run, runs started from an argument, Esc and Enter.
// Aborts are in abort_test.cpp, the keyboard in keyboard_test.cpp.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <random>

#include "common/messages.h"
#include "common/ui.h"
#include "gui/dialog_units.h"
#include "gui/main_window_layout.h"
#include "gui/rename_dialog.h"
#include "gui_fixture.h"
#include "support/temp_dir.h"

using qlm::gui::testing::WindowFixture;
namespace ctl = qlm::ctl;
namespace mb = qlm::mb;
namespace msg = qlm::msg;

namespace {

constexpr int kButtons[] = {ctl::kProcessDir, ctl::kProcessFile, ctl::kOptions, ctl::kViewLogs,
                            ctl::kExit};

// The enabled state of the five buttons as "11011" in the order of kButtons.
QString ButtonStates(const WindowFixture& f) {
  QString states;
  for (const int id : kButtons)
    states += f.Enabled(id) ? '1' : '0';
  return states;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void templateIsReproduced() {
    WindowFixture f;
    qlm::gui::MainWindow& window = f.Make();
    QCOMPARE(window.windowTitle(), QStringLiteral("Quillomat 1.01"));
    const qlm::gui::DialogUnits units(window.font());
    QCOMPARE(window.size(), QSize(units.X(321), units.Y(148)));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QVERIFY(window.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(window.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!window.windowIcon().isNull());
    QVERIFY(static_cast<QPushButton*>(window.Control(ctl::kProcessDir))->isDefault());
    // A 9-point sans font gives the familiar base units of about 6 by 15 pixels.
    QVERIFY2(units.base_x() >= 5 && units.base_x() <= 8,
             qPrintable(QString::number(units.base_x())));
    QVERIFY2(units.base_y() >= 13 && units.base_y() <= 18,
             qPrintable(QString::number(units.base_y())));

    int with_id = 0;
    for (const auto& control : qlm::gui::MainWindowTemplate()) {
      if (control.id == 0) continue;
      ++with_id;
      QWidget* widget = window.Control(control.id);
      QVERIFY2(widget != nullptr, qPrintable(QString::number(control.id)));
      QCOMPARE(widget->property("controlId").toInt(), control.id);
      QCOMPARE(widget->geometry(), units.Rect(control.x, control.y, control.width, control.height));
      QCOMPARE(f.Text(control.id), QString::fromUtf8(control.text));
    }
    QCOMPARE(with_id, 14);
    QCOMPARE(window.findChildren<QWidget*>().size() >= 25, true);
  }

  // A name or title without blanks is broken across the field's two lines, not clipped
  // after the first.
  void longNamesWithoutBlanksWrap_data() {
    QTest::addColumn<int>("id");
    QTest::newRow("File Name") << ctl::kFileName;
    QTest::newRow("HTML Title") << ctl::kTitle;
  }
  void longNamesWithoutBlanksWrap() {
    QFETCH(int, id);
    WindowFixture f;
    f.Make();
    QWidget* field = f.window->Control(id);
    static_cast<QLabel*>(field)->setText(QString(120, QLatin1Char('W')) + ".htm");
    const QImage image = field->grab().toImage();
    const auto ink_rows = [&image](int from, int to) {
      int rows = 0;
      for (int y = from; y < to; ++y) {
        for (int x = 0; x < image.width(); ++x) {
          if (qGray(image.pixel(x, y)) < 128) {
            ++rows;
            break;
          }
        }
      }
      return rows;
    };
    const int line = field->fontMetrics().height();
    QVERIFY(ink_rows(0, line) > 0);
    QVERIFY2(ink_rows(line, std::min(2 * line, image.height())) > 0, "no second line");
    QCOMPARE(static_cast<QLabel*>(field)->text(), QString(120, QLatin1Char('W')) + ".htm");
  }

  void viewLogsFollowsTheLogOptions_data() {
    QTest::addColumn<int>("error_log");
    QTest::addColumn<int>("rename_log");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("both off") << 0 << 0 << false;
    QTest::newRow("error log") << 1 << 0 << true;
    QTest::newRow("rename log") << 0 << 1 << true;
  }
  void viewLogsFollowsTheLogOptions() {
    QFETCH(int, error_log);
    QFETCH(int, rename_log);
    QFETCH(bool, enabled);
    WindowFixture f;
    f.state.settings.options.WriteErrorLog = static_cast<std::uint8_t>(error_log);
    f.state.settings.options.WriteRenameLog = static_cast<std::uint8_t>(rename_log);
    f.Make().Initialise();
    QCOMPARE(f.Enabled(ctl::kViewLogs), enabled);
    QCOMPARE(f.Text(ctl::kStatusLine), QStringLiteral("IDLE"));
  }

  void directoryRunButtonsBeforeDuringAndAfter() {
    WindowFixture f;
    f.state.settings.options.WriteErrorLog = 1;
    f.AddPage("a.htm", "Alpha");
    f.AddPage("b.htm", "Beta");
    f.AddPage("c.htm", "Gamma");
    f.Make().Initialise();
    QCOMPARE(ButtonStates(f), QStringLiteral("11111"));
    QCOMPARE(f.Text(ctl::kExit), QStringLiteral("E&xit"));

    f.fs.HoldAt("b.htm");
    f.directory_answers.push_back(f.pages.path());
    f.Click(ctl::kProcessDir);
    QCOMPARE(f.chooser_calls.size(), std::size_t{1});
    QTRY_VERIFY(f.fs.Waiting());
    QTRY_COMPARE(f.Text(ctl::kExit), QStringLiteral("Abort"));
    QTRY_COMPARE(f.Text(ctl::kFileName), QStringLiteral("b.htm"));
    QCOMPARE(ButtonStates(f), QStringLiteral("00001"));
    QVERIFY(f.Text(ctl::kStatusLine) != QStringLiteral("IDLE"));
    QVERIFY(f.state.RunActive);

    f.fs.Release();
    QVERIFY(f.WaitForRunEnd());
    QCOMPARE(ButtonStates(f), QStringLiteral("11111"));
    QCOMPARE(f.Text(ctl::kExit), QStringLiteral("Exit"));
    QCOMPARE(f.Text(ctl::kStatusLine), QStringLiteral("IDLE"));
    QCOMPARE(f.Text(ctl::kFilesProcessed), QStringLiteral("3"));
    QCOMPARE(f.Text(ctl::kUnrenamed), QStringLiteral("0"));
    QVERIFY(!f.state.RunActive);
    const auto files = f.Files();
    QVERIFY(files.count("Alpha.htm") && files.count("Beta.htm") && files.count("Gamma.htm"));
    QVERIFY(f.NothingLost());
  }

  void singleFileRunOnTheWindowsThread() {
    WindowFixture f;
    f.state.settings.options.WriteErrorLog = 1;
    f.AddPage("old.htm", "Fresh Title");
    qlm::gui::MainWindow& window = f.Make();
    window.Initialise();
    QCOMPARE(f.Enabled(ctl::kViewLogs), true);
    QString during;
    bool on_window_thread = false;
    f.fs.on_read = [&](const std::string&) {
      during = ButtonStates(f);
      on_window_thread = QThread::currentThread() == window.thread();
    };
    f.file_answers.push_back(f.pages / "old.htm");
    f.Click(ctl::kProcessFile);
    // The run is over when the click returns.
    QVERIFY(!window.RunInProgress());
    QVERIFY(on_window_thread);
    QCOMPARE(during, QStringLiteral("00000"));
    QCOMPARE(f.chooser_calls.front(), "file " + f.program.path());
    QVERIFY(f.Files().count("Fresh Title.htm"));
    // A single-file run writes no log, so View Log(s) stays disabled after it.
    QCOMPARE(ButtonStates(f), QStringLiteral("11101"));
    QCOMPARE(f.Text(ctl::kStatusLine), QStringLiteral("IDLE"));
    QCOMPARE(f.state.settings.LastDirectory, f.pages.path() + "/");

    // The next chooser opens where the file was; Exit saves that directory.
    f.Click(ctl::kProcessFile);
    QCOMPARE(f.chooser_calls.back(), "file " + f.pages.path() + "/");
    QSignalSpy finished(&window, &QDialog::finished);
    f.Click(ctl::kExit);
    QCOMPARE(finished.size(), 1);
    const std::string saved = qlm::testing::ReadFile(f.program / "Quillomat.ini");
    QVERIFY(saved.find("LastDirectory=" + f.pages.path() + "\r\n") != std::string::npos);
  }

  void cancelledChooserLeavesTheWindowIdle_data() {
    QTest::addColumn<int>("command");
    QTest::newRow("Process Dir.") << ctl::kProcessDir;
    QTest::newRow("Process File") << ctl::kProcessFile;
  }
  void cancelledChooserLeavesTheWindowIdle() {
    QFETCH(int, command);
    WindowFixture f;
    f.state.TargetPath = "/earlier/target";
    f.Make().Initialise();
    f.Click(command);
    QCOMPARE(f.chooser_calls.size(), std::size_t{1});
    QCOMPARE(f.Text(ctl::kStatusLine), QStringLiteral("IDLE"));
    QVERIFY(f.Enabled(ctl::kExit));
    QVERIFY(!f.window->RunInProgress());
    QCOMPARE(f.state.TargetPath, std::string("/earlier/target"));
  }

  void argumentStartsItsRun_data() {
    QTest::addColumn<bool>("directory");
    QTest::newRow("HTML file") << false;
    QTest::newRow("directory") << true;
  }
  void argumentStartsItsRun() {
    QFETCH(bool, directory);
    WindowFixture f;
    f.AddPage("x.htm", "From The Command Line");
    f.state.mode = directory ? qlm::RunMode::Directory : qlm::RunMode::SingleFile;
    f.state.TargetPath = directory ? f.pages.path() : f.pages / "x.htm";
    qlm::gui::MainWindow& window = f.Make();
    window.Initialise();
    // No chooser, and no event handled yet: a file's run is complete, a directory's started.
    QVERIFY(f.chooser_calls.empty());
    if (directory) {
      QVERIFY(window.RunInProgress());
      QVERIFY(f.WaitForRunEnd());
    } else {
      QVERIFY(!window.RunInProgress());
    }
    QVERIFY(f.Files().count("From The Command Line.htm"));
    QVERIFY(window.isVisible());
    QCOMPARE(f.Text(ctl::kStatusLine), QStringLiteral("IDLE"));
    // The argument is used once: the same command now shows its chooser.
    f.Click(directory ? ctl::kProcessDir : ctl::kProcessFile);
    QCOMPARE(f.chooser_calls.size(), std::size_t{1});
  }

  void escIsIgnoredAndEnterProcessesADirectory() {
    WindowFixture f;
    qlm::gui::MainWindow& window = f.Make();
    window.Initialise();
    QSignalSpy finished(&window, &QDialog::finished);
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(window.isVisible());
    QCOMPARE(finished.size(), 0);
    QVERIFY(f.chooser_calls.empty());
    QTest::keyClick(&window, Qt::Key_Return);
    QCOMPARE(f.chooser_calls.size(), std::size_t{1});
    QVERIFY(f.chooser_calls.front().rfind("dir ", 0) == 0);
  }

  // Interactive mode: the second page of a shared title brings the clash prompt and the
  // rename dialog, on the window's thread while the worker waits.
  void renameDialogInADirectoryRun() {
    WindowFixture f;
    f.state.settings.options.EnableFullAutoMode = 0;
    f.AddPage("a.htm", "Same");
    f.AddPage("b.htm", "Same");
    qlm::gui::MainWindow& window = f.Make();
    window.Initialise();
    QString proposal, selected, caption;
    bool focused = false, no_close_box = false, still_open = false;
    f.prompter.on_dialog_shown = [&](QDialog& dialog) {
      auto& rename = static_cast<qlm::gui::RenameDialog&>(dialog);
      auto* edit = static_cast<QLineEdit*>(rename.Control(ctl::kRenameEdit));
      caption = dialog.windowTitle();
      proposal = edit->text();
      selected = edit->selectedText();
      focused = dialog.focusWidget() == edit;
      no_close_box = !dialog.windowFlags().testFlag(Qt::WindowCloseButtonHint);
      for (const char* typed : {"Same", "../b"}) {
        edit->setText(QString::fromUtf8(typed));
        QTest::mouseClick(rename.Control(ctl::kRenameOk), Qt::LeftButton);
      }
      still_open = dialog.isVisible();
      edit->setText(QStringLiteral("Fresh"));
      QTest::mouseClick(rename.Control(ctl::kRenameOk), Qt::LeftButton);
    };
    f.directory_answers.push_back(f.pages.path());
    f.Click(ctl::kProcessDir);
    QVERIFY(f.WaitForRunEnd());

    QCOMPARE(caption, QStringLiteral("Rename HTML file manually"));
    QCOMPARE(proposal, QStringLiteral("Same-1"));
    QCOMPARE(selected, proposal);
    QVERIFY(focused);
    QVERIFY(no_close_box);
    QVERIFY(still_open);
    QCOMPARE(f.prompter.shown.size(), std::size_t{3});
    QVERIFY(f.prompter.shown[0].caption == msg::kFilenameExistsCaption);
    QCOMPARE(f.prompter.shown[0].owner, static_cast<QWidget*>(&window));
    QVERIFY(f.prompter.shown[1].text == msg::kNameInUse);
    QVERIFY(f.prompter.shown[1].caption == msg::kFilenameExistsCaption);
    QCOMPARE(f.prompter.shown[1].flags, mb::kIconInformation);
    QVERIFY(f.prompter.shown[2].text == msg::kNameInvalid);
    QVERIFY(f.prompter.shown[2].caption == msg::kNameInvalidCaption);
    QVERIFY(f.prompter.shown[1].owner != &window);
    QCOMPARE(f.Text(ctl::kUserRenamed), QStringLiteral("1"));
    const auto files = f.Files();
    QCOMPARE(files.at("Same.htm"), f.originals.at("a.htm"));
    QCOMPARE(files.at("Fresh.htm"), f.originals.at("b.htm"));
  }

  void viewLogsOpensEachLogErrorLogFirst() {
    WindowFixture f;
    f.state.settings.options.WriteErrorLog = 1;
    f.state.settings.options.WriteRenameLog = 1;
    f.AddPage("a.htm", "Logged");
    f.Make().Initialise();
    f.Click(ctl::kViewLogs);  // no run has written a log yet: nothing opens
    QVERIFY(f.opened_logs.empty());

    f.directory_answers.push_back(f.pages.path());
    f.Click(ctl::kProcessDir);
    QVERIFY(f.WaitForRunEnd());
    QVERIFY(f.Enabled(ctl::kViewLogs));
    f.Click(ctl::kViewLogs);
    const std::string copies = f.runtime / "quillomat";
    QCOMPARE(f.opened_logs,
             (std::vector<std::string>{copies + "/QLM-ErrorLog.txt", copies + "/QLM-RenLog.txt"}));
    QCOMPARE(qlm::testing::ReadFile(copies + "/QLM-RenLog.txt"),
             qlm::testing::ReadFile(f.program / "QLM-RenLog.txt"));

    // A log whose option is off is never viewed, though its file exists.
    f.opened_logs.clear();
    f.state.settings.options.WriteErrorLog = 0;
    f.Click(ctl::kViewLogs);
    QCOMPARE(f.opened_logs, std::vector<std::string>{copies + "/QLM-RenLog.txt"});
  }

  void optionsHookBringsViewLogsIntoLine() {
    WindowFixture f;
    qlm::gui::MainWindow& window = f.Make();
    window.Initialise();
    QVERIFY(!f.Enabled(ctl::kViewLogs));
    window.options_dialog = [](QWidget&, qlm::OptionSet& options) { options.WriteRenameLog = 1; };
    f.Click(ctl::kOptions);
    QVERIFY(f.Enabled(ctl::kViewLogs));
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
