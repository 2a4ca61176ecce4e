// Full-auto directory runs: titles become names, clashes are numbered in search order.
#include <gtest/gtest.h>

#include "common/text.h"
#include "engine/journal.h"
#include "support/engine_harness.h"

namespace qlm::testing {
namespace {

TEST(FullAuto, TwelveSharedTitlesAreNumberedInSearchOrder) {
  EngineHarness h;
  for (int i = 1; i <= 12; ++i) {
    h.AddPage("page" + std::string(i < 10 ? "0" : "") + IntToText(i) + ".htm", "Intro");
  }
  const RunStatistics stats = h.RunDirectory();
  const auto listing = Listing(h.work.path());
  ASSERT_EQ(listing.size(), 12u);
  EXPECT_EQ(listing.at("Intro.htm"), h.originals.at("page01.htm"));
  for (int n = 1; n <= 11; ++n) {
    const std::string source = "page" + std::string(n + 1 < 10 ? "0" : "") + IntToText(n + 1);
    EXPECT_EQ(listing.at("Intro-" + IntToText(n) + ".htm"), h.originals.at(source + ".htm")) << n;
  }
  EXPECT_EQ(stats.FilesProcessed, 12);
  EXPECT_EQ(stats.Unrenamed, 0);
  EXPECT_TRUE(h.NothingLost());
  // The journal holds each page's first move once, to the name it got: a name already taken
  // is not journaled as the page's destination first.
  std::vector<std::string> warnings;
  const auto runs = ReadJournal(h.fs, h.program / std::string(kJournalName), {1}, warnings);
  ASSERT_EQ(runs.size(), 1u);
  std::vector<std::string> first_moves;
  for (const JournalMove& move : runs[0].moves) {
    if (move.step == '1') first_moves.push_back(move.to);
  }
  std::vector<std::string> expected = {"Intro.qlm"};
  for (int n = 1; n <= 11; ++n)
    expected.push_back("Intro-" + IntToText(n) + ".qlm");
  EXPECT_EQ(first_moves, expected);
}

TEST(FullAuto, TitlesDifferingOnlyInCaseClash) {
  EngineHarness h;
  h.AddPage("a.htm", "Intro");
  h.AddPage("b.htm", "Intro");
  h.AddPage("c.htm", "INTRO");
  h.RunDirectory();
  const auto listing = Listing(h.work.path());
  EXPECT_EQ(listing.at("Intro.htm"), h.originals.at("a.htm"));
  EXPECT_EQ(listing.at("Intro-1.htm"), h.originals.at("b.htm"));
  EXPECT_EQ(listing.at("INTRO-2.htm"), h.originals.at("c.htm"));
  EXPECT_TRUE(h.NothingLost());
}

TEST(FullAuto, FileAlreadyNamedAfterItsTitle) {
  struct Row {
    const char* name;
    const char* other;  // a file that comes first in search order with the same title, or ""
    const char* expected;
  };
  const Row rows[] = {
      {"page.html", "", "page.htm"},          // counted unrenamed, still normalised to .htm
      {"Intro.htm", "a.htm", "Intro-1.htm"},  // a.htm took the title first
  };
  for (const Row& row : rows) {
    EngineHarness h;
    std::string title(row.name);
    StripExtension(title);
    h.AddPage(row.name, title);
    if (*row.other) h.AddPage(row.other, title);
    const RunStatistics stats = h.RunDirectory();
    const auto listing = Listing(h.work.path());
    EXPECT_EQ(listing.at(row.expected), h.originals.at(row.name)) << row.name;
    EXPECT_EQ(stats.Unrenamed, 1) << row.name;
    EXPECT_TRUE(h.NothingLost());
  }
}

TEST(FullAuto, FinalExtensionFollowsRenameAsHtm) {
  for (const std::uint8_t as_htm : {0, 1}) {
    EngineHarness h;
    h.options.RenameAsHtm = as_htm;
    h.AddPage("PAGE.HTM", "Report");
    h.AddPage("other.htm", "Notes");
    h.RunDirectory();
    const auto listing = Listing(h.work.path());
    const std::string ext = as_htm ? ".htm" : ".html";
    EXPECT_EQ(listing.count("Report" + ext), 1u);
    EXPECT_EQ(listing.count("Notes" + ext), 1u);
    EXPECT_TRUE(h.NothingLost());
  }
}

TEST(FullAuto, TitleFailuresKeepTheirNamesAndAreCounted) {
  EngineHarness h;
  h.AddPage("good.htm", "Good");
  WriteFile(h.work / "empty.htm", "");
  h.originals["empty.htm"] = "";
  WriteFile(h.work / "notitle.html", "<html><title>  </title></html>");
  h.originals["notitle.html"] = "<html><title>  </title></html>";
  const RunStatistics stats = h.RunDirectory();
  const auto listing = Listing(h.work.path());
  EXPECT_EQ(listing.count("Good.htm"), 1u);
  EXPECT_EQ(listing.count("empty.htm"), 1u);
  EXPECT_EQ(listing.count("notitle.htm"), 1u);  // kept its name, extension by the option
  EXPECT_EQ(stats.TitleErrors, 2);
  EXPECT_EQ(stats.Unrenamed, 2);
  EXPECT_TRUE(h.NothingLost());
}

TEST(FullAuto, NamesTheFileSystemRefusesAreCountedUnrenamed) {
  struct Row {
    const char* title;
    const char* expected;  // the file's name after the run
  };
  const Row rows[] = {
      {"bad\x01name", "x.htm"},  // a control byte
      {"nul", "x.htm"},          // a reserved device name
      {"?", " .htm"},            // maps to a single blank: a legal name here
  };
  for (const Row& row : rows) {
    EngineHarness h;
    h.AddPage("x.htm", row.title);
    const RunStatistics stats = h.RunDirectory();
    const auto listing = Listing(h.work.path());
    EXPECT_EQ(listing.count(row.expected), 1u) << row.expected;
    EXPECT_EQ(stats.Unrenamed, std::string(row.expected) == "x.htm" ? 1 : 0);
    EXPECT_TRUE(h.NothingLost());
  }
}

TEST(FullAuto, LongTitleIsCutWithTheDirectoryAt219Bytes) {
  EngineHarness h;
  const std::string title(250, 'T');
  h.AddPage("long.htm", title);
  h.RunDirectory();
  const std::size_t room = 219 - (h.work.path().size() + 1);
  EXPECT_EQ(Listing(h.work.path()).count(std::string(room, 'T') + ".htm"), 1u);
  EXPECT_TRUE(h.NothingLost());
}

TEST(FullAuto, CutNeverSplitsACharacter) {
  EngineHarness h;
  // Two-byte characters, so that one of the two possible cut points falls inside one.
  const std::size_t room = 219 - (h.work.path().size() + 1);
  std::string title;
  while (title.size() < 260)
    title += "\xC3\xA9";
  h.AddPage("accents.htm", title);
  h.RunDirectory();
  const std::string expected = title.substr(0, room - room % 2) + ".htm";
  EXPECT_EQ(Listing(h.work.path()).count(expected), 1u);
  EXPECT_TRUE(h.NothingLost());
}

}  // namespace
}  // namespace qlm::testing
