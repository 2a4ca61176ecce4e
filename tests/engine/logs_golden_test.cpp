// Whole runs through the engine leave exactly the designed log bytes.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/ui.h"
#include "platform/path.h"
#include "support/engine_harness.h"

namespace qlm::testing {
namespace {

TEST(RunLogsGolden, CompletedInteractiveRunWithOneTitleError) {
  EngineHarness h;
  h.options = OptionSet{};
  h.options.BackupCreateNewDir = 0;
  h.options.BackupUnrenamedFiles = 0;
  h.options.EnableFullAutoMode = 0;
  h.options.WriteErrorLog = 1;
  h.options.WriteRenameLog = 1;
  h.AddPage("index.htm", "Welcome");
  h.AddPage("links.htm", "Links");
  WriteFile(h.work / "old.htm", "<title> \r\n </title>");
  h.originals["old.htm"] = "<title> \r\n </title>";
  h.AddPage("prices.htm", "Our Prices");
  h.RunDirectory();

  const std::string dir = path::WithSeparator(h.work.path());
  EXPECT_EQ(ReadFile(h.program / "QLM-ErrorLog.txt"),
            "Processing " + dir +
                " at 9:05:07 PM on 7/12/2003.\r\n"
                "\r\n"
                "Selected Options\r\n"
                "================\r\n"
                "BackupRenamedFiles=1\r\n"
                "BackupUnrenamedFiles=0\r\n"
                "BackupOverwriteExisting=0\r\n"
                "BackupCreateNewDir=0\r\n"
                "EnableFullAutoMode=0\r\n"
                "RenameAsHtm=1\r\n"
                "ParseHTMLEntities=1\r\n"
                "BackupDir=" +
                dir + "Backup" + path::Separator() +
                "\r\n"
                "\r\n"
                "Errors\r\n"
                "======\r\n"
                "T1) old.htm did not have a title defined between <Title></Title> tags.\r\n"
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
  EXPECT_EQ(ReadFile(h.program / "QLM-RenLog.txt"),
            "Processing " + dir +
                " at 9:05:07 PM on 7/12/2003.\r\n"
                "\r\n"
                "\r\nHTML Name  : index.htm\r\nTitle Name : Welcome\r\nQLM Name   : Welcome.qlm\r\n"
                "\r\nHTML Name  : links.htm\r\nTitle Name : Links\r\nQLM Name   : Links.qlm\r\n"
                "\r\nHTML Name  : old.htm\r\n"
                "Title Name : File did not have a title defined between <Title></Title> tags.\r\n"
                "QLM Name   : old.qlm\r\n"
                "\r\nHTML Name  : prices.htm\r\nTitle Name : Our Prices\r\n"
                "QLM Name   : Our Prices.qlm\r\n"
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
  EXPECT_TRUE(h.NothingLost());
}

TEST(RunLogsGolden, DirectoryWithoutPagesLeavesTheRenameLogAlone) {
  EngineHarness h;
  h.options.WriteErrorLog = 1;
  h.options.WriteRenameLog = 1;
  h.RunDirectory();
  EXPECT_EQ(ReadFile(h.program / "QLM-ErrorLog.txt"),
            "Processing " + path::WithSeparator(h.work.path()) +
                " at 9:05:07 PM on 7/12/2003.\r\n\r\n"
                "Selected Options\r\n================\r\nBackupRenamedFiles=0\r\n"
                "EnableFullAutoMode=1\r\nRenameAsHtm=1\r\nParseHTMLEntities=1\r\n\r\n"
                "** ERROR ** : No files with an extension of .HTM/.HTML found in the directory.\r\n"
                "\r\n"
                "\r\n=== END ===\r\n\r\n\r\n\r\n");
  EXPECT_FALSE(std::filesystem::exists(h.program / "QLM-RenLog.txt"));
  EXPECT_TRUE(h.view.Enabled(ctl::kViewLogs));
}

}  // namespace
}  // namespace qlm::testing
