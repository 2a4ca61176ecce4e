// The logs on real files: what the in-memory tests check must hold on disk too.
#include <gtest/gtest.h>

#include "logs/run_logs.h"
#include "logs/run_model.h"
#include "platform/posix/posix_file_system.h"
#include "support/temp_dir.h"

namespace qlm::testing {
namespace {

// One small run with an event in each log, as the run orders the calls.
void SmallRun(RunLogs& logs, RunStatistics& stats) {
  stats = RunStatistics{};
  logs.BeginErrorLog("/srv/site/");
  logs.BeginRenameLog("/srv/site/");
  logs.LogBackupDirectory("/srv/site/20031207/");
  logs.BeginErrorSection();
  stats.FilesProcessed = stats.ReadErrors = 1;
  logs.LogTitleFailure(ReadError, "a.htm", msg::kFileCouldNotBeRead, stats);
  logs.LogFileEvent('U', ++stats.Unrenamed, "a.htm", msg::kLogNotRenamed);
  logs.LogRenameEntry("a.htm", msg::kFileCouldNotBeRead, "a.qlm");
  logs.LogRunEnd(false, stats);
  logs.LogSummary(stats);
  logs.EndLogs();
}

TEST(PosixLogs, FilesAreCreatedAppendedToAndMatchTheInMemoryRecord) {
  OptionSet options;
  options.WriteErrorLog = options.WriteRenameLog = 1;
  const FixedClock clock(RunModel::kEvening);
  RunStatistics stats;

  MemoryLogFs memory;
  RunLogs memory_logs(memory, clock, kProgramDir, options);
  SmallRun(memory_logs, stats);
  const std::string error_record = memory.Contents(kErrorLogPath);
  const std::string rename_record = memory.Contents(kRenameLogPath);
  ASSERT_NE(error_record.find("R1) a.htm could not be read.\r\nU1) a.htm"), std::string::npos);

  TempDir dir;
  WriteFile(dir / "QLM-ErrorLog.txt", "kept\r\n");  // an earlier record is never truncated
  PosixFileSystem fs;
  RunLogs logs(fs, clock, dir.path() + "/", options);
  SmallRun(logs, stats);
  SmallRun(logs, stats);
  EXPECT_EQ(ReadFile(dir / "QLM-ErrorLog.txt"), "kept\r\n" + error_record + error_record);
  EXPECT_EQ(ReadFile(dir / "QLM-RenLog.txt"), rename_record + rename_record);
}

TEST(PosixLogs, UnwritableProgramDirectoryIsIgnored) {
  OptionSet options;
  options.WriteErrorLog = options.WriteRenameLog = 1;
  const FixedClock clock(RunModel::kEvening);
  TempDir dir;
  PosixFileSystem fs;
  // A program directory that does not exist stands for one that cannot be written (CI runs
  // as root, so permissions cannot refuse it).
  RunLogs logs(fs, clock, dir / "missing/", options);
  RunStatistics stats;
  SmallRun(logs, stats);
  FileInfo info;
  EXPECT_NE(fs.GetInfo(dir / "missing", info), FsError::Ok);
}

}  // namespace
}  // namespace qlm::testing
