// The frame of a run: start, the directory checks, the walk over the directory's HTML files,
// the abort protocol, and every way out.
#include "engine/run.h"

#include <chrono>
#include <memory>

#include "common/messages.h"
#include "common/text.h"
#include "common/ui.h"
#include "engine/read_ahead.h"
#include "engine/run_view.h"
#include "platform/event.h"
#include "platform/file_system.h"
#include "platform/path.h"

namespace qlm {

namespace {
constexpr std::size_t kLongPathWarning = 180;  // bytes of RunDirectory, separator included
constexpr std::chrono::milliseconds kAbortPoll{50};
}  // namespace

RunResult ProcessingRun(RunKind kind, RunEnvironment& environment) {
  return Run(kind, environment).Execute();
}

Run::Run(RunKind kind, RunEnvironment& environment)
    : kind_(kind),
      env_(environment),
      RunOptions(environment.options),
      logs_(environment.fs, environment.clock, environment.ProgramDirectory, RunOptions) {}

RunResult Run::Execute() {
  RunEnd end = RunEnd::EndedEarly;
  Start();
  if (PassesChecks()) {
    if (!directory_run()) {
      ProcessFile();
      end = RunEnd::Completed;
    } else if (RunFirstStage()) {
      logs_.LogRunEnd(aborted_, statistics_);
      RenameBack();
      logs_.LogSummary(statistics_);
      end = aborted_ ? RunEnd::Aborted : RunEnd::Completed;
    }
  }
  End();
  return RunResult{statistics_, end};
}

void Run::Start() {
  RunView& view = env_.view;
  view.EnableControl(ctl::kOptions, false);
  view.EnableControl(ctl::kViewLogs, false);
  view.EnableControl(ctl::kProcessFile, false);
  view.EnableControl(ctl::kProcessDir, false);
  statistics_ = RunStatistics{};
  if (full_auto()) {
    DuplicateFound = false;
  } else {
    ShowCount(ctl::kUserRenamed, statistics_.UserRenamed);
  }

  if (!directory_run()) {
    RunOptions.EnableFullAutoMode = 0;
    RunOptions.BackupRenamedFiles = 0;
    RunOptions.WriteErrorLog = 0;
    RunOptions.WriteRenameLog = 0;
    RunDirectory = DirectoryPart(env_.TargetPath);
    if (RunDirectory.empty()) RunDirectory = path::WithSeparator(".");
    CurrentName = FileNamePart(env_.TargetPath);
    env_.LastDirectory = RunDirectory;
  } else {
    // An Abort pressed after the previous run's last poll must not cut this run short.
    env_.ContinueEvent.Set();
    RunDirectory = env_.TargetPath;
    AppendChar(RunDirectory, path::Separator());
    logs_.BeginErrorLog(RunDirectory);
  }
  FileInfo directory;
  env_.fs.GetInfo(RunDirectory, directory);
  journal_ = std::make_unique<RunJournal>(
      env_.fs, env_.clock, env_.ProgramDirectory, directory_run() ? "dir" : "file", RunDirectory,
      directory.inode, std::string(FinalExtension()), std::vector<std::int64_t>{}, env_.tree);
}

bool Run::PassesChecks() {
  RunView& view = env_.view;
  // Two runs on one directory never overlap: the second ends before it touches anything.
  if (env_.fs.LockDirectory(RunDirectory, directory_lock_) == FsError::SharingViolation) {
    view.ShowMessageBox(msg::kDirectoryBusyText, msg::kDirectoryBusyCaption, mb::kIconExclamation);
    logs_.LogCheckResult(Severity::Error, msg::kDirectoryBusyText);
    return false;
  }
  if (env_.fs.GetDriveKind(RunDirectory) == DriveKind::CdRom) {
    view.ShowMessageBox(msg::kCdRomText, msg::kCdRomCaption, mb::kIconExclamation);
    logs_.LogCheckResult(Severity::Error, msg::kCdRomText);
    return false;
  }
  if (env_.fs.ProbeWritable(RunDirectory) == FsError::WriteProtect) {
    view.ShowMessageBox(msg::kReadOnlyText, msg::kReadOnlyCaption, mb::kIconExclamation);
    logs_.LogCheckResult(Severity::Error, msg::kReadOnlyText);
    return false;
  }
  if (RunDirectory.size() > kLongPathWarning) {
    const int answer = view.ShowMessageBox(msg::kPathTooLongText, msg::kPathTooLongCaption,
                                           mb::kYesNo | mb::kIconExclamation);
    logs_.LogCheckResult(Severity::Warning, msg::kPathTooLongWarning);
    if (answer == mb::kIdNo) return false;
  }
  return true;
}

bool Run::RunFirstStage() {
  RenameScratchFiles(/*leftovers=*/true);

  std::unique_ptr<DirectorySearch> search;
  std::string name;
  if (env_.fs.OpenSearch(RunDirectory, SearchKind::Html, search) != FsError::Ok ||
      !search->Next(name)) {
    env_.view.ShowMessageBox(msg::kNoFilesText, msg::kNoFilesCaption, mb::kIconInformation);
    SetStatus(msg::kIdle);
    logs_.LogCheckResult(Severity::Error, msg::kNoFilesText);
    return false;
  }
  logs_.BeginRenameLog(RunDirectory);
  CurrentName = name;
  if (RunOptions.BackupRenamedFiles) {
    CreateBackupDirectory();
    logs_.LogBackupDirectory(BackupDirectory);
  }
  env_.view.SetControlText(ctl::kExit, msg::kAbort);
  logs_.BeginErrorSection();

  ReadAhead ahead(env_.fs, RunDirectory, env_.options.ParseHTMLEntities != 0);
  ahead_ = &ahead;
  ahead.Advance(*search, /*took_one=*/false);
  for (;;) {
    ProcessFile();
    if (AbortRequested()) {
      aborted_ = true;
      break;
    }
    if (!search->Next(name)) break;
    ahead.Advance(*search, /*took_one=*/true);
    CurrentName = name;
  }
  ahead_ = nullptr;
  return true;
}

bool Run::AbortRequested() {
  if (env_.ContinueEvent.Wait(kAbortPoll)) return false;
  env_.ContinueEvent.Set();  // taken: the next run starts signalled
  return true;
}

void Run::End() {
  RunView& view = env_.view;
  directory_lock_.reset();  // nothing more happens in the directory: the next run may start
  if (journal_) journal_->End();
  logs_.EndLogs();
  if (RunOptions.WriteErrorLog || RunOptions.WriteRenameLog) {
    view.EnableControl(ctl::kViewLogs, true);
  }
  view.SetControlText(ctl::kExit, msg::kExit);
  view.EnableControl(ctl::kProcessFile, true);
  view.EnableControl(ctl::kProcessDir, true);
  view.EnableControl(ctl::kExit, true);
  view.EnableControl(ctl::kOptions, true);
  env_.RunActive = false;
  SetStatus(msg::kIdle);
}

void Run::ShowCount(int control, std::int32_t value) {
  env_.view.SetControlText(control, IntToText(value));
}

void Run::SetStatus(std::string_view text) {
  env_.view.SetControlText(ctl::kStatusLine, text);
}

}  // namespace qlm
