// Ctrl+Z in the idle main window offers to undo the last run and does it.
#include <QTest>

#include "common/messages.h"
#include "common/ui.h"
#include "gui_fixture.h"

using qlm::gui::testing::WindowFixture;
namespace ctl = qlm::ctl;
namespace mb = qlm::mb;
namespace msg = qlm::msg;

class UndoShortcutTest : public QObject {
  Q_OBJECT

 private slots:
  void ctrlZUndoesTheLastRunAfterAsking() {
    WindowFixture f;
    f.state.settings.options.BackupRenamedFiles = 0;
    f.AddPage("a.htm", "Alpha");
    f.AddPage("b.htm", "Alpha");
    f.Make().Initialise();
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    const auto before = f.Files();
    f.directory_answers.push_back(f.pages.path());
    f.Click(ctl::kProcessDir);
    QVERIFY(f.WaitForRunEnd());
    QVERIFY(f.Files() != before);

    f.prompter.answers = {mb::kIdNo};  // first time: the user declines
    QTest::keySequence(f.window.get(), QKeySequence::Undo);
    QCOMPARE(f.prompter.shown.size(), std::size_t{1});
    const std::string question = f.prompter.shown.back().text;
    QVERIFY(question.find(f.pages.path() + "/") != std::string::npos);
    QVERIFY(question.find("Its 2 renamed files") != std::string::npos);
    QCOMPARE(f.prompter.shown.back().flags, mb::kYesNo | mb::kIconExclamation);
    QVERIFY(f.Files() != before);

    f.prompter.answers = {mb::kIdYes};
    QTest::keySequence(f.window.get(), QKeySequence::Undo);
    QCOMPARE(f.Files(), before);
    QCOMPARE(f.prompter.shown.back().caption, std::string(msg::kUndoCaption));
    QVERIFY(f.prompter.shown.back().text.find("Names put back: 2 (0 of them") == 0);
  }

  void ctrlZWithoutARunSaysSo() {
    WindowFixture f;
    f.Make().Initialise();
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    QTest::keySequence(f.window.get(), QKeySequence::Undo);
    QCOMPARE(f.prompter.shown.size(), std::size_t{1});
    QCOMPARE(f.prompter.shown.back().text, std::string(msg::kUndoNothing));
  }
};

QTEST_MAIN(UndoShortcutTest)
#include "undo_test.moc"
