// The rules undo keeps: units a user recognises, names that existed put back, no document ever
// left under a scratch name, journal failures said at once, and journal lines checked.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "common/messages.h"
#include "engine/journal.h"
#include "engine/undo.h"
#include "platform/fault_injecting_file_system.h"
#include "platform/overlay_file_system.h"
#include "support/engine_harness.h"

namespace qlm::testing {
namespace {

namespace fs = std::filesystem;

class UndoRules : public ::testing::Test {
 protected:
  UndoResult UndoLast(const std::optional<std::string>& directory = std::nullopt) {
    PosixFileSystem fresh;  // as a new process would
    UndoResult run = FindRunToUndo(fresh, h.program.path(), directory);
    UndoRun(fresh, h.clock, h.program.path(), run);
    return run;
  }
  std::string Journal() const { return ReadFile(h.program / "QLM-Journal.txt"); }
  EngineHarness h;
};

TEST_F(UndoRules, ARunThatRenamesNothingDoesNotHideTheOneThatDid) {
  h.AddPage("a.htm", "Alpha");
  h.AddPage("b.htm", "Beta");
  h.RunDirectory();
  h.RunDirectory();  // everything is named already: nothing is journaled for it
  EXPECT_EQ(Journal().find("\nM\t2\t"), std::string::npos) << Journal();
  const UndoResult undo = UndoLast();
  EXPECT_TRUE(EverythingPutBack(undo));
  EXPECT_EQ(Listing(h.work.path()), h.originals);
}

TEST_F(UndoRules, NamesThatExistedArePutBackEvenWhereARunWouldRefuseThem) {
  const std::string names[] = {"con.htm", "AUX.html", "new\nline.htm", "tab\there.htm"};
  for (const std::string& name : names)
    h.AddPage(name, "Title of " + std::to_string(name.size()));
  h.RunDirectory();
  ASSERT_NE(Listing(h.work.path()), h.originals);
  const UndoResult undo = UndoLast();
  EXPECT_TRUE(EverythingPutBack(undo));
  EXPECT_EQ(Listing(h.work.path()), h.originals);
}

TEST_F(UndoRules, AStepThatCannotBeMadeIsPutBackNeverLeftUnderAScratchName) {
  // The old name is taken by a newcomer, and its numbered form would be too long for a name.
  const std::string long_name = std::string(251, 'x') + ".htm";  // 255 bytes, the most
  h.AddPage(long_name, "Short");
  h.RunDirectory();
  ASSERT_TRUE(fs::exists(h.work / "Short.htm"));
  WriteFile(h.work / long_name, "a newcomer");
  const UndoResult undo = UndoLast();
  ASSERT_EQ(undo.items.size(), 1u);
  EXPECT_EQ(undo.items[0].outcome, UndoItem::Outcome::Failed);
  EXPECT_EQ(undo.items[0].restored_name, "Short.htm");  // where it is, truly
  EXPECT_EQ(ReadFile(h.work / "Short.htm"), h.originals.at(long_name));
  for (const auto& [name, contents] : Listing(h.work.path()))
    EXPECT_FALSE(IsScratchName(name)) << name;
  EXPECT_FALSE(EverythingPutBack(undo));
}

TEST_F(UndoRules, AUsersOwnScratchNamedFileGetsItsNameBack) {
  h.AddPage("notes.qlm", "Notes");  // not ours: a run renames it back as a leftover
  h.AddPage("a.htm", "Alpha");
  h.RunDirectory();
  ASSERT_FALSE(fs::exists(h.work / "notes.qlm"));
  UndoLast();
  EXPECT_EQ(Listing(h.work.path()), h.originals);
}

TEST_F(UndoRules, BothNamesOfAHardLinkedPairAreRestored) {
  h.AddPage("a.htm", "Same");
  ASSERT_EQ(link((h.work / "a.htm").c_str(), (h.work / "b.htm").c_str()), 0);
  h.originals["b.htm"] = h.originals.at("a.htm");
  h.RunDirectory();
  ASSERT_FALSE(fs::exists(h.work / "b.htm"));
  UndoLast();
  EXPECT_EQ(Listing(h.work.path()), h.originals);
}

TEST_F(UndoRules, ARenamedDirectoryIsUndoneByItsNewPathAndItsOldPathSaysSo) {
  TempDir root;
  const std::string old_path = root / "pages";
  fs::create_directory(old_path);
  WriteFile(old_path + "/a.htm", Page("Alpha", "a"));
  h.target = old_path;
  h.RunDirectory();
  fs::rename(old_path, root / "moved");
  const UndoResult by_old = UndoLast(old_path);
  EXPECT_FALSE(EverythingPutBack(by_old));
  const UndoResult by_new = UndoLast(root / "moved");
  EXPECT_TRUE(EverythingPutBack(by_new));
  EXPECT_EQ(ReadFile(root / "moved/a.htm"), Page("Alpha", "a"));
}

TEST_F(UndoRules, JournalLinesAreCheckedAndRepairedFormsRead) {
  // A move whose names leave the directory, a chain that starts at a scratch name (its first
  // move lost), a record cut short by a full disk right before the next one, CR LF line ends
  // and an older journal's device field: each read as what it is.
  TempDir outside;
  WriteFile(outside / "victim.htm", "victim");
  WriteFile(h.work / "Page.htm", "page");
  WriteFile(h.work / "Lost.htm", "lost");
  struct stat page {
  }, lost{};
  ASSERT_EQ(stat((h.work / "Page.htm").c_str(), &page), 0);
  ASSERT_EQ(stat((h.work / "Lost.htm").c_str(), &lost), 0);
  const auto identity = [](const struct stat& s) {
    return std::to_string(s.st_ino) + "\t" + std::to_string(s.st_size) + "\t" +
           std::to_string(s.st_mtim.tv_sec * 1'000'000'000LL + s.st_mtim.tv_nsec);
  };
  const std::string directory = h.work.path() + "/";
  std::ofstream(h.program / "QLM-Journal.txt")
      << "\r\nR\t1\tdir\t2026-01-01 00:00:00\t" << directory << "\t0\t.htm\t-\r\n"
      << "M\t1\t1\t../outside/victim.htm\tx.qlm\t1\t1\t1\r\n"
      << "M\t1\t2\tLost.qlm\tLost.htm\t" << identity(lost) << "\r\n"
      << "M\t1\t1\tpage.htm\tPa"  // cut short by a full disk
      << "\nM\t1\t9\tpage.htm\tPage.htm\t7\t" << identity(page) << "\r\nE\t1\r\n";
  const UndoResult undo = UndoLast(h.work.path());
  ASSERT_TRUE(undo.found);
  EXPECT_FALSE(undo.warnings.empty());
  bool unknown = false;
  for (const UndoItem& item : undo.items)
    unknown |= item.current == "Lost.htm" && item.outcome == UndoItem::Outcome::Unknown;
  EXPECT_TRUE(unknown);
  EXPECT_EQ(ReadFile(h.work / "page.htm"), "page");  // the old form's move, undone
  EXPECT_EQ(ReadFile(h.work / "Lost.htm"), "lost");  // never to a scratch name
  EXPECT_EQ(ReadFile(outside / "victim.htm"), "victim");
}

TEST_F(UndoRules, AJournalThatCannotBeWrittenIsSaidAtOnceAndTheRunGoesOn) {
  struct Row {
    const char* label;
    std::function<void(EngineHarness&, FaultInjectingFileSystem&)> spoil;
  };
  const Row rows[] = {
      {"a directory",
       [](EngineHarness& e, FaultInjectingFileSystem&) {
         fs::create_directory(e.program / "QLM-Journal.txt");
       }},
      {"a dangling link",
       [](EngineHarness& e, FaultInjectingFileSystem&) {
         fs::create_symlink(e.program / "elsewhere", e.program / "QLM-Journal.txt");
       }},
      {"a FIFO",
       [](EngineHarness& e, FaultInjectingFileSystem&) {
         mkfifo((e.program / "QLM-Journal.txt").c_str(), 0600);
       }},
      {"full disk",
       [](EngineHarness&, FaultInjectingFileSystem& f) {
         f.FailCall(FsOperation::LogWrite, 2, ENOSPC, true);
       }},
  };
  for (const Row& row : rows) {
    EngineHarness e;
    e.AddPage("a.htm", "Alpha");
    e.AddPage("b.htm", "Beta");
    FaultInjectingFileSystem faulty(e.fs);
    row.spoil(e, faulty);
    e.RunDirectory(&faulty);
    EXPECT_EQ(e.view.CallsStartingWith("box " + std::string(msg::kJournalFailedCaption)).size(), 1u)
        << row.label;
    EXPECT_TRUE(fs::exists(e.work / "Alpha.htm")) << row.label;
    EXPECT_TRUE(fs::exists(e.work / "Beta.htm")) << row.label;
  }
}

TEST_F(UndoRules, NothingToUndoIsNoSuccess) {
  h.AddPage("a.htm", "a");  // already named after its title
  h.RunDirectory();
  const UndoResult undo = UndoLast();
  EXPECT_FALSE(undo.found);
  EXPECT_FALSE(EverythingPutBack(undo));
}

TEST_F(UndoRules, ADryRunSaysWhatTheUndoDoesInAReadOnlyDirectoryToo) {
  h.AddPage("a.htm", "Alpha");
  h.AddPage("b.htm", "Beta");
  h.RunDirectory();
  for (const bool read_only : {true, false}) {
    SCOPED_TRACE(read_only ? "read-only" : "writable");
    PosixFileSystem disk;
    FaultInjectingFileSystem faulty(disk);
    if (read_only) {
      faulty.FailCall(FsOperation::Probe, 1, EROFS, true);
      faulty.FailCall(FsOperation::Move, 1, EROFS, true);
    }
    OverlayFileSystem overlay(faulty);
    UndoResult plan = FindRunToUndo(overlay, h.program.path(), std::nullopt);
    UndoRun(overlay, h.clock, h.program.path(), plan);
    UndoResult done = FindRunToUndo(faulty, h.program.path(), std::nullopt);
    UndoRun(faulty, h.clock, h.program.path(), done);
    ASSERT_EQ(plan.items.size(), done.items.size());
    for (std::size_t i = 0; i < plan.items.size(); ++i) {
      EXPECT_EQ(plan.items[i].outcome, done.items[i].outcome) << plan.items[i].current;
      EXPECT_EQ(plan.items[i].restored_name, done.items[i].restored_name);
    }
    EXPECT_EQ(EverythingPutBack(done), !read_only);
  }
}

}  // namespace
}  // namespace qlm::testing
