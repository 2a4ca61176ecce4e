// The two run logs: the error log (options in force, failed checks, per-file events, the
// summary) and the rename log (every file with its title and scratch name). Only a directory
// run writes them; each operation does nothing when its log is off in the run's options.
//
// Both files live in the program directory, only grow, and get each piece in one write of
// exactly its bytes (CR LF line ends, UTF-8, no byte-order mark). A log that cannot be opened
// or written is ignored: the run never stops or warns because of a log.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/types.h"

namespace qlm {

class Clock;
class FileSystem;
class LogFile;

enum class Severity { Error, Warning };

class RunLogs {
 public:
  // `program_directory` ends in '/'. `run_options` is the run's own copy of the options and
  // is read at every call (the disk-full rule may switch BackupRenamedFiles off mid-run).
  RunLogs(FileSystem& fs, const Clock& clock, std::string program_directory,
          const OptionSet& run_options);
  ~RunLogs();
  RunLogs(const RunLogs&) = delete;
  RunLogs& operator=(const RunLogs&) = delete;

  // Opens the error log and writes the run header with the selected options.
  void BeginErrorLog(std::string_view run_directory);
  // "** ERROR ** : " or "** WARNING ** : " + text + CR LF CR LF.
  void LogCheckResult(Severity severity, std::string_view text);
  // Opens the rename log and writes its run header.
  void BeginRenameLog(std::string_view run_directory);
  // "BackupDir=" + path + CR LF CR LF (only while BackupRenamedFiles is on).
  void LogBackupDirectory(std::string_view backup_directory);
  // "Errors" heading and the "No errors." placeholder that the first per-file line replaces.
  void BeginErrorSection();
  // The T or R line of a failed title read: `message` is the reader's text ("File ...").
  // Writes nothing for an outcome other than TitleError or ReadError.
  void LogTitleFailure(std::int32_t outcome, std::string_view current_name,
                       std::string_view message, const RunStatistics& statistics);
  // letter + count + ") " + current_name + text + CR LF, for U, M and B events.
  void LogFileEvent(char letter, std::int32_t count, std::string_view current_name,
                    std::string_view text);
  // The rename log's three-line entry for one file; `scratch_name` may be a whole path.
  void LogRenameEntry(std::string_view current_name, std::string_view title,
                      std::string_view scratch_name);
  // The completed or aborted line (and the rename log's files-processed line).
  void LogRunEnd(bool aborted, const RunStatistics& statistics);
  // The error log's summary block.
  void LogSummary(const RunStatistics& statistics);
  // Writes the end marker to each log opened in this run (error log first) and closes them.
  void EndLogs();

 private:
  struct OpenLog;
  std::unique_ptr<OpenLog> OpenAtEnd(std::string_view name);
  static bool Write(OpenLog& log, std::string_view piece);
  static std::string Settled(OpenLog& log, std::string_view piece);

  FileSystem& fs_;
  const Clock& clock_;
  std::string program_directory_;
  const OptionSet& run_options_;
  std::unique_ptr<OpenLog> error_log_;
  std::unique_ptr<OpenLog> rename_log_;
};

// Style 0: the date stamp YYYYMMDD. Style 1: the run time " at h:mm:ss AM on d/m/yyyy.".
// Reads the clock once; any other style gives "".
std::string FormatLocalTime(const Clock& clock, int style);

// Appends `count` CR LF pairs.
void AppendLineBreaks(std::string& text, int count);

// A name or title as a log line may hold it (SafeForDisplay): each control character (C0,
// DEL, C1) and bidirectional override becomes '?', so no name can break or forge a line, or
// disguise itself when the log is shown. Every other byte passes unchanged.
std::string LogSafe(std::string_view text);

}  // namespace qlm
