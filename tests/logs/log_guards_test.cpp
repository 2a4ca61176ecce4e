// The logs' gates and failure handling, the control-byte guard, and the time texts.
#include <gtest/gtest.h>

#include "logs/run_logs.h"
#include "logs/run_model.h"

namespace qlm::testing {
namespace {

constexpr char kDir[] = "/srv/site/";

// A short run with one event of each kind that reaches both logs.
void ShortRun(RunModel& run) {
  run.Start(kDir);
  run.FirstFileFound(kDir, "/srv/site/Backup/");
  run.Failed("a.htm", TitleError);
  run.Renamed("b.htm", "B", "B.qlm");
  run.Finish();
}

TEST(RunLogsFailures, ALogThatCannotBeOpenedOrWrittenLeavesTheOtherIntact) {
  RunModel reference;
  ShortRun(reference);
  ASSERT_FALSE(reference.ErrorLog().empty());
  ASSERT_FALSE(reference.RenameLog().empty());

  struct Row {
    const char* name;
    const char* path;
    bool open_fails;  // else every write fails
  };
  const Row rows[] = {
      {"error log not opened", kErrorLogPath, true},
      {"rename log not opened", kRenameLogPath, true},
      {"error log not written", kErrorLogPath, false},
      {"rename log not written", kRenameLogPath, false},
  };
  for (const Row& row : rows) {
    RunModel run;
    (row.open_fails ? run.fs.refuse_open : run.fs.refuse_write).insert(row.path);
    ShortRun(run);
    const bool error_broken = std::string(row.path) == kErrorLogPath;
    EXPECT_EQ(run.ErrorLog(), error_broken ? "" : reference.ErrorLog()) << row.name;
    EXPECT_EQ(run.RenameLog(), error_broken ? reference.RenameLog() : "") << row.name;
    if (row.open_fails) {
      EXPECT_FALSE(run.fs.Exists(row.path)) << row.name;
    }
  }
}

TEST(RunLogsFailures, AFailedPieceIsMissingAndNothingElseIsDamaged) {
  RunModel run;
  run.Start(kDir);
  run.fs.refuse_piece = "Errors";  // the errors section is lost ...
  run.FirstFileFound(kDir, "/srv/site/Backup/");
  run.fs.refuse_piece.clear();
  run.fs.refuse_size = true;  // ... and the file cannot tell its size at the end
  run.Failed("a.htm", TitleError);
  run.Finish();
  // The lines follow the BackupDir line instead of overwriting it, and the end pieces go
  // after the last line written.
  EXPECT_NE(run.ErrorLog().find("BackupDir=/srv/site/Backup/\r\n\r\nT1) a.htm did not have a "
                                "title defined between <Title></Title> tags.\r\nU1) a.htm was "
                                "not renamed.\r\n\r\nProcessing completed! :)\r\n\r\nSummary"),
            std::string::npos)
      << run.ErrorLog();
}

TEST(RunLogsFailures, EndLineGoesAfterThePlaceholderWhenTheSizeIsUnknown) {
  RunModel run;
  run.Start(kDir);
  run.FirstFileFound(kDir, "/srv/site/Backup/");
  run.fs.refuse_size = true;
  run.Finish();
  EXPECT_NE(run.ErrorLog().find("No errors.\r\n\r\nProcessing completed! :)\r\n\r\nSummary"),
            std::string::npos)
      << run.ErrorLog();
  EXPECT_NE(run.RenameLog().find("\r\nProcessing completed! :)\r\n\r\nNumber"), std::string::npos);
}

TEST(RunLogsFailures, OptionOffMeansTheFileIsNeverOpened) {
  struct Row {
    std::uint8_t error_log, rename_log;
  };
  for (const Row row : {Row{0, 1}, Row{1, 0}, Row{0, 0}}) {
    RunModel run;
    run.options.WriteErrorLog = row.error_log;
    run.options.WriteRenameLog = row.rename_log;
    ShortRun(run);
    EXPECT_EQ(run.fs.Exists(kErrorLogPath), row.error_log == 1);
    EXPECT_EQ(run.fs.Exists(kRenameLogPath), row.rename_log == 1);
    EXPECT_EQ(run.ErrorLog().empty(), row.error_log == 0);
    EXPECT_EQ(run.RenameLog().empty(), row.rename_log == 0);
  }
}

TEST(RunLogsFailures, CallsBeforeTheLogIsOpenWriteNothing) {
  RunModel run;
  run.logs().LogCheckResult(Severity::Error, msg::kCdRomText);
  run.logs().BeginErrorSection();
  run.logs().LogFileEvent('U', 1, "a.htm", msg::kLogNotRenamed);
  run.logs().LogRenameEntry("a.htm", "A", "A.qlm");
  run.Finish();
  EXPECT_TRUE(run.fs.opened.empty());
  EXPECT_TRUE(run.fs.writes.empty());
}

TEST(RunLogsText, ControlBytesInNamesBecomeQuestionMarks) {
  RunModel run;
  run.options.BackupRenamedFiles = 0;
  const std::string dir = "/srv/new\nline/";
  const std::string name = std::string("fake\r\nU9) x\x01y\x7f\t\xc3\xa9.htm");
  run.Start(dir);
  run.FirstFileFound(dir);
  run.Failed(name, ReadError);
  run.logs().LogRenameEntry(name, "T\x1bitle", "T\x1bitle.qlm");
  run.Finish();

  const std::string safe = "fake??U9) x?y??\xc3\xa9.htm";  // UTF-8 passes untouched
  const std::string log = run.ErrorLog();
  EXPECT_EQ(log.substr(0, 27), "Processing /srv/new?line/ a");
  EXPECT_NE(log.find("R1) " + safe + " could not be read.\r\nU1) " + safe +
                     " was not renamed.\r\n\r\nProcessing"),
            std::string::npos)
      << log;
  EXPECT_NE(run.RenameLog().find("\r\nHTML Name  : " + safe +
                                 "\r\nTitle Name : T?itle\r\nQLM Name   : T?itle.qlm\r\n"),
            std::string::npos);
}

TEST(RunLogsText, TitleFailureLinesAndTheManualRenameLine) {
  RunModel run;
  run.options.BackupRenamedFiles = 0;
  run.Start(kDir);
  run.FirstFileFound(kDir);
  run.stats.TitleErrors = 2;
  run.logs().LogTitleFailure(TitleError, "news.htm", msg::kFileCouldNotBeParsed, run.stats);
  run.logs().LogTitleFailure(TitleOk, "fine.htm", "Fine", run.stats);  // not a failure
  run.logs().LogFileEvent('M', 1, "page3.htm",
                          std::string(msg::kLogManuallyRenamed) + "Our Prices.htm");
  run.Finish();
  EXPECT_NE(run.ErrorLog().find("Errors\r\n======\r\n"
                                "T2) news.htm could not be parsed for <Title></Title> tags.\r\n"
                                "M1) page3.htm was manually renamed to Our Prices.htm\r\n"
                                "\r\nProcessing completed! :)\r\n"),
            std::string::npos)
      << run.ErrorLog();
}

TEST(RunLogsText, OptionBlockIsClosedWhenTheBackupDirectoryLineNeverCame) {
  RunModel run;
  run.Start(kDir);                     // backups on: the block waits for its BackupDir line
  run.options.BackupRenamedFiles = 0;  // ... which never comes
  run.FirstFileFound(kDir);
  run.Finish();
  EXPECT_NE(run.ErrorLog().find("ParseHTMLEntities=1\r\n\r\nErrors\r\n======\r\nNo errors."),
            std::string::npos)
      << run.ErrorLog();
}

TEST(RunLogsText, ALineShorterThanNoErrorsStandsInItsPlaceWhole) {
  RunModel run;
  run.options.BackupRenamedFiles = 0;
  run.Start(kDir);
  run.FirstFileFound(kDir);
  run.logs().LogFileEvent('U', 1, "a", "");
  run.Finish();
  EXPECT_NE(run.ErrorLog().find("======\r\nU1) a\r\n\r\nProcessing completed"), std::string::npos)
      << run.ErrorLog();
  EXPECT_EQ(run.ErrorLog().find("errors."), std::string::npos);
}

TEST(FormatLocalTime, RunTimeAndDateStamp) {
  struct Row {
    LocalTime time;
    const char* run_time;
    const char* stamp;
  };
  const Row rows[] = {
      {{2003, 12, 7, 0, 5, 9}, " at 12:05:09 AM on 7/12/2003.", "20031207"},
      {{2003, 12, 7, 12, 30, 0}, " at 12:30:00 PM on 7/12/2003.", "20031207"},
      {{2003, 12, 7, 13, 0, 0}, " at 1:00:00 PM on 7/12/2003.", "20031207"},
      {{2003, 12, 7, 21, 5, 7}, " at 9:05:07 PM on 7/12/2003.", "20031207"},
      {{2024, 1, 31, 11, 59, 59}, " at 11:59:59 AM on 31/1/2024.", "20240131"},
      {{2024, 10, 1, 23, 0, 1}, " at 11:00:01 PM on 1/10/2024.", "20241001"},
  };
  for (const Row& row : rows) {
    const FixedClock clock(row.time);
    EXPECT_EQ(FormatLocalTime(clock, 1), row.run_time);
    EXPECT_EQ(FormatLocalTime(clock, 0), row.stamp);
  }
  EXPECT_EQ(FormatLocalTime(FixedClock(rows[0].time), 2), "");
}

TEST(AppendLineBreaks, AppendsPairs) {
  std::string text = "x";
  AppendLineBreaks(text, 0);
  EXPECT_EQ(text, "x");
  AppendLineBreaks(text, 3);
  EXPECT_EQ(text, "x\r\n\r\n\r\n");
  AppendLineBreaks(text, -1);
  EXPECT_EQ(text, "x\r\n\r\n\r\n");
}

TEST(LogSafe, ControlsAndOverridesBecomeQuestionMarks) {
  // Every single byte: the C0 controls, DEL and the lone bytes an 8-bit terminal reads as C1
  // controls change; every other byte is kept as it is.
  std::string all;
  for (int b = 0; b < 256; ++b)
    all += static_cast<char>(b);
  const std::string safe = LogSafe(all);
  ASSERT_EQ(safe.size(), 256u);
  for (int b = 0; b < 256; ++b) {
    const char expected = (b < 32 || (b >= 127 && b <= 0x9F)) ? '?' : static_cast<char>(b);
    EXPECT_EQ(safe[b], expected) << b;
  }
  struct Row {
    std::string text;
    std::string safe;
  };
  const Row rows[] = {
      {"caf\xC3\xA9", "caf\xC3\xA9"},  // UTF-8 stays
      {"a\xC2\x9B"
       "2Jb",
       "a?2Jb"},  // U+009B, the 8-bit CSI
      {"a\xC2\x85"
       "b",
       "a?b"},                                      // NEL
      {"\xC2\xA0", "\xC2\xA0"},                     // a no-break space is no control
      {"evil\xE2\x80\xAEmth.htm", "evil?mth.htm"},  // U+202E right-to-left override
      {"\xE2\x81\xA6x\xE2\x81\xA9", "?x?"},         // isolates
      {"\xE2\x80\x8Ex\xE2\x80\x8F", "?x?"},         // marks
      {"\xD8\x9C", "?"},                            // Arabic letter mark
      {"\xE2\x80\x93", "\xE2\x80\x93"},             // an en dash is no control
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},     // emoji
  };
  for (const Row& row : rows)
    EXPECT_EQ(LogSafe(row.text), row.safe) << ::testing::PrintToString(row.text);
}

}  // namespace
}  // namespace qlm::testing
