#include "shell/main_window_controller.h"

#include <utility>

#include "common/messages.h"
#include "common/text.h"
#include "common/ui.h"
#include "engine/processing_run.h"
#include "engine/undo.h"
#include "shell/log_viewer.h"

namespace qlm {

MainWindowController::MainWindowController(AppState& state, FileSystem& fs, const Clock& clock,
                                           MainWindowHost& host,
                                           const EnvironmentLookup& environment)
    : state_(state), fs_(fs), clock_(clock), host_(host), environment_(environment), relay_(*this) {
  state_.RunActive = false;
}

MainWindowController::~MainWindowController() {
  if (worker_.joinable()) {
    state_.ContinueEvent.Reset();
    relay_.Detach();
    worker_.join();
  }
}

void MainWindowController::Initialise() {
  const OptionSet& options = state_.settings.options;
  if (!options.WriteErrorLog && !options.WriteRenameLog) ApplyControlEnabled(ctl::kViewLogs, false);
  if (state_.mode == RunMode::SingleFile) {
    OnProcessFile();
  } else if (state_.mode == RunMode::Directory) {
    OnProcessDir();
  }
}

void MainWindowController::Command(int id) {
  switch (id) {
    case ctl::kProcessDir:
      return OnProcessDir();
    case ctl::kProcessFile:
      return OnProcessFile();
    case ctl::kOptions:
      return OnOptions();
    case ctl::kViewLogs:
      return OnViewLogs();
    case ctl::kExit:
      return OnExit();
    default:
      return;  // Esc and the rest are ignored
  }
}

RunEnvironment MainWindowController::Environment() {
  return RunEnvironment{fs_,
                        relay_,
                        clock_,
                        state_.settings.options,
                        state_.TargetPath,
                        state_.ProgramDirectory,
                        state_.settings.LastDirectory,
                        state_.ContinueEvent,
                        state_.RunActive};
}

void MainWindowController::OnProcessDir() {
  if (RunInProgress()) return;
  if (state_.mode == RunMode::Directory) {
    state_.mode = RunMode::None;  // the command line's directory is used once
  } else {
    const std::optional<std::string> chosen = host_.ChooseDirectory(state_.settings.LastDirectory);
    if (!chosen) return ChooserCancelled();
    state_.TargetPath = *chosen;
  }
  ApplyControlText(ctl::kStatusLine, msg::kInitializing);
  // The run disables these itself, but its updates arrive later: a click in between must
  // not start a second run or open the options while the run reads them.
  for (const int id : {ctl::kProcessDir, ctl::kProcessFile, ctl::kOptions, ctl::kViewLogs})
    ApplyControlEnabled(id, false);
  state_.RunActive = true;
  if (worker_.joinable()) worker_.join();  // the previous run's worker, long finished
  worker_alive_ = true;
  worker_ = std::thread([this, environment = Environment()]() mutable {
    ProcessingRun(RunKind::DirectoryRun, environment);
    relay_.PostRunFinished();
  });
}

void MainWindowController::OnProcessFile() {
  if (RunInProgress()) return;
  if (state_.mode == RunMode::SingleFile) {
    state_.mode = RunMode::None;
  } else {
    const std::optional<std::string> chosen = host_.ChooseFile(state_.settings.LastDirectory);
    if (!chosen) return ChooserCancelled();
    state_.TargetPath = *chosen;
  }
  ApplyControlEnabled(ctl::kExit, false);
  single_file_run_ = true;
  RunEnvironment environment = Environment();
  ProcessingRun(RunKind::SingleFileRun, environment);
  single_file_run_ = false;
  state_.RunActive = false;
  ApplyControlText(ctl::kStatusLine, msg::kIdle);
  host_.RunEnded(RunKind::SingleFileRun);
}

void MainWindowController::ChooserCancelled() {
  ApplyControlText(ctl::kStatusLine, msg::kIdle);
  ApplyControlEnabled(ctl::kExit, true);
}

void MainWindowController::OnOptions() {
  if (RunInProgress()) return;
  host_.RunOptionsDialog(state_.settings.options);
  const OptionSet& options = state_.settings.options;
  ApplyControlEnabled(ctl::kViewLogs, options.WriteErrorLog || options.WriteRenameLog);
}

void MainWindowController::OnViewLogs() {
  if (RunInProgress()) return;
  const OptionSet& options = state_.settings.options;
  std::vector<std::string> copies;
  const LogOpener collect = [&copies](const std::string& copy) { copies.push_back(copy); };
  if (options.WriteErrorLog) {
    ViewLog(state_.ProgramDirectory, msg::kErrorLogName, environment_, collect);
  }
  if (options.WriteRenameLog) {
    ViewLog(state_.ProgramDirectory, msg::kRenameLogName, environment_, collect);
  }
  // Handed over together, so that the viewers come up in this order.
  if (!copies.empty()) host_.OpenLogs(copies);
}

void MainWindowController::OnExit() {
  if (single_file_run_) return;  // cannot be aborted; its Exit button is disabled
  if (state_.RunActive) {
    state_.ContinueEvent.Reset();  // Abort: the run stops after the file in hand
    return;
  }
  if (worker_alive_) {
    // A click on the button while it still reads "Abort" is an Abort, though the run has
    // passed its last check (its updates reach the window a frame later): it never ends
    // the program.
    relay_.Flush();
    if (host_.ControlText(ctl::kExit) == msg::kAbort) return;
    // The run is past its last file but still writing its logs: leave when it is done
    // rather than cut it short.
    exit_pending_ = true;
    return;
  }
  SaveSettings(fs_, state_.settings);
  host_.EndWindow();
}

void MainWindowController::OfferUndo() {
  if (RunInProgress()) return;
  UndoResult run = FindRunToUndo(fs_, state_.ProgramDirectory, std::nullopt);
  if (!run.found || run.items.empty()) {
    host_.AskMessageBox(msg::kUndoNothing, msg::kUndoCaption, mb::kIconInformation);
    return;
  }
  std::string question(msg::kUndoQuestion1);
  question.append(run.directory).append(msg::kUndoQuestion2);
  question.append(IntToText(static_cast<std::int32_t>(run.items.size())))
      .append(msg::kUndoQuestion3);
  if (host_.AskMessageBox(question, msg::kUndoCaption, mb::kYesNo | mb::kIconExclamation) !=
      mb::kIdYes) {
    return;
  }
  UndoRun(fs_, clock_, state_.ProgramDirectory, run);
  if (run.busy) {
    host_.AskMessageBox(msg::kDirectoryBusyText, msg::kDirectoryBusyCaption, mb::kIconExclamation);
    return;
  }
  std::int32_t restored = 0;
  std::int32_t numbered = 0;
  for (const UndoItem& item : run.items) {
    restored += item.outcome == UndoItem::Outcome::Restored ||
                item.outcome == UndoItem::Outcome::Renumbered;
    numbered += item.outcome == UndoItem::Outcome::Renumbered;
  }
  const auto left_alone = static_cast<std::int32_t>(run.items.size()) - restored;
  std::string report(msg::kUndoDone1);
  report.append(IntToText(restored)).append(msg::kUndoDone2).append(IntToText(numbered));
  report.append(msg::kUndoDone3).append(IntToText(left_alone)).append(msg::kUndoDone4);
  host_.AskMessageBox(report, msg::kUndoCaption, mb::kIconInformation);
}

void MainWindowController::RunFinished() {
  if (worker_.joinable()) worker_.join();
  worker_alive_ = false;
  host_.RunEnded(RunKind::DirectoryRun);
  if (std::exchange(exit_pending_, false)) OnExit();
}

void MainWindowController::ApplyControlText(int id, std::string_view text) {
  host_.ApplyControlText(id, text);
}

void MainWindowController::ApplyControlEnabled(int id, bool enabled) {
  host_.ApplyControlEnabled(id, enabled);
}

int MainWindowController::AskMessageBox(std::string_view text, std::string_view caption,
                                        unsigned flags) {
  return host_.AskMessageBox(text, caption, flags);
}

int MainWindowController::AskManualRename(ManualRename& dialog) {
  return host_.AskManualRename(dialog);
}

}  // namespace qlm
