// The frame of a run: the checks, the abort protocol, leftovers of an interrupted run, the
// exact sequence of what a run shows, and runs whose directory changes under them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "common/messages.h"
#include "common/ui.h"
#include "platform/path.h"
#include "support/engine_harness.h"

namespace qlm::testing {
namespace {

// The window's state every run leaves behind, however it ended.
void ExpectIdle(const RecordingView& view) {
  EXPECT_EQ(view.Text(ctl::kStatusLine), "IDLE");
  EXPECT_EQ(view.Text(ctl::kExit), "Exit");
  for (const int id : {ctl::kProcessDir, ctl::kProcessFile, ctl::kOptions, ctl::kExit}) {
    EXPECT_TRUE(view.Enabled(id)) << id;
  }
}

TEST(RunChecks, LongDirectoryPathAsksAt181Bytes) {
  struct Row {
    std::size_t length;  // of the run directory with its trailing '/'
    bool asked;
  };
  for (const Row row : {Row{180, false}, Row{181, true}}) {
    EngineHarness h;
    std::string directory = path::WithSeparator(h.work.path());
    directory += std::string(row.length - directory.size() - 1, 'd');
    ASSERT_TRUE(std::filesystem::create_directory(NativePath(directory)));
    testing::WriteFile(directory + "/x.htm", Page("Moved", "x"));
    h.target = directory;
    h.view.box_answers = {mb::kIdNo};
    const RunStatistics stats = h.RunDirectory();
    const auto boxes = h.view.CallsStartingWith("box Directory path too long! 0x34 ");
    EXPECT_EQ(boxes.size(), row.asked ? 1u : 0u) << row.length;
    EXPECT_EQ(stats.FilesProcessed, row.asked ? 0 : 1);
    EXPECT_EQ(Listing(directory).count("x.htm"), row.asked ? 1u : 0u);
    EXPECT_EQ(h.last_end, row.asked ? RunEnd::EndedEarly : RunEnd::Completed);
    ExpectIdle(h.view);
  }
}

TEST(RunChecks, EmptyDirectoryInformsAndEnds) {
  EngineHarness h;
  testing::WriteFile(h.work / "notes.htmx", "x");
  h.originals["notes.htmx"] = "x";
  h.RunDirectory();
  EXPECT_EQ(h.view.CallsStartingWith("box "),
            std::vector<std::string>{"box No .HTM/.HTML files found! 0x40 No files with an "
                                     "extension of .HTM/.HTML found in the directory."});
  EXPECT_TRUE(h.view.CallsStartingWith("text 2003 Abort").empty());
  ExpectIdle(h.view);
  EXPECT_TRUE(h.NothingLost());
}

TEST(RunChecks, MissingDirectoryEndsLikeAnEmptyOne) {
  EngineHarness h;
  h.target = h.work / "gone";
  const RunStatistics stats = h.RunDirectory();
  EXPECT_EQ(stats.FilesProcessed, 0);
  EXPECT_EQ(h.view.CallsStartingWith("box No .HTM/.HTML files found!").size(), 1u);
  ExpectIdle(h.view);
}

TEST(RunAbort, FilesAfterTheAbortKeepTheirNames) {
  EngineHarness h;
  h.AddPage("a.htm", "c");  // takes the name of a file the run will not reach
  h.AddPage("b.htm", "x");
  h.AddPage("c.htm", "y");
  h.view.on_file = [&](const std::string& name) {
    if (name == "b.htm") h.continue_event.Reset();  // Abort pressed while b.htm is handled
  };
  const RunStatistics stats = h.RunDirectory();
  const auto listing = Listing(h.work.path());
  EXPECT_EQ(listing.at("c-1.htm"), h.originals.at("a.htm"));
  EXPECT_EQ(listing.at("x.htm"), h.originals.at("b.htm"));
  EXPECT_EQ(listing.at("c.htm"), h.originals.at("c.htm"));
  EXPECT_EQ(stats.FilesProcessed, 2);
  EXPECT_EQ(h.last_end, RunEnd::Aborted);
  EXPECT_TRUE(h.continue_event.IsSet());  // the abort was taken and the event set again
  EXPECT_FALSE(h.run_active);
  ExpectIdle(h.view);
  EXPECT_TRUE(h.NothingLost());
}

TEST(RunAbort, StaleAbortDoesNotCutTheNextRunShort) {
  EngineHarness h;
  h.AddPage("a.htm", "One");
  h.AddPage("b.htm", "Two");
  h.continue_event.Reset();  // pressed after the previous run's last poll
  const RunStatistics stats = h.RunDirectory();
  EXPECT_EQ(stats.FilesProcessed, 2);
  EXPECT_TRUE(h.NothingLost());
}

TEST(RunLeftovers, ScratchFilesOfAnInterruptedRunAreRenamedBackAndProcessed) {
  EngineHarness h;
  h.AddPage("Fresh.qlm", "Fresh");    // left between the two stages
  h.AddPage("other.QLM", "Another");  // any letter case
  h.AddPage("page.htm", "Fresh");
  const RunStatistics stats = h.RunDirectory();
  const auto listing = Listing(h.work.path());
  EXPECT_EQ(stats.FilesProcessed, 3);
  EXPECT_EQ(listing.at("Fresh.htm"), h.originals.at("Fresh.qlm"));
  EXPECT_EQ(listing.at("Fresh-1.htm"), h.originals.at("page.htm"));
  EXPECT_EQ(listing.at("Another.htm"), h.originals.at("other.QLM"));
  EXPECT_TRUE(h.NothingLost());
}

TEST(RunChanges, FilesDeletedBeforeTheirTurnAreReadErrors) {
  EngineHarness h;
  h.AddPage("a.htm", "One");
  h.AddPage("b.htm", "Two");
  h.view.on_file = [&](const std::string& name) {
    if (name == "a.htm") std::filesystem::remove(h.work / "b.htm");
  };
  const RunStatistics stats = h.RunDirectory();
  EXPECT_EQ(stats.FilesProcessed, 2);
  EXPECT_EQ(stats.ReadErrors, 1);
  EXPECT_EQ(stats.Unrenamed, 1);
  EXPECT_EQ(Listing(h.work.path()).count("One.htm"), 1u);
  ExpectIdle(h.view);
}

TEST(RunChanges, SubdirectoryNamedLikeAPageIsAReadError) {
  EngineHarness h;
  ASSERT_TRUE(std::filesystem::create_directory(NativePath(h.work / "folder.htm")));
  h.AddPage("a.htm", "One");
  const RunStatistics stats = h.RunDirectory();
  EXPECT_EQ(stats.ReadErrors, 1);
  EXPECT_TRUE(std::filesystem::is_directory(h.work / "folder.htm"));
  EXPECT_TRUE(h.NothingLost());
}

}  // namespace
}  // namespace qlm::testing
