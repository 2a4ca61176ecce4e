// Drives the real main window without a person, for the benchmark and the screenshots.
//
//   quillomat-gui-harness bench DIR CONFIG_DIR
//     A directory run over DIR with the settings in CONFIG_DIR, started as a command-line
//     directory is; ends when the window reads "IDLE" again. Prints the run's wall time and
//     the longest gap between two ticks of a 5 ms timer on the window's event loop.
//   quillomat-gui-harness shots OUT_DIR
//     Shows the main window in the middle of a run, the manual rename dialog and the options
//     dialog, and saves each (with its frame, when a window manager draws one) as a PNG in
//     OUT_DIR.
#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "common/ui.h"
#include "engine/manual_rename.h"
#include "gui/main_window.h"
#include "gui/options_dialog.h"
#include "gui/prompter.h"
#include "gui/rename_dialog.h"
#include "gui_fixture.h"
#include "support/temp_dir.h"

namespace {

using qlm::gui::testing::WindowFixture;

int Bench(const char* directory, const char* config) {
  qlm::PosixFileSystem fs;
  qlm::SystemClock clock;
  qlm::gui::AppState state;
  state.settings = qlm::LoadSettings(fs, config);
  state.ProgramDirectory = std::string(config) + "/";
  state.TargetPath = directory;
  state.mode = qlm::RunMode::Directory;
  qlm::gui::Prompter prompter;
  prompter.scripted = true;  // a question would otherwise wait for a person
  qlm::gui::MainWindow window(state, fs, clock, prompter);
  window.show();

  QElapsedTimer since_tick;
  qint64 longest_gap = 0;
  QTimer ticks;
  ticks.setTimerType(Qt::PreciseTimer);
  QObject::connect(&ticks, &QTimer::timeout,
                   [&] { longest_gap = std::max(longest_gap, since_tick.restart()); });
  QElapsedTimer run_time;
  QObject::connect(&window, &qlm::gui::MainWindow::runFinished, [&] {
    const auto* status = window.Control(qlm::ctl::kStatusLine);
    std::fprintf(stderr, "run_ms=%lld longest_tick_gap_ms=%lld status=%s questions=%zu\n",
                 static_cast<long long>(run_time.elapsed()), static_cast<long long>(longest_gap),
                 qPrintable(status->property("text").toString()), prompter.shown.size());
    QCoreApplication::quit();
  });
  QTimer::singleShot(0, [&] {
    since_tick.start();
    ticks.start(5);
    run_time.start();
    window.Initialise();
  });
  QApplication::exec();
  return 0;
}

// The widget's picture with the frame the window manager drew around it, if any.
QPixmap Picture(QWidget& widget) {
  QTest::qWait(300);  // let the window manager map and decorate it
  const QRect frame = widget.frameGeometry();
  if (QScreen* screen = widget.screen(); screen && frame != widget.geometry()) {
    return screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  }
  return widget.grab();
}

int Shots(const QString& out) {
  WindowFixture f;
  f.AddPage("index.htm", "Welcome to the Harbor Museum");
  f.AddPage("p0017.htm", "Summer Concerts &amp; Events 2024");
  f.AddPage("p0018.htm", "Opening Hours");
  f.state.settings.options.WriteErrorLog = 1;
  f.prompter.scripted = true;
  qlm::gui::MainWindow& window = f.Make();
  window.Initialise();
  f.fs.HoldAt("p0018.htm");
  f.directory_answers.push_back(f.pages.path());
  f.Click(qlm::ctl::kProcessDir);
  while (!f.fs.Waiting() || f.Text(qlm::ctl::kExit) != "Abort")
    QTest::qWait(10);
  QTest::qWait(50);
  const bool main_saved = Picture(window).save(out + "/main-window.png");
  f.fs.Release();
  f.WaitForRunEnd();

  qlm::testing::TempDir directory;
  qlm::testing::WriteFile(directory / "Our Prices.qlm", "x");
  std::string destination = directory / "Our Prices.qlm";
  qlm::ManualRename logic(f.disk, qlm::RunKind::DirectoryRun, "prices.htm", "Our Prices",
                          directory.path() + "/", true, destination);
  qlm::gui::RenameDialog dialog(logic, f.prompter, &window);
  dialog.show();
  const bool dialog_saved = Picture(dialog).save(out + "/rename-dialog.png");
  dialog.hide();

  qlm::OptionSet options = f.state.settings.options;
  options.BackupRenamedFiles = 0;  // shows the backup sub-options greyed
  qlm::gui::OptionsDialog options_dialog(
      options, [](int) {}, &window);
  options_dialog.show();
  if (!QTest::qWaitForWindowExposed(&options_dialog)) return 1;
  QTest::qWait(700);  // the window manager decorates it after it is exposed
  const bool options_saved = Picture(options_dialog).save(out + "/options-dialog.png");
  return main_saved && dialog_saved && options_saved ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc == 4 && std::strcmp(argv[1], "bench") == 0) return Bench(argv[2], argv[3]);
  if (argc == 3 && std::strcmp(argv[1], "shots") == 0)
    return Shots(QString::fromLocal8Bit(argv[2]));
  std::fprintf(stderr, "usage: %s bench DIR CONFIG_DIR | shots OUT_DIR\n", argv[0]);
  return 2;
}
