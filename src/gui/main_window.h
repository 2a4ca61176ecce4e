// The main window: starts directory runs on a worker thread and single-file runs on its own
// thread, shows their progress, aborts a directory run, opens the options and the logs, and
// saves the settings when the user exits while no run is under way.
#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/processing_run.h"
#include "gui/app_state.h"
#include "gui/qt_run_view.h"
#include "shell/log_viewer.h"

namespace qlm {
class Clock;
class FileSystem;
}  // namespace qlm

namespace qlm::gui {

class Prompter;

class MainWindow final : public QDialog, private RunWindow {
  Q_OBJECT

 public:
  // Every argument must outlive the window. The window does not start anything until
  // Initialise.
  MainWindow(AppState& state, FileSystem& fs, const Clock& clock, Prompter& prompter,
             QWidget* parent = nullptr);
  // Asks a running directory run to abort and waits for it: the run still gives every file
  // it has moved its final name. Questions it asks meanwhile get their safe answer.
  ~MainWindow() override;

  // The rest of the window's initialisation, once it is shown: View Log(s) is disabled when
  // both log options are off, and a command-line argument starts its run (a single-file run
  // completes before this returns; a directory run has its worker started).
  void Initialise();

  // The control of that id (2000 ... 2013), or nullptr.
  QWidget* Control(int id) const;
  // True from the start of a run until its end has reached the window.
  bool RunInProgress() const { return worker_alive_ || single_file_run_; }

  // Seams, set to the product's behaviour by the constructor; tests replace them.
  // The folder chooser and the file chooser: a path, or nullopt when cancelled.
  std::function<std::optional<std::string>(QWidget& owner, const std::string& start)>
      choose_directory;
  std::function<std::optional<std::string>(QWidget& owner, const std::string& start)> choose_file;
  // The options dialog, run modally over the OptionSet.
  std::function<void(QWidget& owner, OptionSet& options)> options_dialog;
  // Opens the log copies, in their order, with the desktop's default application.
  std::function<void(const std::vector<std::string>& copies)> open_logs;
  // Where the log copies go (see LogCopyDirectory).
  EnvironmentLookup environment;

 signals:
  // A directory run's worker has ended and every update it made is shown.
  void runFinished();

 protected:
  void closeEvent(QCloseEvent* event) override;  // the close box gives the Exit command
  void reject() override {}                      // Esc is ignored

 private:
  // RunWindow, for the run's view.
  void ApplyControlText(int id, const QString& text) override;
  void ApplyControlEnabled(int id, bool enabled) override;
  int AskMessageBox(std::string_view text, std::string_view caption, unsigned flags) override;
  int AskManualRename(ManualRename& dialog) override;
  void RunFinished() override;

  // The commands.
  void OnProcessDir();
  void OnProcessFile();
  void OnOptions();
  void OnViewLogs();
  void OnExit();

  RunEnvironment Environment();
  void SetStatus(std::string_view text);
  void EnableButton(int id, bool enabled);
  // The state after a cancelled chooser: idle, with Exit enabled.
  void ChooserCancelled();
  // After a run: the focus back on Process Dir. when the run's disabled buttons moved it.
  void RestoreFocus();

  AppState& state_;
  FileSystem& fs_;
  const Clock& clock_;
  Prompter& prompter_;
  std::map<int, QWidget*> controls_;
  QtRunView view_;
  std::thread worker_;
  bool worker_alive_ = false;     // a directory run's end has not reached the window yet
  bool single_file_run_ = false;  // a single-file run is under way on this thread
  bool exit_pending_ = false;     // Exit came while a finished run was still winding down
};

}  // namespace qlm::gui
