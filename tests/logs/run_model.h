// Drives RunLogs the way a directory run does, keeping the run's counters as the run keeps
// them (the title reader raises FilesProcessed and T/R; the run raises U, M and B before it
// logs the line), so the tests read like the runs they stand for.
#pragma once

#include <memory>
#include <string>

#include "common/messages.h"
#include "common/text.h"
#include "logs/memory_log_fs.h"
#include "logs/run_logs.h"
#include "platform/clock.h"
#include "title/read_title.h"

namespace qlm::testing {

inline constexpr char kProgramDir[] = "/opt/quillomat/";
inline constexpr char kErrorLogPath[] = "/opt/quillomat/QLM-ErrorLog.txt";
inline constexpr char kRenameLogPath[] = "/opt/quillomat/QLM-RenLog.txt";

class RunModel {
 public:
  // 21:05:07 on 7 December 2003.
  static constexpr LocalTime kEvening{2003, 12, 7, 21, 5, 7};

  RunModel() : clock(kEvening) { options.WriteErrorLog = options.WriteRenameLog = 1; }

  MemoryLogFs fs;
  FixedClock clock;
  OptionSet options;
  RunStatistics stats;

  RunLogs& logs() {
    if (!logs_) logs_ = std::make_unique<RunLogs>(fs, clock, kProgramDir, options);
    return *logs_;
  }
  // A new run: fresh counters (the same RunLogs object carries on, as in one process).
  void Start(const std::string& directory) {
    stats = RunStatistics{};
    logs().BeginErrorLog(directory);
  }
  // The first HTML file was found: rename log, backup directory line, errors section.
  void FirstFileFound(const std::string& directory, const std::string& backup_dir = {}) {
    logs().BeginRenameLog(directory);
    if (options.BackupRenamedFiles != 0) logs().LogBackupDirectory(backup_dir);
    logs().BeginErrorSection();
  }
  // A file whose title was read and that got its scratch name.
  void Renamed(const std::string& name, const std::string& title, const std::string& scratch) {
    ++stats.FilesProcessed;
    logs().LogRenameEntry(name, title, scratch);
  }
  // A file whose title could not be read: T or R line, then the U line, then its entry.
  void Failed(const std::string& name, std::int32_t outcome) {
    ++stats.FilesProcessed;
    const std::string_view message =
        outcome == ReadError ? msg::kFileCouldNotBeRead : msg::kFileHasNoTitle;
    ++(outcome == ReadError ? stats.ReadErrors : stats.TitleErrors);
    logs().LogTitleFailure(outcome, name, message, stats);
    Unrenamed(name);
    std::string scratch = name;
    StripExtension(scratch);
    logs().LogRenameEntry(name, message, scratch + ".qlm");
  }
  void Unrenamed(const std::string& name) {
    logs().LogFileEvent('U', ++stats.Unrenamed, name, msg::kLogNotRenamed);
  }
  void BackupFailed(const std::string& name) {
    logs().LogFileEvent('B', ++stats.BackupErrors, name, msg::kLogNotBackedUp);
  }
  // The end of the run after its files: end line, (rename back), summary, end markers.
  void Finish(bool aborted = false) {
    logs().LogRunEnd(aborted, stats);
    logs().LogSummary(stats);
    logs().EndLogs();
  }

  std::string ErrorLog() const { return fs.Contents(kErrorLogPath); }
  std::string RenameLog() const { return fs.Contents(kRenameLogPath); }

 private:
  std::unique_ptr<RunLogs> logs_;
};

}  // namespace qlm::testing
