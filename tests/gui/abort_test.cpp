// Aborting directory runs from the main window: the Abort button and the close box, at
// random points of a run, at the moment a run ends, and by destroying the window. Every
// document must keep a reachable name and the window must stay open.
#include <QSignalSpy>
#include <QTest>
#include <random>

#include "common/ui.h"
#include "gui_fixture.h"
#include "support/temp_dir.h"

using qlm::gui::testing::WindowFixture;
namespace ctl = qlm::ctl;

class AbortTest : public QObject {
  Q_OBJECT

 private slots:
  void abortMidRun_data() {
    QTest::addColumn<bool>("close_box");
    QTest::newRow("Abort button") << false;
    QTest::newRow("close box") << true;
  }
  void abortMidRun() {
    QFETCH(bool, close_box);
    WindowFixture f;
    for (const char* number : {"1", "2", "3", "4", "5"})
      f.AddPage(std::string("p") + number + ".htm", std::string("Page ") + number);
    qlm::gui::MainWindow& window = f.Make();
    window.Initialise();
    QSignalSpy finished(&window, &QDialog::finished);
    f.fs.HoldAt("p2.htm");
    f.directory_answers.push_back(f.pages.path());
    f.Click(ctl::kProcessDir);
    QTRY_VERIFY(f.fs.Waiting());
    if (close_box) {
      QVERIFY(!window.close());
    } else {
      f.Click(ctl::kExit);
    }
    QVERIFY(window.isVisible());
    f.fs.Release();
    QVERIFY(f.WaitForRunEnd());
    // The run stops after the file in hand; every document keeps a reachable name.
    QCOMPARE(f.Text(ctl::kFilesProcessed), QStringLiteral("2"));
    QVERIFY(f.NothingLost());
    const auto files = f.Files();
    QVERIFY(files.count("Page 1.htm") && files.count("Page 2.htm") && files.count("p3.htm"));
    QVERIFY(window.isVisible());
    QCOMPARE(finished.size(), 0);
    QCOMPARE(f.Text(ctl::kExit), QStringLiteral("Exit"));

    // Idle again: now the same gesture ends the program and saves the settings.
    if (close_box) {
      window.close();
    } else {
      f.Click(ctl::kExit);
    }
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toInt(), 0);
    QVERIFY(!qlm::testing::ReadFile(f.program / "Quillomat.ini").empty());
  }

  // Abort at random points of directory runs: every document must keep a reachable name.
  // The run is held at a randomly chosen file, so the Abort always lands while it is active
  // (a wait of random length let short runs end first, and Exit then ended the program).
  // Under ThreadSanitizer this is also the race check of the worker and the window.
  void randomAbortsLoseNothing() {
    std::mt19937 random(20240517);
    for (int round = 0; round < 6; ++round) {
      WindowFixture f;
      for (int i = 0; i < 200; ++i) {
        f.AddPage("page" + std::to_string(i) + ".htm", "Title " + std::to_string(i % 7));
      }
      qlm::gui::MainWindow& window = f.Make();
      window.Initialise();
      f.fs.HoldAt("page" + std::to_string(random() % 200) + ".htm");
      f.directory_answers.push_back(f.pages.path());
      f.Click(ctl::kProcessDir);
      QTRY_VERIFY(f.fs.Waiting());
      QTRY_COMPARE(f.Text(ctl::kExit), QStringLiteral("Abort"));
      f.Click(ctl::kExit);
      f.fs.Release();
      QVERIFY(f.WaitForRunEnd());
      QVERIFY2(f.NothingLost(), qPrintable(QString::number(round)));
      QVERIFY(window.isVisible());
      QCOMPARE(f.Text(ctl::kExit), QStringLiteral("Exit"));
    }
  }

  // The run has passed its last check (RunActive is clear) while the button still reads
  // Abort: a click there stops nothing more and must not end the program either.
  void abortClickedAsTheRunEndsKeepsTheWindow() {
    WindowFixture f;
    for (const char* name : {"a.htm", "b.htm", "c.htm"})
      f.AddPage(name, std::string("Title ") + name);
    qlm::gui::MainWindow& window = f.Make();
    window.Initialise();
    QSignalSpy finished(&window, &QDialog::finished);
    f.fs.HoldAt("b.htm");
    f.directory_answers.push_back(f.pages.path());
    f.Click(ctl::kProcessDir);
    QTRY_VERIFY(f.fs.Waiting());
    QTRY_COMPARE(f.Text(ctl::kExit), QStringLiteral("Abort"));
    f.state.RunActive = false;  // where the run stands after its last check
    f.Click(ctl::kExit);
    f.fs.Release();
    QVERIFY(f.WaitForRunEnd());
    QCOMPARE(f.Text(ctl::kFilesProcessed), QStringLiteral("3"));
    QVERIFY(window.isVisible());
    QCOMPARE(finished.size(), 0);
    QVERIFY(f.NothingLost());
  }

  // Destroying the window mid-run waits for the run, which still names every file.
  void destroyingTheWindowMidRunLosesNothing() {
    WindowFixture f;
    f.state.settings.options.EnableFullAutoMode = 0;
    f.AddPage("a.htm", "Twice");
    f.AddPage("b.htm", "Twice");
    f.AddPage("c.htm", "Other");
    f.Make().Initialise();
    f.fs.HoldAt("b.htm");
    f.directory_answers.push_back(f.pages.path());
    f.Click(ctl::kProcessDir);
    QTRY_VERIFY(f.fs.Waiting());
    f.fs.Release();
    f.window.reset();  // the clash question of b.htm is answered No without the window
    QVERIFY(f.NothingLost());
  }
};

QTEST_MAIN(AbortTest)
#include "abort_test.moc"
