// Whole-run records of both logs, byte for byte, with a fixed clock.
#include "logs/run_logs.h"

#include <gtest/gtest.h>

#include <cstring>

#include "logs/run_model.h"

namespace qlm::testing {
namespace {

constexpr char kDir[] = "/home/ann/Web/";

constexpr char kHeaderWithBackups[] =
    "Processing /home/ann/Web/ at 9:05:07 PM on 7/12/2003.\r\n"
    "\r\n"
    "Selected Options\r\n"
    "================\r\n"
    "BackupRenamedFiles=1\r\n"
    "BackupUnrenamedFiles=0\r\n"
    "BackupOverwriteExisting=0\r\n"
    "BackupCreateNewDir=0\r\n"
    "EnableFullAutoMode=0\r\n"
    "RenameAsHtm=1\r\n"
    "ParseHTMLEntities=1\r\n";

constexpr char kEndMarker[] = "\r\n=== END ===\r\n\r\n\r\n\r\n";

// The options of the documented example run: backups into the fixed directory, interactive.
void UseExampleOptions(OptionSet& o) {
  o.BackupRenamedFiles = 1;
  o.BackupUnrenamedFiles = 0;
  o.BackupOverwriteExisting = 0;
  o.BackupCreateNewDir = 0;
  o.EnableFullAutoMode = 0;
  o.RenameAsHtm = 1;
  o.ParseHTMLEntities = 1;
}

TEST(RunLogs, ExampleRunGivesTheDocumentedRecords) {
  RunModel run;
  UseExampleOptions(run.options);
  run.Start(kDir);
  run.clock.Set({2003, 12, 7, 21, 5, 8});  // the rename log reads the clock again
  run.FirstFileFound(kDir, "/home/ann/Web/Backup/");
  run.Renamed("index.htm", "Home", "Home.qlm");
  run.Failed("old.htm", TitleError);
  run.Renamed("prices.htm", "Our Prices", "/home/ann/Web/Our Prices-1.qlm");
  run.Renamed("news.htm", "News", "News.qlm");
  run.Finish();

  EXPECT_EQ(run.ErrorLog(), std::string(kHeaderWithBackups) +
                                "BackupDir=/home/ann/Web/Backup/\r\n"
                                "\r\n"
                                "Errors\r\n"
                                "======\r\n"
                                "T1) old.htm did not have a title defined between <Title></Title> "
                                "tags.\r\n"
                                "U1) old.htm was not renamed.\r\n"
                                "\r\n"
                                "Processing completed! :)\r\n"
                                "\r\n"
                                "Summary\r\n"
                                "=======\r\n"
                                "Number of files processed        : 4\r\n"
                                "Number of unrenamed files (U)    : 1\r\n"
                                "Number of user-renamed files (M) : 0\r\n"
                                "Number of read errors (R)        : 0\r\n"
                                "Number of title errors (T)       : 1\r\n"
                                "Number of backup errors (B)      : 0\r\n"
                                "\r\n"
                                "\r\n"
                                "=== END ===\r\n"
                                "\r\n"
                                "\r\n"
                                "\r\n");
  EXPECT_EQ(run.RenameLog(),
            "Processing /home/ann/Web/ at 9:05:08 PM on 7/12/2003.\r\n"
            "\r\n"
            "\r\n"
            "HTML Name  : index.htm\r\n"
            "Title Name : Home\r\n"
            "QLM Name   : Home.qlm\r\n"
            "\r\n"
            "HTML Name  : old.htm\r\n"
            "Title Name : File did not have a title defined between <Title></Title> tags.\r\n"
            "QLM Name   : old.qlm\r\n"
            "\r\n"
            "HTML Name  : prices.htm\r\n"
            "Title Name : Our Prices\r\n"
            "QLM Name   : Our Prices-1.qlm\r\n"
            "\r\n"
            "HTML Name  : news.htm\r\n"
            "Title Name : News\r\n"
            "QLM Name   : News.qlm\r\n"
            "\r\n"
            "Processing completed! :)\r\n"
            "\r\n"
            "Number of files processed : 4\r\n"
            "\r\n"
            "\r\n"
            "=== END ===\r\n"
            "\r\n"
            "\r\n"
            "\r\n");
}

TEST(RunLogs, EveryPieceIsOneAppendAndNoErrorsIsWrittenOnlyWhenTrue) {
  for (const bool with_event : {true, false}) {
    RunModel run;
    UseExampleOptions(run.options);
    run.Start(kDir);
    run.FirstFileFound(kDir, "/home/ann/Web/Backup/");
    if (with_event) run.Failed("old.htm", ReadError);
    run.Finish();

    std::vector<MemoryLogFs::WriteRecord> error_writes;
    for (const auto& w : run.fs.writes)
      if (w.path == kErrorLogPath) error_writes.push_back(w);
    // header, BackupDir, errors heading, (R, U,) end line, summary, end marker
    ASSERT_EQ(error_writes.size(), with_event ? 8u : 6u);
    EXPECT_EQ(error_writes[2].bytes, "Errors\r\n======\r\n");
    if (with_event) {
      EXPECT_EQ(error_writes[3].bytes, "R1) old.htm could not be read.\r\n");
      EXPECT_EQ(run.ErrorLog().find("No errors."), std::string::npos);
    } else {
      // The end line's piece brings the "No errors." line the heading was owed.
      EXPECT_TRUE(error_writes[3].bytes.starts_with("No errors.\r\n\r\nProcessing completed"));
    }
    // Each piece went right after the one before: appended, never placed.
    for (std::size_t i = 1; i < error_writes.size(); ++i) {
      EXPECT_EQ(error_writes[i].offset,
                error_writes[i - 1].offset + error_writes[i - 1].bytes.size());
    }
  }
}

TEST(RunLogs, RunWithoutEventsKeepsNoErrors) {
  RunModel run;
  run.options.BackupRenamedFiles = 0;
  run.Start(kDir);
  run.FirstFileFound(kDir);
  run.Renamed("a.htm", "A", "A.qlm");
  run.Finish();
  const std::string log = run.ErrorLog();
  EXPECT_NE(log.find("\r\n\r\nErrors\r\n======\r\nNo errors.\r\n\r\nProcessing completed! :)\r\n"
                     "\r\nSummary\r\n"),
            std::string::npos)
      << log;
}

TEST(RunLogs, DirectoryWithoutHtmlFilesWritesHeaderErrorAndEndOnly) {
  RunModel run;
  run.options.BackupRenamedFiles = 0;
  run.options.EnableFullAutoMode = 1;
  run.fs.Put(kRenameLogPath, "earlier run\r\n");
  run.Start(kDir);
  run.logs().LogCheckResult(Severity::Error, msg::kNoFilesText);
  run.logs().EndLogs();

  EXPECT_EQ(run.ErrorLog(),
            "Processing /home/ann/Web/ at 9:05:07 PM on 7/12/2003.\r\n"
            "\r\n"
            "Selected Options\r\n"
            "================\r\n"
            "BackupRenamedFiles=0\r\n"
            "EnableFullAutoMode=1\r\n"
            "RenameAsHtm=1\r\n"
            "ParseHTMLEntities=1\r\n"
            "\r\n"
            "** ERROR ** : No files with an extension of .HTM/.HTML found in the directory.\r\n"
            "\r\n"
            "\r\n"
            "=== END ===\r\n"
            "\r\n"
            "\r\n"
            "\r\n");
  EXPECT_EQ(run.RenameLog(), "earlier run\r\n");
  for (const std::string& path : run.fs.opened)
    EXPECT_NE(path, kRenameLogPath);
}

TEST(RunLogs, CheckResultsFollowTheOpenOptionBlockAsWritten) {
  RunModel run;
  UseExampleOptions(run.options);
  run.Start(kDir);
  run.logs().LogCheckResult(Severity::Warning, msg::kPathTooLongWarning);
  run.logs().LogCheckResult(Severity::Warning, msg::kScratchFilesRenamedBack);
  run.logs().LogCheckResult(Severity::Error, msg::kReadOnlyText);
  run.logs().EndLogs();
  EXPECT_EQ(run.ErrorLog(),
            std::string(kHeaderWithBackups) +
                "** WARNING ** : Directory path is more than 180 chars long.\r\n\r\n"
                "** WARNING ** : Some .qlm files in the directory were renamed back.\r\n\r\n"
                "** ERROR ** : Sorry, Quillomat cannot process this directory as it is "
                "read-only.\r\n\r\n" +
                kEndMarker);
}

TEST(RunLogs, RenameLogCountLineKeepsItsBlanksOnlyWhenAborted) {
  struct Row {
    const char* name;
    bool aborted;
    const char* tail;
  };
  const Row rows[] = {
      {"completed", false,
       "\r\nProcessing completed! :)\r\n\r\nNumber of files processed : 2\r\n\r\n"},
      {"aborted", true,
       "\r\nProcessing aborted! :(\r\n\r\nNumber of files processed        : 2\r\n\r\n"},
  };
  for (const Row& row : rows) {
    RunModel run;
    run.Start(kDir);
    run.FirstFileFound(kDir, "/home/ann/Web/20031207/");
    run.Renamed("a.htm", "A", "A.qlm");
    run.Renamed("b.htm", "B", "B.qlm");
    run.Finish(row.aborted);
    EXPECT_EQ(run.RenameLog().substr(run.RenameLog().size() - std::strlen(row.tail) -
                                     std::strlen(kEndMarker)),
              std::string(row.tail) + kEndMarker)
        << row.name;
    // The error log's end line says the same, and an aborted run still gets its summary.
    const std::string line = row.aborted ? "Processing aborted! :(" : "Processing completed! :)";
    EXPECT_NE(run.ErrorLog().find("\r\n\r\n" + line + "\r\n\r\nSummary\r\n"), std::string::npos)
        << row.name;
  }
}

TEST(RunLogs, TwoRunsAppendTwoRecordsNumberedFromOne) {
  RunModel run;
  run.options.BackupRenamedFiles = 0;
  const std::string before = "an older record\r\n";
  run.fs.Put(kErrorLogPath, before);
  for (int i = 0; i < 2; ++i) {
    run.Start(kDir);
    run.FirstFileFound(kDir);
    run.Failed("x.htm", ReadError);
    run.Failed("y.htm", TitleError);
    run.BackupFailed("y.htm");
    run.Finish();
  }
  const std::string log = run.ErrorLog();
  ASSERT_EQ(log.substr(0, before.size()), before);
  const std::string record = log.substr(before.size(), (log.size() - before.size()) / 2);
  EXPECT_EQ(log, before + record + record);  // same clock, same events: identical records
  EXPECT_NE(record.find("Errors\r\n======\r\n"
                        "R1) x.htm could not be read.\r\n"
                        "U1) x.htm was not renamed.\r\n"
                        "T1) y.htm did not have a title defined between <Title></Title> tags.\r\n"
                        "U2) y.htm was not renamed.\r\n"
                        "B1) y.htm could not be backed up.\r\n"
                        "\r\nProcessing completed! :)\r\n"),
            std::string::npos)
      << record;
  EXPECT_EQ(record.substr(record.size() - std::strlen(kEndMarker)), kEndMarker);
  const std::string renames = run.RenameLog();
  EXPECT_EQ(renames.substr(0, renames.size() / 2), renames.substr(renames.size() / 2));
}

TEST(RunLogs, SummaryNotAvailableRules) {
  struct Row {
    const char* name;
    std::uint8_t full_auto, backups, overwrite;
    bool disk_full;  // backups switched off during the run
    const char* m_value;
    const char* b_value;
  };
  const Row rows[] = {
      {"interactive, backups counted", 0, 1, 0, false, "3", "2"},
      {"full auto", 1, 1, 0, false, "N/A", "2"},
      {"overwrite existing", 0, 1, 1, false, "3", "N/A"},
      {"no backups", 0, 0, 0, false, "3", "N/A"},
      {"disk full mid-run", 1, 1, 0, true, "N/A", "N/A"},
  };
  for (const Row& row : rows) {
    RunModel run;
    run.options.EnableFullAutoMode = row.full_auto;
    run.options.BackupRenamedFiles = row.backups;
    run.options.BackupOverwriteExisting = row.overwrite;
    run.Start(kDir);
    run.FirstFileFound(kDir, "/home/ann/Web/Backup/");
    if (row.disk_full) run.options.BackupRenamedFiles = 0;
    run.stats = {7, 0, 0, 2, 3, 1};
    run.Finish();
    const std::string log = run.ErrorLog();
    EXPECT_NE(log.find("Number of user-renamed files (M) : " + std::string(row.m_value) + "\r\n"),
              std::string::npos)
        << row.name;
    EXPECT_NE(log.find("Number of backup errors (B)      : " + std::string(row.b_value) +
                       "\r\n\r\n\r\n=== END ==="),
              std::string::npos)
        << row.name;
  }
}

}  // namespace
}  // namespace qlm::testing
