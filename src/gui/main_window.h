// The main window: starts directory runs on a worker thread and single-file runs on its own
// thread, shows their progress, aborts a directory run, opens the options and the logs, and
// saves the settings when the user exits while no run is under way.
#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/app_state.h"
#include "shell/log_viewer.h"
#include "shell/main_window_controller.h"

namespace qlm {
class Clock;
class FileSystem;
}  // namespace qlm

namespace qlm::gui {

class Prompter;

// The commands and the buttons around a run are MainWindowController's, shared with the
// Windows program; this keeps the widgets and carries the controller's wake-ups over as Qt
// events and a timer.
class MainWindow final : public QDialog, private MainWindowHost {
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
  bool RunInProgress() const { return controller_->RunInProgress(); }

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
  bool event(QEvent* event) override;            // the controller's wake-ups

 private:
  // MainWindowHost.
  void ApplyControlText(int id, std::string_view text) override;
  void ApplyControlEnabled(int id, bool enabled) override;
  std::string ControlText(int id) const override;
  int AskMessageBox(std::string_view text, std::string_view caption, unsigned flags) override;
  int AskManualRename(ManualRename& dialog) override;
  std::optional<std::string> ChooseDirectory(const std::string& start) override;
  std::optional<std::string> ChooseFile(const std::string& start) override;
  void RunOptionsDialog(OptionSet& options) override;
  void OpenLogs(const std::vector<std::string>& copies) override;
  void EndWindow() override;
  void RunEnded(RunKind kind) override;
  void Wake() override;
  void WakeAfter(std::chrono::milliseconds delay) override;

  // After a run: the focus back on Process Dir. when the run's disabled buttons moved it.
  void RestoreFocus();

  Prompter& prompter_;
  std::map<int, QWidget*> controls_;
  QTimer wake_timer_;  // a flush held back to the next frame
  std::unique_ptr<MainWindowController> controller_;
};

}  // namespace qlm::gui
