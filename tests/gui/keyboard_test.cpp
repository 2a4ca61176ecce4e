// The main window from the keyboard, with real key events to whatever has the focus: Enter
// gives Process Dir. while idle, before and after runs of both kinds, and never aborts or
// ends anything; Esc does nothing.
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include "common/ui.h"
#include "gui_fixture.h"

using qlm::gui::testing::WindowFixture;
namespace ctl = qlm::ctl;

namespace {

// Presses `key` where a person's key press would land: the focused widget of the window.
void Press(qlm::gui::MainWindow& window, Qt::Key key) {
  QWidget* target = QApplication::focusWidget();
  if (target == nullptr || target->window() != &window) target = &window;
  QTest::keyClick(target, key);
}

bool StartedProcessDir(const WindowFixture& f, std::size_t calls) {
  return f.chooser_calls.size() == calls && f.chooser_calls.back().rfind("dir ", 0) == 0;
}

}  // namespace

class KeyboardTest : public QObject {
  Q_OBJECT

 private slots:
  void enterAfterARunProcessesADirectory_data() {
    QTest::addColumn<bool>("directory_run");
    QTest::addColumn<int>("focus");
    QTest::newRow("directory run, focus left alone") << true << 0;
    QTest::newRow("single-file run, focus left alone") << false << 0;
    QTest::newRow("directory run, focus on Exit") << true << ctl::kExit;
    QTest::newRow("idle, focus on Options") << false << ctl::kOptions;
  }
  void enterAfterARunProcessesADirectory() {
    QFETCH(bool, directory_run);
    QFETCH(int, focus);
    WindowFixture f;
    f.AddPage("a.htm", "Short");
    qlm::gui::MainWindow& window = f.Make();
    window.Initialise();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QSignalSpy finished(&window, &QDialog::finished);
    if (focus != ctl::kOptions) {
      if (directory_run) {
        f.directory_answers.push_back(f.pages.path());
        Press(window, Qt::Key_Return);  // Process Dir. has the focus at start
        QVERIFY(f.WaitForRunEnd());
      } else {
        f.file_answers.push_back(f.pages / "a.htm");
        f.Click(ctl::kProcessFile);
      }
      QVERIFY(f.Files().count("Short.htm"));
    }
    if (focus != 0) window.Control(focus)->setFocus();
    const std::size_t calls = f.chooser_calls.size();
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
      Press(window, key);
      QVERIFY2(StartedProcessDir(f, calls + (key == Qt::Key_Return ? 1 : 2)),
               qPrintable(QString::number(f.chooser_calls.size())));
    }
    Press(window, Qt::Key_Escape);
    QCOMPARE(finished.size(), 0);
    QVERIFY(window.isVisible());
  }

  // While a directory run is active Enter neither aborts it (the focus may be on Abort) nor
  // starts anything.
  void enterDuringARunAbortsNothing_data() {
    QTest::addColumn<bool>("focus_on_abort");
    QTest::newRow("focus where the run left it") << false;
    QTest::newRow("focus on Abort") << true;
  }
  void enterDuringARunAbortsNothing() {
    QFETCH(bool, focus_on_abort);
    WindowFixture f;
    for (const char* name : {"p1.htm", "p2.htm", "p3.htm"})
      f.AddPage(name, std::string("Page ") + name);
    qlm::gui::MainWindow& window = f.Make();
    window.Initialise();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    f.fs.HoldAt("p2.htm");
    f.directory_answers.push_back(f.pages.path());
    Press(window, Qt::Key_Return);
    QTRY_VERIFY(f.fs.Waiting());
    QTRY_COMPARE(f.Text(ctl::kExit), QStringLiteral("Abort"));
    if (focus_on_abort) window.Control(ctl::kExit)->setFocus();
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
      Press(window, key);
    QVERIFY(f.state.ContinueEvent.IsSet());
    f.fs.Release();
    QVERIFY(f.WaitForRunEnd());
    QCOMPARE(f.Text(ctl::kFilesProcessed), QStringLiteral("3"));
    QCOMPARE(f.chooser_calls.size(), std::size_t{1});
    QVERIFY(window.isVisible());
  }
};

QTEST_MAIN(KeyboardTest)
#include "keyboard_test.moc"
