// Single-file runs: one stage, final names at once, always interactive, no logs or backups.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/ui.h"
#include "platform/path.h"
#include "support/engine_harness.h"

namespace qlm::testing {
namespace {

TEST(SingleFile, ExtensionRulesForAFileNamedAfterItsTitle) {
  struct Row {
    const char* name;
    std::uint8_t rename_as_htm;
    const char* expected;
  };
  const Row rows[] = {
      {"page.HTM", 0, "page.HTMl"},  // only a lower-case final "l" counts as .html
      {"page.html", 1, "page.htm"},
      {"page.htm", 1, "page.htm"},    // nothing to change
      {"page.HTML", 1, "page.HTML"},  // "L" is not "l": left alone
  };
  for (const Row& row : rows) {
    EngineHarness h;
    h.options.RenameAsHtm = row.rename_as_htm;
    h.AddPage(row.name, "page");
    const RunStatistics stats = h.RunFile(row.name);
    EXPECT_EQ(Listing(h.work.path()).count(row.expected), 1u) << row.name;
    EXPECT_EQ(stats.Unrenamed, 1);
    EXPECT_TRUE(h.NothingLost());
  }
}

TEST(SingleFile, ExtensionChangeNumbersATakenName) {
  EngineHarness h;
  h.options.RenameAsHtm = 0;
  h.AddPage("page.htm", "page");
  h.AddPage("page.html", "Other");
  h.RunFile("page.htm");
  const auto listing = Listing(h.work.path());
  EXPECT_EQ(listing.at("page-1.html"), h.originals.at("page.htm"));
  EXPECT_EQ(listing.at("page.html"), h.originals.at("page.html"));
}

TEST(SingleFile, NoLogNoBackupNoAbortAndLastDirectorySet) {
  EngineHarness h;
  h.options.BackupRenamedFiles = 1;
  h.options.WriteErrorLog = 1;
  h.options.WriteRenameLog = 1;
  h.AddPage("page.htm", "Report");
  h.RunFile("page.htm");
  EXPECT_EQ(Listing(h.work.path()).count("Report.htm"), 1u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(h.work.path()), {}), 1);
  // No log: the program directory holds only the journal of the move.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(h.program.path()), {}), 1);
  EXPECT_TRUE(std::filesystem::exists(h.program / "QLM-Journal.txt"));
  EXPECT_TRUE(h.view.CallsStartingWith("text 2003 Abort").empty());
  EXPECT_FALSE(h.view.Enabled(ctl::kViewLogs));  // this run wrote no log
  EXPECT_EQ(h.last_directory, path::WithSeparator(h.work.path()));
}

TEST(SingleFile, ClashAlwaysAsksAndUsesTheFinalExtension) {
  EngineHarness h;
  h.options.RenameAsHtm = 0;
  h.AddPage("a.htm", "Report");
  h.AddPage("Report.html", "Something else");
  h.view.typed_names = {std::string("Report 2")};
  const RunStatistics stats = h.RunFile("a.htm");
  ASSERT_EQ(h.view.CallsStartingWith("dialog ").size(), 1u);
  EXPECT_NE(h.view.CallsStartingWith("dialog ")[0].find("[Report-1]"), std::string::npos);
  EXPECT_EQ(Listing(h.work.path()).at("Report 2.html"), h.originals.at("a.htm"));
  EXPECT_EQ(stats.UserRenamed, 1);
  EXPECT_TRUE(h.NothingLost());
}

}  // namespace
}  // namespace qlm::testing
