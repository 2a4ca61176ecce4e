// Undo through the journal: every name put back, even after a run killed midway.
#include "engine/undo.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <utility>

#include "engine/journal.h"
#include "platform/fault_injecting_file_system.h"
#include "platform/forwarding_file_system.h"
#include "platform/path.h"
#include "support/engine_harness.h"

namespace qlm::testing {
namespace {

namespace fs = std::filesystem;

// Stands for a process killed by SIGKILL: the Nth move never happens and nothing after it
// runs (the exception unwinds the run without any of its end steps).
struct Killed {};
class KillAtMove final : public ForwardingFileSystem {
 public:
  KillAtMove(FileSystem& inner, int nth) : ForwardingFileSystem(inner), nth_(nth) {}
  FsError Move(const std::string& from, const std::string& to) override {
    if (++moves_ == nth_) throw Killed{};
    return ForwardingFileSystem::Move(from, to);
  }

 private:
  int nth_;
  int moves_ = 0;
};

class Undo : public ::testing::Test {
 protected:
  Undo() {
    h.AddPage("a.htm", "Intro");
    h.AddPage("b.html", "Intro");
    h.AddPage("c.HTM", "b");  // takes a name another file had
    h.AddPage("d.htm", "d");  // already named after its title
    WriteFile(h.work / "e.htm", "no title");
    h.originals["e.htm"] = "no title";
  }
  UndoResult UndoLast(const std::optional<std::string>& directory = std::nullopt) {
    UndoResult run = FindRunToUndo(h.fs, h.program.path(), directory);
    UndoRun(h.fs, h.clock, h.program.path(), run);
    return run;
  }
  EngineHarness h;
};

TEST_F(Undo, RestoresEveryNameAndEveryByte) {
  h.RunDirectory();
  ASSERT_NE(Listing(h.work.path()), h.originals);
  const UndoResult run = UndoLast();
  ASSERT_TRUE(run.found);
  EXPECT_EQ(Listing(h.work.path()), h.originals);
  for (const UndoItem& item : run.items) {
    EXPECT_EQ(item.outcome, UndoItem::Outcome::Restored) << item.original;
  }
}

TEST_F(Undo, RunKilledInEitherStageIsUndone) {
  // Ten moves in all: five to scratch names, then five to final names.
  for (const int kill_at : {1, 2, 5, 6, 8, 10}) {
    EngineHarness& run = h;
    for (const auto& [name, contents] : Listing(run.work.path()))
      fs::remove(run.work / name);
    for (const auto& [name, contents] : run.originals)
      WriteFile(run.work / name, contents);
    KillAtMove killing(run.fs, kill_at);
    EXPECT_THROW(run.RunDirectory(&killing), Killed);
    NativeFileSystem fresh;  // a new process after the crash
    UndoResult undo = FindRunToUndo(fresh, run.program.path(), std::nullopt);
    UndoRun(fresh, run.clock, run.program.path(), undo);
    EXPECT_EQ(Listing(run.work.path()), run.originals) << "killed at move " << kill_at;
  }
}

TEST_F(Undo, EditedFileIsLeftAloneAndReported) {
  h.RunDirectory();
  WriteFile(h.work / "Intro.htm", "edited since");
  const UndoResult run = UndoLast();
  int changed = 0;
  for (const UndoItem& item : run.items) {
    if (item.current == "Intro.htm") {
      EXPECT_EQ(item.outcome, UndoItem::Outcome::Changed);
      ++changed;
    }
  }
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(ReadFile(h.work / "Intro.htm"), "edited since");
  EXPECT_FALSE(fs::exists(h.work / "a.htm"));
  EXPECT_EQ(ReadFile(h.work / "b.html"), h.originals.at("b.html"));
}

TEST_F(Undo, TakenOldNameGetsANumberedName) {
  h.RunDirectory();
  WriteFile(h.work / "a.htm", "a newcomer");
  const UndoResult run = UndoLast();
  EXPECT_EQ(ReadFile(h.work / "a.htm"), "a newcomer");
  EXPECT_EQ(ReadFile(h.work / "a-1.htm"), h.originals.at("a.htm"));
  bool reported = false;
  for (const UndoItem& item : run.items) {
    reported |= item.outcome == UndoItem::Outcome::Renumbered && item.restored_name == "a-1.htm";
  }
  EXPECT_TRUE(reported);
}

TEST_F(Undo, UndoingTheUndoRedoesTheRun) {
  h.RunDirectory();
  const auto after_run = Listing(h.work.path());
  UndoLast();
  EXPECT_EQ(Listing(h.work.path()), h.originals);
  UndoLast();
  EXPECT_EQ(Listing(h.work.path()), after_run);
}

TEST_F(Undo, RunsOfTwoDirectoriesAreUndoneIndependently) {
  TempDir other;
  WriteFile(other / "x.htm", Page("Other", "x"));
  h.RunDirectory();
  const auto first_after = Listing(h.work.path());
  h.target = other.path();
  h.RunDirectory();
  EXPECT_TRUE(fs::exists(other / "Other.htm"));
  UndoLast(h.work.path());
  EXPECT_EQ(Listing(h.work.path()), h.originals);
  EXPECT_TRUE(fs::exists(other / "Other.htm"));
  UndoLast(path::WithSeparator(other.path()));
  EXPECT_TRUE(fs::exists(other / "x.htm"));
  EXPECT_EQ(Listing(h.work.path()), h.originals);
}

// The runs a journal holds: at least the last 20; once it holds 40, the run starting drops all
// but the last 19 of them. The numbers go on across each trim.
TEST_F(Undo, JournalKeepsAtLeastTheLastTwentyRuns) {
  const std::map<int, std::pair<int, int>> after{
      // runs made -> {runs held, the oldest held}
      {20, {20, 1}}, {40, {40, 1}}, {41, {20, 22}}, {60, {39, 22}}, {61, {40, 22}}, {62, {20, 43}}};
  for (int run = 1; run <= after.rbegin()->first; ++run) {
    h.AddPage("p" + std::to_string(run) + ".htm", "Run " + std::to_string(run));
    h.RunDirectory();
    const auto expected = after.find(run);
    if (expected == after.end()) continue;
    std::vector<std::string> warnings;
    const std::vector<JournalRun> runs =
        ReadJournal(h.fs, h.program / "QLM-Journal.txt", {}, warnings);
    ASSERT_EQ(runs.size(), static_cast<std::size_t>(expected->second.first)) << run;
    EXPECT_EQ(runs.front().id, expected->second.second) << run;
    EXPECT_EQ(runs.back().id, run);
    EXPECT_TRUE(warnings.empty()) << run;
    EXPECT_EQ(FindRunToUndo(h.fs, h.program.path(), std::nullopt).run_ids.back(), run);
  }
}

// Dropping the oldest runs replaces the journal. A system that cannot replace an open file
// (Windows without POSIX renames) refuses while the run holds it open; the run lets go and
// tries once more. Any other failure leaves the journal whole and the run goes on.
TEST(JournalTrim, AReplaceRefusedKeepsEveryRunAndTheNewOne) {
  struct Row {
    int errno_value;
    int runs_kept;
  };
  for (const Row row : {Row{EBUSY, kJournalRuns}, Row{ENOSPC, kJournalTrimAt + 1}}) {
    EngineHarness h;
    for (int run = 1; run <= kJournalTrimAt; ++run) {
      h.AddPage("p" + std::to_string(run) + ".htm", "Run " + std::to_string(run));
      h.RunDirectory();
    }
    h.AddPage("last.htm", "Last");
    FaultInjectingFileSystem faulty(h.fs);
    faulty.FailCall(FsOperation::ReplaceFile, 1, row.errno_value);
    h.RunDirectory(&faulty);
    EXPECT_TRUE(fs::exists(h.work / "Last.htm")) << row.errno_value;
    std::ifstream journal(h.program / "QLM-Journal.txt");
    int runs = 0;
    for (std::string line; std::getline(journal, line);)
      runs += line.rfind("R\t", 0) == 0;
    EXPECT_EQ(runs, row.runs_kept) << row.errno_value;
    EXPECT_EQ(FindRunToUndo(h.fs, h.program.path(), std::nullopt).run_ids.back(),
              kJournalTrimAt + 1)
        << row.errno_value;
  }
}

TEST_F(Undo, DamagedJournalLinesAreSkippedWithAMessage) {
  h.RunDirectory();
  {
    std::ofstream journal(h.program / "QLM-Journal.txt", std::ios::app);
    journal << "garbage\nM\tx\t1\n\xff\xfe\tR\n";
  }
  const UndoResult run = UndoLast();
  EXPECT_EQ(run.warnings.size(), 3u);
  EXPECT_EQ(Listing(h.work.path()), h.originals);
}

TEST(UndoJournal, LinesAcrossReadChunksAreReadWhole) {
  // Names of many lengths put line ends on every side of the reader's chunk boundaries, and
  // one name is longer than a chunk.
  std::vector<std::string> names;
  std::string text = "R\t7\tdir\t2026-01-02 03:04:05\t/pages/\n";
  for (std::size_t i = 0; text.size() < 300'000; ++i) {
    names.push_back(std::string(1 + i % 997, static_cast<char>('a' + i % 26)) + ".htm");
    if (i == 100) names.back() = std::string(70'000, 'L') + ".htm";
    text += "M\t7\t1\t" + names.back() + "\tx.qlm\t1\t" + std::to_string(i + 1) + "\t2\t3\n";
  }
  text += "E\t7\nR\t8\tdir\t2026-01-02 03:04:06\t/other/";  // no final line end
  TempDir program;
  WriteFile(program / "QLM-Journal.txt", text);
  NativeFileSystem fs;
  std::vector<std::string> warnings;
  const std::vector<JournalRun> headers =
      ReadJournal(fs, program / "QLM-Journal.txt", {}, warnings);
  ASSERT_EQ(headers.size(), 2u);
  EXPECT_EQ(headers[0].id, 7);
  EXPECT_TRUE(headers[0].ended);
  EXPECT_EQ(headers[1].directory, "/other/");
  const std::vector<JournalRun> runs = ReadJournal(fs, program / "QLM-Journal.txt", {7}, warnings);
  ASSERT_EQ(runs.size(), 2u);
  ASSERT_EQ(runs[0].moves.size(), names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(runs[0].moves[i].from, names[i]) << i;
    EXPECT_EQ(runs[0].moves[i].inode, i + 1) << i;
  }
  EXPECT_TRUE(warnings.empty());
}

TEST(UndoJournal, FieldsSurviveEscaping) {
  for (const std::string field :
       {"plain.htm", "tab\there", "new\nline", "back\\slash", "\x01\x7f", "caf\xC3\xA9.htm", ""}) {
    EXPECT_EQ(UnescapeJournalField(EscapeJournalField(field)), field);
    EXPECT_EQ(EscapeJournalField(field).find_first_of("\t\n\r"), std::string::npos);
  }
  EXPECT_FALSE(UnescapeJournalField("bad\\q"));
  EXPECT_FALSE(UnescapeJournalField("cut\\x4"));
}

TEST(UndoJournal, EveryByteEscapedOrKeptWhereverItStands) {
  // Each byte value at each place of a name long enough to be checked several bytes at once.
  for (int byte = 0; byte < 256; ++byte) {
    const bool special = byte < 0x20 || byte == 0x7F || byte == '\\';
    for (std::size_t at = 0; at < 19; ++at) {
      std::string field(19, 'n');
      field[at] = static_cast<char>(byte);
      const std::string escaped = EscapeJournalField(field);
      EXPECT_EQ(escaped != field, special) << byte << " at " << at;
      EXPECT_EQ(UnescapeJournalField(escaped), field) << byte << " at " << at;
    }
  }
}

}  // namespace
}  // namespace qlm::testing
