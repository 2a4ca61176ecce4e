// Undo of a tree run: every directory run of the tree put back, newest first; a directory a
// later run changed left alone; an interrupted undo finished; a finished one redone.
#include "engine/tree_undo.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/journal.h"
#include "platform/path.h"
#include "support/engine_harness.h"

namespace qlm::testing {
namespace {

namespace fs = std::filesystem;

// name -> contents of every regular file in the tree, by path relative to its root.
std::map<std::string, std::string> Files(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file())
      files[fs::relative(entry.path(), root).generic_string()] = ReadFile(Utf8(entry.path()));
  }
  return files;
}

class TreeUndoTest : public ::testing::Test {
 protected:
  TreeUndoTest() {
    for (const char* directory : {"", "a", "a/deep", "b"}) {
      const std::string at = h.work / directory;
      fs::create_directories(at);
      // Two pages with one title in each directory: a clash, numbered.
      WriteFile(at + "/x.htm", Page("Same", at + "x"));
      WriteFile(at + "/y.htm", Page("Same", at + "y"));
    }
    originals = Files(h.work.path());
  }
  // Runs the four directories as one tree run, in walk order.
  void RunTree() {
    JournalTree tree;
    h.tree = &tree;
    for (const char* directory : {"", "a", "a/deep", "b"}) {
      h.target = directory[0] == '\0' ? h.work.path() : h.work / directory;
      h.RunDirectory();
    }
    h.tree = nullptr;
    h.target.clear();
  }
  TreeUndo Find(const std::optional<std::string>& within) {
    NativeFileSystem fresh;  // as a new process would
    return FindTreeToUndo(fresh, h.program.path(), within);
  }
  TreeUndo Undo(const std::optional<std::string>& within = std::nullopt) {
    NativeFileSystem fresh;
    TreeUndo plan = FindTreeToUndo(fresh, h.program.path(), within);
    UndoTree(fresh, h.clock, h.program.path(), plan);
    return plan;
  }
  std::vector<TreeUndoStep::Status> Statuses(const TreeUndo& plan) {
    std::vector<TreeUndoStep::Status> statuses;
    for (const TreeUndoStep& step : plan.steps)
      statuses.push_back(step.status);
    return statuses;
  }
  EngineHarness h;
  std::map<std::string, std::string> originals;
};

using Status = TreeUndoStep::Status;

TEST_F(TreeUndoTest, UndoesEveryDirectoryNewestFirstAndAgainRedoes) {
  RunTree();
  const auto renamed = Files(h.work.path());
  ASSERT_TRUE(renamed.contains("a/deep/Same-1.htm"));
  const TreeUndo undo = Undo(h.work.path());
  ASSERT_TRUE(undo.found);
  EXPECT_FALSE(undo.redoes);
  ASSERT_EQ(undo.steps.size(), 4u);
  EXPECT_EQ(undo.steps.front().directory, h.work / "b/");
  EXPECT_EQ(undo.steps.back().directory, path::WithSeparator(h.work.path()));
  for (const TreeUndoStep& step : undo.steps)
    EXPECT_TRUE(EverythingPutBack(step.undo)) << step.directory;
  EXPECT_EQ(Files(h.work.path()), originals);

  const TreeUndo redo = Undo();  // the undo is a tree run too: undoing it redoes the tree
  EXPECT_TRUE(redo.redoes);
  EXPECT_EQ(Statuses(redo), std::vector<Status>(4, Status::Undo));
  EXPECT_EQ(Files(h.work.path()), renamed);
}

TEST_F(TreeUndoTest, ADirectoryALaterRunChangedIsLeftAloneAndSaid) {
  RunTree();
  WriteFile(h.work / "a/z.htm", Page("Later", "z"));
  h.target = h.work / "a";
  h.RunDirectory();  // a run of its own there, after the tree
  const TreeUndo undo = Undo();
  ASSERT_TRUE(undo.found);
  EXPECT_EQ(Statuses(undo),
            (std::vector<Status>{Status::Undo, Status::Undo, Status::LaterFirst, Status::Undo}));
  EXPECT_TRUE(fs::exists(h.work / "a/Later.htm"));  // the later run stands
  EXPECT_TRUE(fs::exists(h.work / "a/Same.htm"));   // and so does the tree's run there
  EXPECT_TRUE(fs::exists(h.work / "b/x.htm"));
}

