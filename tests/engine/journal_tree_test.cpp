// The journal's record of tree runs: each directory run names its tree, older journals are
// still read, a tree's runs are kept together, and a tree's runs read on where the one before
// stopped without ever giving a run number twice.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "engine/journal.h"
#include "native_file_system_type.h"
#include "platform/clock.h"
#include "platform/path.h"
#include "support/temp_dir.h"

namespace qlm::testing {
namespace {

class JournalTrees : public ::testing::Test {
 protected:
  // A run that writes its header and `moves` moves (none: it only announces itself).
  std::int64_t Run(JournalTree* tree, int moves = 1, const std::string& directory = "/d/") {
    RunJournal journal(fs, clock, path::WithSeparator(program.path()), "dir", directory, 7, ".htm",
                       {}, tree);
    FileInfo identity;
    identity.inode = 99;
    journal.Announce();
    for (int i = 0; i < moves; ++i)
      journal.Intend('1', "a" + std::to_string(i) + ".htm", "A.qlm", identity);
    journal.End();
    return journal.id();
  }
  std::vector<JournalRun> Read() {
    std::vector<std::string> warnings;
    auto runs = ReadJournal(fs, program / std::string(kJournalName), {}, warnings);
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    return runs;
  }
  NativeFileSystem fs;
  FixedClock clock{LocalTime{2024, 5, 6, 7, 8, 9}};
  TempDir program;
};

TEST_F(JournalTrees, EachRunOfATreeNamesTheTreesFirstRun) {
  Run(nullptr);
  JournalTree tree;
  EXPECT_EQ(tree.id(), 0);
  const std::int64_t first = Run(&tree, 0);  // announced only: still the tree's first run
  EXPECT_EQ(tree.id(), first);
  const std::int64_t second = Run(&tree);
  Run(nullptr);
  const std::int64_t third = Run(&tree);
  std::map<std::int64_t, std::int64_t> trees;
  for (const JournalRun& run : Read())
    trees[run.id] = run.tree;
  EXPECT_EQ(trees, (std::map<std::int64_t, std::int64_t>{
                       {1, 0}, {first, first}, {second, first}, {4, 0}, {third, first}}));
}

TEST_F(JournalTrees, EveryFormOfTheRunHeaderIsRead) {
  WriteFile(program / std::string(kJournalName),
            "\nR\t1\tdir\t2024-01-01 00:00:00\t/old/"
            "\nR\t2\tdir\t2024-01-01 00:00:00\t/eight/\t5\t.html\t-"
            "\nR\t3\tundo\t2024-01-01 00:00:00\t/nine/\t5\t-\t2\t3"
            "\nR\t4\tdir\t2024-01-01 00:00:00\t/bad/\t5\t.htm\t-\tx"
            "\nR\t5\tdir\t2024-01-01 00:00:00\t/bad/\t5\t.htm\t-\t-1"
            "\nR\t6\tdir\t2024-01-01 00:00:00\t/bad/\t5\t.htm\t-\t3\textra");
  std::vector<std::string> warnings;
  const auto runs = ReadJournal(fs, program / std::string(kJournalName), {}, warnings);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].tree, 0);
  EXPECT_EQ(runs[1].extension, ".html");
  EXPECT_EQ(runs[2].tree, 3);
  EXPECT_EQ(runs[2].undoes, std::vector<std::int64_t>{2});
  EXPECT_EQ(warnings.size(), 3u);  // a tree that is no run number, and a tenth field
}

TEST_F(JournalTrees, RunNumbersStayUniqueWhileOthersWriteBetweenATreesRuns) {
  JournalTree tree;
  std::set<std::int64_t> ids;
  for (int i = 0; i < 30; ++i) {
    ids.insert(Run(&tree, 3));
    ids.insert(Run(nullptr, i % 2));  // another run between the tree's directories
  }
  EXPECT_EQ(ids.size(), 60u);
  const auto runs = Read();
  EXPECT_EQ(runs.size(), 60u);
  EXPECT_EQ(std::count_if(runs.begin(), runs.end(),
                          [&](const JournalRun& run) { return run.tree == tree.id(); }),
            30);
}

TEST_F(JournalTrees, ATreeCountsAsOneOfTheRunsTheJournalKeeps) {
  // So many single runs before the tree that the trim comes when it is the oldest unit kept.
  const int kOlder = kJournalTrimAt - kJournalRuns + 1;
  for (int i = 0; i < kOlder; ++i)
    Run(nullptr);
  JournalTree tree;
  for (int i = 0; i < 2 * kJournalRuns; ++i)
    Run(&tree);
  // Runs after the tree push it back, one unit at a time, until it is the oldest to keep.
  for (int i = 0; i < kJournalRuns - 1; ++i)
    Run(nullptr);
  auto runs = Read();
  EXPECT_EQ(std::count_if(runs.begin(), runs.end(),
                          [&](const JournalRun& run) { return run.tree == tree.id(); }),
            2 * kJournalRuns);
  EXPECT_EQ(runs.front().id, tree.id());  // the single runs before it are gone
  // Up to the next trim: the tree goes, whole.
  for (int i = 0; i < kJournalTrimAt - kJournalRuns + 1; ++i)
    Run(nullptr);
  runs = Read();
  EXPECT_EQ(runs.size(), static_cast<std::size_t>(kJournalRuns));
  EXPECT_TRUE(std::none_of(runs.begin(), runs.end(),
                           [&](const JournalRun& run) { return run.tree == tree.id(); }));
}

TEST_F(JournalTrees, ATreeReadsTheJournalAgainOnceAnotherRunHasTrimmedIt) {
  JournalTree tree;
  Run(&tree);
  for (int i = 0; i < kJournalTrimAt + 3; ++i)
    Run(nullptr);  // the journal is trimmed: a new, shorter file
  const std::int64_t later = Run(&tree);
  const auto runs = Read();
  EXPECT_GT(later, runs[runs.size() - 2].id);
  std::set<std::int64_t> ids;
  for (const JournalRun& run : runs)
    ids.insert(run.id);
  EXPECT_EQ(ids.size(), runs.size());
}

}  // namespace
}  // namespace qlm::testing
