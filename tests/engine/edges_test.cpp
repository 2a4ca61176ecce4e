// Runs at the edges where documents could leave their directory or vanish from view: paths
// that leave no room for a title, names that differ only in letter case, symbolic links, and
// the manual rename dialog's limits.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "common/text.h"
#include "common/ui.h"
#include "engine/manual_rename.h"
#include "support/engine_harness.h"

namespace qlm::testing {
namespace {

namespace fs = std::filesystem;

// Every entry name directly in `directory`, links and directories included.
std::vector<std::string> Entries(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

struct LongDirectoryRow {
  std::size_t run_directory_bytes;  // RunDirectory's length, its final '/' included
  std::string title;
  RunKind kind;
  bool full_auto;
  std::string expected;  // the page's name afterwards
};

class LongDirectory : public ::testing::TestWithParam<LongDirectoryRow> {};

TEST_P(LongDirectory, DestinationNeverLeavesTheDirectory) {
  const LongDirectoryRow& row = GetParam();
  EngineHarness h;
  h.options.EnableFullAutoMode = row.full_auto;
  const std::size_t used = h.work.path().size() + 2;  // the separators around the padding
  ASSERT_GT(row.run_directory_bytes, used);
  const std::string directory = h.work / std::string(row.run_directory_bytes - used, 'd');
  ASSERT_TRUE(fs::create_directory(directory));
  const std::string page = Page(row.title, "long");
  WriteFile(directory + "/page.htm", page);
  const auto parent_before = Entries(h.work.path());

  RunStatistics stats;
  if (row.kind == RunKind::DirectoryRun) {
    h.target = directory;
    stats = h.RunDirectory();
  } else {
    RunEnvironment environment{h.fs,
                               h.view,
                               h.clock,
                               h.options,
                               directory + "/page.htm",
                               h.program.path() + "/",
                               h.last_directory,
                               h.continue_event,
                               h.run_active};
    stats = ProcessingRun(RunKind::SingleFileRun, environment).statistics;
  }
  EXPECT_EQ(Entries(h.work.path()), parent_before);  // nothing landed beside the directory
  EXPECT_EQ(Entries(directory), std::vector<std::string>{row.expected});
  EXPECT_EQ(ReadFile(directory + "/" + row.expected), page);
  EXPECT_EQ(stats.Unrenamed, row.expected == "page.htm" ? 1 : 0);
  EXPECT_TRUE(h.view.CallsStartingWith("dialog ").empty());
}

std::vector<LongDirectoryRow> LongDirectoryRows() {
  std::vector<LongDirectoryRow> rows;
  for (const RunKind kind : {RunKind::DirectoryRun, RunKind::SingleFileRun}) {
    for (const bool full_auto : {true, false}) {
      if (kind == RunKind::SingleFileRun && full_auto) continue;  // always interactive
      rows.push_back({216, "Annual Report", kind, full_auto, "Ann.htm"});
      rows.push_back({218, "Annual Report", kind, full_auto, "A.htm"});
      rows.push_back({219, "Annual Report", kind, full_auto, "page.htm"});  // no room at all
      rows.push_back({220, "Annual Report", kind, full_auto, "page.htm"});
      rows.push_back({250, "Annual Report", kind, full_auto, "page.htm"});
      // One byte of room cannot hold a two-byte character: no title is left.
      rows.push_back({217, "\xC3\xA9t\xC3\xA9", kind, full_auto, "\xC3\xA9.htm"});
      rows.push_back({218, "\xC3\xA9t\xC3\xA9", kind, full_auto, "page.htm"});
    }
  }
  return rows;
}

INSTANTIATE_TEST_SUITE_P(Rows, LongDirectory, ::testing::ValuesIn(LongDirectoryRows()),
                         [](const auto& info) {
                           const LongDirectoryRow& row = info.param;
                           return std::to_string(row.run_directory_bytes) +
                                  (row.kind == RunKind::DirectoryRun ? "_dir" : "_file") +
                                  (row.full_auto ? "_auto" : "_asking") + "_" +
                                  std::to_string(info.index);
                         });

TEST(LongDirectoryLog, TheKeptFileGetsItsULine) {
  EngineHarness h;
  h.options.WriteErrorLog = 1;
  const std::string directory = h.work / std::string(220 - h.work.path().size() - 2, 'd');
  ASSERT_TRUE(fs::create_directory(directory));
  WriteFile(directory + "/page.htm", Page("Report", "x"));
  h.target = directory;
  h.RunDirectory();
  const std::string log = ReadFile(h.program / "QLM-ErrorLog.txt");
  EXPECT_NE(log.find("U1) page.htm was not renamed.\r\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("No errors."), std::string::npos);
}

TEST(SingleFileCase, ANameHeldOnlyByTheFileItselfIsFree) {
  struct Row {
    std::vector<std::string> others;  // further files of the directory
    bool asks;
    std::string expected;  // where the page ends
  };
  const Row rows[] = {
      {{}, false, "intro.htm"},            // a case-only rename, without a question
      {{"INTRO.htm"}, true, "Intro.htm"},  // another file holds the name: ask (and cancel)
  };
  for (const Row& row : rows) {
    EngineHarness h;
    h.AddPage("Intro.htm", "intro");
    for (const std::string& other : row.others)
      h.AddPage(other, "Something else");
    h.view.box_answers = {mb::kIdCancel};
    h.RunFile("Intro.htm");
    EXPECT_EQ(!h.view.CallsStartingWith("box ").empty(), row.asks);
    EXPECT_EQ(Listing(h.work.path()).at(row.expected), h.originals.at("Intro.htm"));
    EXPECT_TRUE(h.NothingLost());
  }
}

TEST(SingleFileCase, TypingTheFilesOwnNameIsAccepted) {
  EngineHarness h;
  h.AddPage("page.htm", "Report");
  h.AddPage("Report.htm", "Something else");
  h.view.typed_names = {std::string("PAGE")};
  h.RunFile("page.htm");
  EXPECT_EQ(h.view.CallsStartingWith("typed "), std::vector<std::string>{"typed PAGE -> accepted"});
  EXPECT_EQ(Listing(h.work.path()).at("PAGE.htm"), h.originals.at("page.htm"));
  EXPECT_TRUE(h.NothingLost());
}

TEST(RenameDialog, ProposalForALongTitleIsAcceptedAsOffered) {
  // The field holds 100 characters (UTF-16 units): the number must fit, and the proposal
  // must pass the dialog's own test unchanged.
  const std::string emoji = "\xF0\x9F\x98\x80";  // two units
  const std::string titles[] = {std::string(98, 'T'), std::string(99, 'T'), std::string(150, 'T'),
                                std::string(70, 'T') + emoji + emoji + std::string(40, 'x')};
  for (const std::string& title : titles) {
    EngineHarness h;
    h.options.EnableFullAutoMode = 0;
    h.AddPage("a.htm", title);
    h.AddPage("b.htm", title);
    h.view.typed_names = {std::string(RecordingView::kProposal)};
    const RunStatistics stats = h.RunDirectory();
    const auto typed = h.view.CallsStartingWith("typed ");
    ASSERT_EQ(typed.size(), 1u) << title;
    const std::string proposal = typed[0].substr(6, typed[0].size() - 6 - 12);
    EXPECT_TRUE(typed[0].ends_with(" -> accepted")) << typed[0];
    EXPECT_TRUE(proposal.ends_with("-1")) << proposal;
    EXPECT_LE(CountEditUnits(proposal), ManualRename::kMaxNameLength) << proposal;
    EXPECT_EQ(stats.UserRenamed, 1);
    EXPECT_EQ(Listing(h.work.path()).at(proposal + ".htm"), h.originals.at("b.htm"));
  }
}

TEST(RenameDialog, NamesEveryDesktopFileSystemHolds) {
  struct Row {
    std::string typed;
    ManualRename::Verdict verdict;
  };
  using V = ManualRename::Verdict;
  const std::string emoji = "\xF0\x9F\x98\x80";
  std::string fifty_emoji, fifty_one_emoji;
  for (int i = 0; i < 50; ++i)
    fifty_emoji += emoji;
  fifty_one_emoji = fifty_emoji + emoji;
  std::string hundred_e_acute;
  for (int i = 0; i < 100; ++i)
    hundred_e_acute += "\xC3\xA9";
  const Row rows[] = {
      {"Report", V::Accepted},
      {" Report", V::Accepted},  // a leading blank is kept by every file system
      {"Re.port", V::Accepted},
      {"Con Artist", V::Accepted},
      {std::string(100, 'x'), V::Accepted},
      {hundred_e_acute, V::Accepted},
      {fifty_emoji, V::Accepted},
      {std::string(101, 'x'), V::Invalid},
      {fifty_one_emoji, V::Invalid},
      {"", V::Invalid},
      {"   ", V::Invalid},
      {"a/b", V::Invalid},
      {"a\\b", V::Invalid},
      {"a:b", V::Invalid},
      {"a*b", V::Invalid},
      {"a?b", V::Invalid},
      {"a\"b", V::Invalid},
      {"a<b", V::Invalid},
      {"a>b", V::Invalid},
      {"a|b", V::Invalid},
      {"a\tb", V::Invalid},
      {"a\x01"
       "b",
       V::Invalid},
      {"a\x7F", V::Invalid},
      {"a\xC2\x85"
       "b",
       V::Invalid},  // NEL, a C1 control
      {"Report.", V::Invalid},
      {"Report ", V::Invalid},
      {"CON", V::Invalid},
      {"nul", V::Invalid},
      {"Com1.backup", V::Invalid},
      {"Taken", V::InUse},
      {"TAKEN", V::InUse},
  };
  EngineHarness h;
  WriteFile(h.work / "Taken.qlm", "x");
  WriteFile(h.work / "b.htm", "x");
  std::string destination = h.work / "Taken.qlm";
  ManualRename dialog(h.fs, RunKind::DirectoryRun, "b.htm", "Taken", h.work.path() + "/", true,
                      destination);
  EXPECT_EQ(dialog.Proposal(), "Taken-1");
  for (const Row& row : rows) {
    EXPECT_EQ(dialog.TryAccept(row.typed), row.verdict) << ::testing::PrintToString(row.typed);
  }
}

TEST(BackupDirectory, AnExistingOneInAnotherLetterCaseIsUsed) {
  for (const char* existing : {"backup", "BACKUP"}) {
    for (const std::uint8_t overwrite : {0, 1}) {
      EngineHarness h;
      h.options.BackupRenamedFiles = 1;
      h.options.BackupCreateNewDir = 0;
      h.options.BackupOverwriteExisting = overwrite;
      ASSERT_TRUE(fs::create_directory(h.work / existing));
      h.AddPage("a.htm", "Alpha");
      const RunStatistics stats = h.RunDirectory();
      EXPECT_EQ(stats.BackupErrors, 0) << existing;
      EXPECT_EQ(ReadFile(h.work / existing + "/a.htm"), h.originals.at("a.htm")) << existing;
      EXPECT_EQ(Entries(h.work.path()), (std::vector<std::string>{"Alpha.htm", existing}));
    }
  }
}

TEST(Links, ALinkIsNoDocumentAndKeepsItsNameAndTarget) {
  EngineHarness h;
  TempDir victim;
  h.options.BackupRenamedFiles = 1;
  h.options.BackupCreateNewDir = 0;
  h.options.BackupUnrenamedFiles = 1;
  h.options.WriteErrorLog = 1;
  WriteFile(victim / "private.html", Page("Salary list", "private"));
  h.AddPage("a.htm", "Alpha");
  ASSERT_EQ(symlink((victim / "private.html").c_str(), (h.work / "p1.htm").c_str()), 0);
  ASSERT_EQ(symlink("a.htm", (h.work / "zz.html").c_str()), 0);
  ASSERT_EQ(symlink("a.htm", (h.work / "old.qlm").c_str()), 0);  // not a scratch file of ours
  const RunStatistics stats = h.RunDirectory();

  EXPECT_EQ(Entries(h.work.path()),
            (std::vector<std::string>{"Alpha.htm", "Backup", "old.qlm", "p1.htm", "zz.html"}));
  EXPECT_EQ(fs::read_symlink(h.work / "p1.htm"), victim / "private.html");
  EXPECT_EQ(fs::read_symlink(h.work / "zz.html"), "a.htm");  // now dangling, as it was made
  EXPECT_EQ(fs::read_symlink(h.work / "old.qlm"), "a.htm");
  EXPECT_EQ(Entries(h.work / "Backup"), std::vector<std::string>{"a.htm"});  // nothing private
  EXPECT_EQ(stats.FilesProcessed, 3);
  EXPECT_EQ(stats.ReadErrors, 2);
  EXPECT_EQ(stats.Unrenamed, 2);
  int links_reported = 0;
  for (const JourneyStep& step : h.view.journey) {
    if (step.kept_reason.find("symbolic link") != std::string::npos) ++links_reported;
  }
  EXPECT_EQ(links_reported, 2);
  EXPECT_EQ(ReadFile(victim / "private.html"), Page("Salary list", "private"));
  const std::string log = ReadFile(h.program / "QLM-ErrorLog.txt");
  EXPECT_NE(log.find("R1) p1.htm could not be read.\r\nU1) p1.htm was not renamed."),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("Salary"), std::string::npos);
}

}  // namespace
}  // namespace qlm::testing