TEST_F(TreeUndoTest, AnInterruptedUndoIsFinishedNotReversed) {
  RunTree();
  const auto renamed = Files(h.work.path());
  {
    // The undo of the tree stops after its first directory (as a killed one would).
    NativeFileSystem disk;
    TreeUndo plan = FindTreeToUndo(disk, h.program.path(), std::nullopt);
    ASSERT_EQ(plan.steps.size(), 4u);
    JournalTree undo_tree;
    UndoRun(disk, h.clock, h.program.path(), plan.steps.front().undo, &undo_tree);
  }
  ASSERT_TRUE(fs::exists(h.work / "b/y.htm"));
  const TreeUndo finish = Undo();
  EXPECT_TRUE(finish.finishes_undo);
  EXPECT_EQ(Statuses(finish),
            (std::vector<Status>{Status::Nothing, Status::Undo, Status::Undo, Status::Undo}));
  EXPECT_EQ(Files(h.work.path()), originals);
  // The finished undo is one tree with its first part: undoing it redoes all four.
  const TreeUndo redo = Undo();
  EXPECT_TRUE(redo.redoes);
  EXPECT_EQ(redo.steps.size(), 4u);
  EXPECT_EQ(Files(h.work.path()), renamed);
}

TEST_F(TreeUndoTest, AnUndoKilledAfterItsLastMoveIsNeitherFinishedAgainNorReversed) {
  RunTree();
  Undo();
  ASSERT_EQ(Files(h.work.path()), originals);
  // As if killed right before its last end record: the journal says its last run never ended.
  const std::string journal = h.program / std::string(kJournalName);
  std::string text = ReadFile(journal);
  const std::size_t end = text.rfind("\nE\t");
  ASSERT_NE(end, std::string::npos);
  ASSERT_EQ(text.find('\n', end + 1), std::string::npos);  // the journal's last record
  WriteFile(journal, text.substr(0, end));
  EXPECT_FALSE(Undo().found);
  EXPECT_EQ(Files(h.work.path()), originals);
}

TEST_F(TreeUndoTest, OnlyATreeWhollyWithinTheDirectoryGivenIsUndone) {
  RunTree();
  EXPECT_FALSE(Find(h.work / "a").found);  // the tree reaches beyond a/
  JournalTree inner;
  WriteFile(h.work / "a/deep/w.htm", Page("Inner", "w"));
  h.tree = &inner;
  h.target = h.work / "a/deep";
  h.RunDirectory();
  const TreeUndo undo = Find(h.work / "a/");
  ASSERT_TRUE(undo.found);
  EXPECT_EQ(undo.tree, inner.id());
  EXPECT_EQ(Find(h.work.path()).tree, inner.id());  // the most recent within the root
  EXPECT_FALSE(Find(h.work / "b").found);
}

TEST_F(TreeUndoTest, ADirectoryNamedLikeAPageGetsItsNameBackAfterItsOwnRunIsUndone) {
  fs::create_directory(h.work / "docs.html");
  WriteFile(h.work / "docs.html/p.htm", Page("Inside", "p"));
  originals = Files(h.work.path());
  JournalTree tree;
  h.tree = &tree;
  h.RunDirectory();  // the root's run renames the directory as it renames a page it cannot read
  ASSERT_TRUE(fs::is_directory(h.work / "docs.htm"));
  h.target = h.work / "docs.htm";
  h.RunDirectory();  // and the walk goes on inside it, under its new name
  ASSERT_TRUE(fs::exists(h.work / "docs.htm/Inside.htm"));
  const TreeUndo undo = Undo();
  EXPECT_EQ(Statuses(undo), (std::vector<Status>{Status::Undo, Status::Undo}));
  for (const TreeUndoStep& step : undo.steps)
    EXPECT_TRUE(EverythingPutBack(step.undo)) << step.directory;
  EXPECT_EQ(Files(h.work.path()), originals);
  EXPECT_FALSE(fs::exists(h.work / "docs.htm"));
}

TEST_F(TreeUndoTest, NothingToUndoIsNotFoundAndLaterRunsEverywhereAreSaid) {
  EXPECT_FALSE(Find(std::nullopt).found);
  h.target = h.work / "a";
  h.RunDirectory();  // a run of its own is no tree run
  EXPECT_FALSE(Find(std::nullopt).found);
  RunTree();
  Undo();
  for (const char* directory : {"", "a", "a/deep", "b"}) {
    NativeFileSystem disk;  // the tree's undo undone directory by directory instead
    UndoResult back = FindRunToUndo(disk, h.program.path(), h.work / directory);
    UndoRun(disk, h.clock, h.program.path(), back);
  }
  const auto now = Files(h.work.path());
  const TreeUndo blocked = Undo();
  EXPECT_TRUE(blocked.found);
  EXPECT_EQ(Statuses(blocked), std::vector<Status>(4, Status::LaterFirst));
  EXPECT_EQ(Files(h.work.path()), now);
}

}  // namespace
}  // namespace qlm::testing
