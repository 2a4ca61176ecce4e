// Placeholder bodies: the run calls every log operation at its point; the formats come next.
#include "logs/run_logs.h"

#include "platform/clock.h"
#include "platform/file_system.h"

namespace qlm {

struct RunLogs::OpenLog {};

RunLogs::RunLogs(FileSystem& fs, const Clock& clock, std::string program_directory,
                 const OptionSet& run_options)
    : fs_(fs),
      clock_(clock),
      program_directory_(std::move(program_directory)),
      run_options_(run_options) {}
RunLogs::~RunLogs() = default;

void RunLogs::BeginErrorLog(std::string_view) {}
void RunLogs::LogCheckResult(Severity, std::string_view) {}
void RunLogs::BeginRenameLog(std::string_view) {}
void RunLogs::LogBackupDirectory(std::string_view) {}
void RunLogs::BeginErrorSection() {}
void RunLogs::LogTitleFailure(std::int32_t, std::string_view, std::string_view,
                              const RunStatistics&) {}
void RunLogs::LogFileEvent(char, std::int32_t, std::string_view, std::string_view) {}
void RunLogs::LogRenameEntry(std::string_view, std::string_view, std::string_view) {}
void RunLogs::LogRunEnd(bool, const RunStatistics&) {}
void RunLogs::LogSummary(const RunStatistics&) {}
void RunLogs::EndLogs() {}
void RunLogs::Write(OpenLog&, std::string_view) {}

std::string FormatLocalTime(const Clock&, int) {
  return {};
}
void AppendLineBreaks(std::string& text, int count) {
  for (int i = 0; i < count; ++i)
    text += "\r\n";
}
std::string LogSafe(std::string_view text) {
  return std::string(text);
}

}  // namespace qlm
