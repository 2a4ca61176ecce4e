// The two run logs. Each piece is built in memory and appended to the file in one write, so
// that runs sharing a program directory never mix their pieces. The "No errors." line under
// "Errors" is written only once the run knows it had no per-file line: the bytes a run leaves
// are those of writing the placeholder and overwriting it.
#include "logs/run_logs.h"

#include <utility>

#include "common/messages.h"
#include "common/text.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "title/read_title.h"

namespace qlm {

namespace {

// key + "=" + "0"/"1" + CR LF.
void AppendOption(std::string& text, std::string_view key, std::uint8_t value) {
  text += key;
  text += '=';
  text += value != 0 ? '1' : '0';
  AppendLineBreaks(text, 1);
}

// label + value + CR LF.
void AppendSummaryLine(std::string& text, std::string_view label, std::string_view value) {
  text += label;
  text += value;
  AppendLineBreaks(text, 1);
}

}  // namespace

// One open log of this run.
struct RunLogs::OpenLog {
  std::unique_ptr<LogFile> file;
  // The error log's "Errors" heading is written and no per-file line has followed yet: the
  // "No errors." line is still owed.
  bool placeholder_pending = false;
  // The error log's option block still waits for its closing blank line (BackupDir brings it).
  bool options_block_open = false;
};

RunLogs::RunLogs(FileSystem& fs, const Clock& clock, std::string program_directory,
                 const OptionSet& run_options)
    : fs_(fs),
      clock_(clock),
      program_directory_(std::move(program_directory)),
      run_options_(run_options) {
  if (!program_directory_.empty() && program_directory_.back() != '/') program_directory_ += '/';
}

RunLogs::~RunLogs() = default;

void RunLogs::BeginErrorLog(std::string_view run_directory) {
  if (run_options_.WriteErrorLog == 0) return;
  error_log_ = OpenAtEnd(msg::kErrorLogName);
  if (!error_log_) return;

  const OptionSet& o = run_options_;
  std::string piece(msg::kLogProcessing);
  piece += LogSafe(run_directory);
  piece += FormatLocalTime(clock_, 1);
  AppendLineBreaks(piece, 2);
  piece += msg::kLogSelectedOptions;
  AppendOption(piece, "BackupRenamedFiles", o.BackupRenamedFiles);
  if (o.BackupRenamedFiles != 0) {
    AppendOption(piece, "BackupUnrenamedFiles", o.BackupUnrenamedFiles);
    AppendOption(piece, "BackupOverwriteExisting", o.BackupOverwriteExisting);
    AppendOption(piece, "BackupCreateNewDir", o.BackupCreateNewDir);
  }
  AppendOption(piece, "EnableFullAutoMode", o.EnableFullAutoMode);
  AppendOption(piece, "RenameAsHtm", o.RenameAsHtm);
  AppendOption(piece, "ParseHTMLEntities", o.ParseHTMLEntities);
  // With backups on, the BackupDir line closes the block with its own blank line.
  if (o.BackupRenamedFiles == 0) AppendLineBreaks(piece, 1);
  Write(*error_log_, piece);
  error_log_->options_block_open = o.BackupRenamedFiles != 0;
}

void RunLogs::LogCheckResult(Severity severity, std::string_view text) {
  if (run_options_.WriteErrorLog == 0 || !error_log_) return;
  std::string piece(severity == Severity::Error ? msg::kLogError : msg::kLogWarning);
  piece += LogSafe(text);
  AppendLineBreaks(piece, 2);
  Write(*error_log_, piece);
}

void RunLogs::BeginRenameLog(std::string_view run_directory) {
  if (run_options_.WriteRenameLog == 0) return;
  rename_log_ = OpenAtEnd(msg::kRenameLogName);
  if (!rename_log_) return;
  std::string piece(msg::kLogProcessing);
  piece += LogSafe(run_directory);
  piece += FormatLocalTime(clock_, 1);  // read again: the first file may come much later
  AppendLineBreaks(piece, 2);
  Write(*rename_log_, piece);
}

void RunLogs::LogBackupDirectory(std::string_view backup_directory) {
  if (run_options_.WriteErrorLog == 0 || !error_log_) return;
  if (run_options_.BackupRenamedFiles == 0) return;
  std::string piece(msg::kLogBackupDir);
  piece += LogSafe(backup_directory);
  AppendLineBreaks(piece, 2);
  Write(*error_log_, piece);
  error_log_->options_block_open = false;
}

void RunLogs::BeginErrorSection() {
  if (run_options_.WriteErrorLog == 0 || !error_log_) return;
  OpenLog& log = *error_log_;
  // A run whose backup directory line never came (backups switched off before it was made)
  // still gets the blank line that closes the option block, in the same piece.
  std::string piece;
  if (log.options_block_open) AppendLineBreaks(piece, 1);
  log.options_block_open = false;
  piece +=
      msg::kLogErrorsSection.substr(0, msg::kLogErrorsSection.size() - msg::kLogNoErrors.size());
  if (Write(log, piece)) log.placeholder_pending = true;
}

void RunLogs::LogTitleFailure(std::int32_t outcome, std::string_view current_name,
                              std::string_view message, const RunStatistics& statistics) {
  char letter = 0;
  std::int32_t count = 0;
  if (outcome == TitleError) {
    letter = 'T';
    count = statistics.TitleErrors;
  } else if (outcome == ReadError) {
    letter = 'R';
    count = statistics.ReadErrors;
  } else {
    return;  // a title that was read is no failure
  }
  // The file's name stands in for the message's leading "File"; a message without that
  // word is kept whole rather than cut at a wrong place.
  constexpr std::string_view kFile = "File";
  if (message.starts_with(kFile)) message.remove_prefix(kFile.size());
  LogFileEvent(letter, count, current_name, message);
}

void RunLogs::LogFileEvent(char letter, std::int32_t count, std::string_view current_name,
                           std::string_view text) {
  if (run_options_.WriteErrorLog == 0 || !error_log_) return;
  std::string line(1, letter);
  line += IntToText(count);
  line += ") ";
  line += current_name;
  line += text;
  std::string piece = LogSafe(line);
  AppendLineBreaks(piece, 1);
  OpenLog& log = *error_log_;
  if (Write(log, piece)) log.placeholder_pending = false;  // it stands where "No errors." would
}

void RunLogs::LogRenameEntry(std::string_view current_name, std::string_view title,
                             std::string_view scratch_name) {
  if (run_options_.WriteRenameLog == 0 || !rename_log_) return;
  std::string piece(msg::kLogHtmlName);
  piece += LogSafe(current_name);
  AppendLineBreaks(piece, 1);
  piece += msg::kLogTitleName;
  piece += LogSafe(title);
  AppendLineBreaks(piece, 1);
  piece += msg::kLogQlmName;
  piece += LogSafe(FileNamePart(scratch_name));  // a whole destination path is accepted too
  AppendLineBreaks(piece, 1);
  Write(*rename_log_, piece);
}

void RunLogs::LogRunEnd(bool aborted, const RunStatistics& statistics) {
  const std::string_view end_line = aborted ? msg::kLogAborted : msg::kLogCompleted;
  if (run_options_.WriteErrorLog != 0 && error_log_) {
    Write(*error_log_, Settled(*error_log_, end_line));
  }
  if (run_options_.WriteRenameLog != 0 && rename_log_) {
    std::string label(msg::kLogFilesProcessed);
    if (!aborted) CollapseSpaces(label);  // a completed run's label has one blank before ':'
    std::string piece(end_line);
    AppendLineBreaks(piece, 1);
    piece += label;
    piece += IntToText(statistics.FilesProcessed);
    AppendLineBreaks(piece, 2);
    Write(*rename_log_, piece);
  }
}

void RunLogs::LogSummary(const RunStatistics& statistics) {
  if (run_options_.WriteErrorLog == 0 || !error_log_) return;
  const OptionSet& o = run_options_;
  const std::string na(msg::kNotAvailable);
  std::string piece(msg::kLogSummary);
  AppendSummaryLine(piece, msg::kLogFilesProcessed, IntToText(statistics.FilesProcessed));
  AppendSummaryLine(piece, msg::kLogUnrenamed, IntToText(statistics.Unrenamed));
  AppendSummaryLine(piece, msg::kLogUserRenamed,
                    o.EnableFullAutoMode != 0 ? na : IntToText(statistics.UserRenamed));
  AppendSummaryLine(piece, msg::kLogReadErrors, IntToText(statistics.ReadErrors));
  AppendSummaryLine(piece, msg::kLogTitleErrors, IntToText(statistics.TitleErrors));
  // Backup errors are counted only while copies may fail on a taken name; the disk-full rule
  // switches BackupRenamedFiles off, so this reads the options as they are now.
  const bool backups_counted = o.BackupRenamedFiles != 0 && o.BackupOverwriteExisting == 0;
  AppendSummaryLine(piece, msg::kLogBackupErrors,
                    backups_counted ? IntToText(statistics.BackupErrors) : na);
  AppendLineBreaks(piece, 1);
  Write(*error_log_, Settled(*error_log_, piece));
}

void RunLogs::EndLogs() {
  if (error_log_) {
    if (run_options_.WriteErrorLog != 0) Write(*error_log_, Settled(*error_log_, msg::kLogEnd));
    error_log_.reset();
  }
  if (rename_log_) {
    if (run_options_.WriteRenameLog != 0) Write(*rename_log_, msg::kLogEnd);
    rename_log_.reset();
  }
}

// One append of the whole piece; true when it was written. A failed piece is simply missing.
bool RunLogs::Write(OpenLog& log, std::string_view piece) {
  return log.file->Append(piece) == FsError::Ok;
}

// `piece`, preceded by the "No errors." line when the error section is still owed it.
std::string RunLogs::Settled(OpenLog& log, std::string_view piece) {
  std::string settled;
  if (log.placeholder_pending) settled = msg::kLogNoErrors;
  log.placeholder_pending = false;
  settled += piece;
  return settled;
}

// Opens `name` in the program directory, positioned at its end; null when it cannot be
// opened (the log is then silently off for this run).
std::unique_ptr<RunLogs::OpenLog> RunLogs::OpenAtEnd(std::string_view name) {
  if (program_directory_.empty()) return nullptr;  // no program directory: no logs
  auto log = std::make_unique<OpenLog>();
  const std::string path = program_directory_ + std::string(name);
  if (fs_.OpenLog(path, log->file) != FsError::Ok || !log->file) return nullptr;
  return log;
}

}  // namespace qlm
