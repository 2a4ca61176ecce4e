// Start-up of the desktop program and the file chooser's rules.
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include "gui/app_state.h"
#include "gui/choosers.h"
#include "platform/posix/posix_file_system.h"
#include "support/temp_dir.h"

using qlm::testing::TempDir;
using qlm::testing::WriteFile;

class StartUpTest : public QObject {
  Q_OBJECT

 private slots:
  void argumentChoosesTheRun_data() {
    QTest::addColumn<QString>("argument");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("target");
    QTest::newRow("none") << QString() << 0 << QString();
    QTest::newRow("directory") << "pages/" << 2 << "pages";
    QTest::newRow("HTML file") << "pages/a.HTM" << 1 << "pages/a.HTM";
    QTest::newRow("other file") << "pages/notes.txt" << 0 << "pages/notes.txt";
    QTest::newRow("missing") << "pages/none.htm" << 0 << "pages/none.htm";
  }
  void argumentChoosesTheRun() {
    QFETCH(QString, argument);
    QFETCH(int, mode);
    QFETCH(QString, target);
    TempDir root;
    mkdir((root / "pages").c_str(), 0755);
    WriteFile(root / "pages/a.HTM", "<title>x</title>");
    WriteFile(root / "pages/notes.txt", "x");
    WriteFile(root / "Quillomat.ini", "[Options]\r\nWriteErrorLog=1\r\n");
    const std::string word = argument.isEmpty() ? "" : root / argument.toStdString();
    std::vector<const char*> argv{"quillomat"};
    if (!word.empty()) argv.push_back(word.c_str());

    qlm::PosixFileSystem fs;
    qlm::gui::AppState state;
    qlm::gui::StartUp(
        fs, static_cast<int>(argv.size()), argv.data(), root / "quillomat",
        [](const std::string&) { return std::nullopt; }, state);
    QCOMPARE(static_cast<int>(state.mode), mode);
    if (!target.isEmpty()) QCOMPARE(state.TargetPath, root / target.toStdString());
    // The executable's directory is writable: settings and logs live there.
    QCOMPARE(state.ProgramDirectory, root.path() + "/");
    QCOMPARE(state.settings.options.WriteErrorLog, std::uint8_t{1});
  }

  void relativeArgumentBecomesAbsolute() {
    // The run's directory goes into LastDirectory and the journal: never relative to wherever
    // the program happened to start.
    TempDir root;
    mkdir((root / "pages").c_str(), 0755);
    char previous[4096];
    QVERIFY(getcwd(previous, sizeof previous) != nullptr);
    QCOMPARE(chdir(root.path().c_str()), 0);
    std::vector<const char*> argv{"quillomat", "pages/../pages/"};
    qlm::PosixFileSystem fs;
    qlm::gui::AppState state;
    qlm::gui::StartUp(
        fs, static_cast<int>(argv.size()), argv.data(), root / "quillomat",
        [](const std::string&) { return std::nullopt; }, state);
    QCOMPARE(chdir(previous), 0);
    QCOMPARE(static_cast<int>(state.mode), 2);
    QCOMPARE(state.TargetPath, root / "pages");
  }

  void fileChooserAcceptsOnlyWritableHtmlFiles_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("lower case") << "a.htm" << true;
    QTest::newRow("mixed case html") << "b.HtMl" << true;
    QTest::newRow("upper case") << "c.HTM" << true;
    QTest::newRow("text file") << "d.txt" << false;
    QTest::newRow("htmx") << "e.htmx" << false;
    QTest::newRow("directory named like a page") << "f.htm" << false;
    QTest::newRow("missing") << "g.htm" << false;
  }
  void fileChooserAcceptsOnlyWritableHtmlFiles() {
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    TempDir dir;
    for (const char* file : {"a.htm", "b.HtMl", "c.HTM", "d.txt", "e.htmx"})
      WriteFile(dir / file, "x");
    mkdir((dir / "f.htm").c_str(), 0755);
    const QString path = QString::fromStdString(dir / name.toStdString());
    QCOMPARE(qlm::gui::HtmlFileProblem(path).isEmpty(), accepted);
  }

  void fileChooserShowsTheDesignedFilterAndMatchesAnyCase() {
    const QString filter = qlm::gui::HtmlNameFilter();
    // The chooser hides the last parenthesised part: what remains is the designed text.
    const int details = filter.lastIndexOf(" (");
    QCOMPARE(filter.left(details), QStringLiteral("HTML Documents (*.htm,*.html)"));
    const QStringList patterns = filter.mid(details + 2).chopped(1).split(' ', Qt::SkipEmptyParts);
    const auto matches = [&](const QString& name) {
      for (const QString& pattern : patterns) {
        if (QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern))
                .match(name)
                .hasMatch()) {
          return true;
        }
      }
      return false;
    };
    for (const char* name : {"a.htm", "b.HTML", "c.Htm", "d.hTmL"})
      QVERIFY2(matches(QString::fromUtf8(name)), name);
    for (const char* name : {"a.txt", "b.htmx", "c.ht"})
      QVERIFY2(!matches(QString::fromUtf8(name)), name);
  }
};

QTEST_MAIN(StartUpTest)
#include "startup_test.moc"
