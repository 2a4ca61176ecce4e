// What the main window of either desktop program decides, without a toolkit: the commands
// (Process Dir., Process File, Options, View Log(s), Exit/Abort, the close box, Ctrl+Z), the
// buttons around a run, and the run's view carried over to the window's thread. A toolkit
// window implements MainWindowHost (its widgets, choosers, dialogs and wake-ups) and hands
// its events here.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "common/ui.h"
#include "platform/program_directory.h"
#include "shell/app_state.h"
#include "shell/run_view_relay.h"

namespace qlm {

class Clock;
class FileSystem;
struct RunEnvironment;

class MainWindowHost {
 public:
  virtual ~MainWindowHost() = default;
  // Everything but Wake is called on the window's thread only.
  virtual void ApplyControlText(int id, std::string_view text) = 0;
  virtual void ApplyControlEnabled(int id, bool enabled) = 0;
  virtual std::string ControlText(int id) const = 0;
  virtual int AskMessageBox(std::string_view text, std::string_view caption, unsigned flags) = 0;
  virtual int AskManualRename(ManualRename& dialog) = 0;
  // The folder chooser and the open-file chooser: a path, or nullopt when cancelled.
  virtual std::optional<std::string> ChooseDirectory(const std::string& start) = 0;
  virtual std::optional<std::string> ChooseFile(const std::string& start) = 0;
  // The options dialog, run modally over `options`.
  virtual void RunOptionsDialog(OptionSet& options) = 0;
  // Opens the log copies, in their order, with the desktop's default application.
  virtual void OpenLogs(const std::vector<std::string>& copies) = 0;
  // Ends the window (and with it the program).
  virtual void EndWindow() = 0;
  // A run of `kind` has ended and its end is shown (the focus may need putting back).
  virtual void RunEnded(RunKind /*kind*/) {}
  // See RelayWindow.
  virtual void Wake() = 0;
  virtual void WakeAfter(std::chrono::milliseconds delay) = 0;
};

class MainWindowController final : private RelayWindow {
 public:
  // Every argument must outlive the controller; `environment` (where log copies go) is read
  // each time the logs are viewed. Nothing starts before Initialise.
  MainWindowController(AppState& state, FileSystem& fs, const Clock& clock, MainWindowHost& host,
                       const EnvironmentLookup& environment);
  // Asks a running directory run to abort and waits for it: the run still gives every file
  // it has moved its final name. Questions it asks meanwhile get their safe answer.
  ~MainWindowController() override;

  // Once the window is shown: View Log(s) is disabled when both log options are off, and a
  // command-line argument starts its run (a single-file run completes before this returns; a
  // directory run has its worker started).
  void Initialise();
  // A command: 2000, 2001, 2002, 2013 or 2003; anything else (Esc's cancel) is ignored.
  void Command(int id);
  // The close box: the Exit command, so an Abort while a directory run is under way.
  void Close() { Command(ctl::kExit); }
  // Ctrl+Z: while idle, offers to undo the last run.
  void OfferUndo();
  // Window's thread, for each of the host's wake-ups.
  void OnWake() { relay_.OnWake(); }

  // True from the start of a run until its end has reached the window.
  bool RunInProgress() const { return worker_alive_ || single_file_run_; }
  // The view runs are given (the window's thread may use it too).
  RunView& view() { return relay_; }

 private:
  // RelayWindow.
  void ApplyControlText(int id, std::string_view text) override;
  void ApplyControlEnabled(int id, bool enabled) override;
  int AskMessageBox(std::string_view text, std::string_view caption, unsigned flags) override;
  int AskManualRename(ManualRename& dialog) override;
  void RunFinished() override;
  void Wake() override { host_.Wake(); }
  void WakeAfter(std::chrono::milliseconds delay) override { host_.WakeAfter(delay); }

  // What a run is given: the layer, this window's view and clock, and the window's state.
  RunEnvironment Environment();
  void OnProcessDir();
  void OnProcessFile();
  void OnOptions();
  void OnViewLogs();
  void OnExit();
  // The state after a cancelled chooser: idle, with Exit enabled.
  void ChooserCancelled();

  AppState& state_;
  FileSystem& fs_;
  const Clock& clock_;
  MainWindowHost& host_;
  const EnvironmentLookup& environment_;
  RunViewRelay relay_;
  std::thread worker_;
  bool worker_alive_ = false;     // a directory run's end has not reached the window yet
  bool single_file_run_ = false;  // a single-file run is under way on this thread
  bool exit_pending_ = false;     // Exit came while a finished run was still winding down
};

}  // namespace qlm
