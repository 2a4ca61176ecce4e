#include "gui/gui_app.h"

#include <QApplication>
#include <QIcon>
#include <QSettings>

#include "gui/app_state.h"
#include "gui/main_window.h"
#include "gui/prompter.h"
#include "platform/clock.h"
#include "platform/posix/posix_file_system.h"
#include "platform/program_directory.h"

namespace qlm::gui {

namespace {

// Everything the process keeps: the state of start-up and the window, the real file layer
// and clock, and the prompter. Declared in the order they must be built.
class Application {
 public:
  Application(int argc, char** argv) {
    StartUp(fs_, argc, argv, ExecutablePath(), ProcessEnvironment, state_);
  }

  int Run() {
    MainWindow window(state_, fs_, clock_, prompter_);
    QObject::connect(&window, &QDialog::finished, qApp, &QCoreApplication::quit);
    window.show();
    window.Initialise();
    // The window ends only through Exit while idle; whatever the loop returns, the program
    // ends with status 0.
    QApplication::exec();
    return 0;
  }

 private:
  PosixFileSystem fs_;
  SystemClock clock_;
  AppState state_;
  Prompter prompter_;
};

}  // namespace

void KeepQtSettingsOut() {
  // A directory below /dev/null can never be made, so QSettings writes nothing and reads
  // nothing there.
  for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
    QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null/quillomat"));
}

int RunGui(int argc, char** argv) {
  QApplication application(argc, argv);  // takes its own options (-platform ...) out of argv
  KeepQtSettingsOut();
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quillomat-32.png")));
  QApplication::setApplicationName(QStringLiteral("Quillomat"));
  Application quillomat(argc, argv);
  return quillomat.Run();
}

}  // namespace qlm::gui
