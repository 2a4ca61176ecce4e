// quillomat-cli --recursive end to end: a tree three levels deep with clashes everywhere, a
// link out of the tree and backups of earlier runs; its JSON output read back; its dry run,
// its undo and its questions.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "cli/cli_process.h"
#include "cli/json_lines.h"
#include "support/engine_harness.h"
#include "support/layer_probes.h"
#include "support/links.h"

namespace qlm::testing {
namespace {

namespace fs = std::filesystem;

std::vector<JsonObject> Json(const std::string& out) {
  std::vector<std::string> bad;
  std::vector<JsonObject> objects = ParseJsonLines(out, bad);
  for (const std::string& line : bad)
    ADD_FAILURE() << "not one JSON object: " << line;
  return objects;
}

class CliTree : public ::testing::Test {
 protected:
  // Three levels below the root, two pages with one title in each directory; a link to a
  // directory of pages outside; backup directories an earlier run made, holding copies.
  CliTree() {
    for (const char* directory : {"", "a", "a/b", "a/b/c", "z"}) {
      fs::create_directories(root / directory);
      Add(directory, "1.htm", "Same");
      Add(directory, "2.html", "Same");
    }
    Add("a/b", "3.HTM", "Other");
    fs::create_directory(outside / "pages");
    WriteFile(outside / "pages/o.htm", Page("Outside", "o"));
    has_link = MakeDirectoryLink(outside / "pages", root / "a/link");
    for (const char* backup : {"Backup", "a/BACKUP", "a/b/20240229", "z/20240229-2"}) {
      fs::create_directory(root / backup);
      WriteFile(root / backup + "/1.htm", Page("Same", backup));
    }
    before = Tree(root.path());
  }
  void Add(const std::string& directory, const std::string& name, const std::string& title) {
    const std::string path = directory.empty() ? name : directory + "/" + name;
    WriteFile(root / path, Page(title, path));
  }
  std::vector<std::string> Args(std::vector<std::string> extra) const {
    std::vector<std::string> args{"--config-dir", config.path(), "-o", "BackupRenamedFiles=0"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  TempDir root;
  TempDir outside;
  TempDir config;
  std::map<std::string, std::string> before;
  bool has_link = false;  // Wine makes no links: there the tree has none
};

TEST_F(CliTree, EveryDirectoryOnceInOrderAndJsonSaysExactlyWhatHappened) {
  const auto outside_before = Tree(outside.path());
  const CliRun run = RunCliProcess(Args({"--recursive", "--json", root.path()}));
  EXPECT_EQ(run.status, 0) << run.err;
  const std::vector<JsonObject> lines = Json(run.out);
  ASSERT_FALSE(lines.empty());

  // Each file event names a file that is now there under its new name, with the contents the
  // old name had; each directory's counters count its events.
  std::vector<std::string> order;
  std::map<std::string, int> events;
  const auto after = Tree(root.path());
  for (const JsonObject& line : lines) {
    const std::string type = Str(line, "type");
    const std::string directory = Str(line, "directory");
    std::string relative = directory == root.path() ? "" : directory.substr(root.path().size() + 1);
    std::replace(relative.begin(), relative.end(), '\\', '/');  // as Tree() gives them
    const std::string prefix = relative.empty() ? "" : relative + "/";
    if (type == "file") {
      ++events[relative];
      EXPECT_EQ(Str(line, "outcome"), "renamed") << Str(line, "old");
      EXPECT_EQ(Str(line, "reason"), "<null>");
      EXPECT_EQ(after.at(prefix + Str(line, "new")), before.at(prefix + Str(line, "old")));
    } else if (type == "directory" && Str(line, "status") == "skipped") {
      order.push_back(relative + " " + Str(line, "reason"));
    } else if (type == "directory") {
      order.push_back(relative);
      EXPECT_EQ(Str(line, "status"), "completed");
      EXPECT_EQ(Num(line, "files_processed"), events[relative]) << relative;
      EXPECT_EQ(Num(line, "unrenamed"), 0);
      EXPECT_EQ(Str(line, "message"), "<null>");
    }
  }
  std::vector<std::string> expected_order{"",
                                          "a",
                                          "a/b",
                                          "a/b/20240229 backup",
                                          "a/b/c",
                                          "a/BACKUP backup",
                                          "a/link link",
                                          "Backup backup",
                                          "z",
                                          "z/20240229-2 backup"};
  if (!has_link) std::erase(expected_order, "a/link link");
  EXPECT_EQ(order, expected_order);
  const JsonObject& tree = lines.back();
  EXPECT_EQ(Str(tree, "type"), "tree");
  EXPECT_EQ(Str(tree, "status"), "completed");
  EXPECT_EQ(Num(tree, "directories"), 5);
  EXPECT_EQ(Num(tree, "skipped"), has_link ? 5 : 4);
  EXPECT_EQ(Num(tree, "files_processed"), 11);

  // The clashes were numbered in every directory; nothing outside or in a backup was touched.
  for (const char* directory : {"", "a/", "a/b/", "a/b/c/", "z/"}) {
    EXPECT_TRUE(after.contains(std::string(directory) + "Same.htm")) << directory;
    EXPECT_TRUE(after.contains(std::string(directory) + "Same-1.htm")) << directory;
  }
  EXPECT_EQ(after.at("a/b/Other.htm"), before.at("a/b/3.HTM"));
  for (const char* backup : {"Backup/1.htm", "a/BACKUP/1.htm", "a/b/20240229/1.htm"})
    EXPECT_EQ(after.at(backup), before.at(backup)) << backup;
  EXPECT_EQ(Tree(outside.path()), outside_before);
}

TEST_F(CliTree, TheDryRunPrintsWhatTheRunDoesAndTheUndoPutsEverythingBack) {
  // A directory named like a page: the run renames it as a page it cannot read, then walks
  // into it under its new name.
  fs::create_directory(root / "docs.html");
  Add("docs.html", "p.htm", "Inside");
  before = Tree(root.path());
  for (const bool json : {false, true}) {
    SCOPED_TRACE(json ? "json" : "text");
    std::vector<std::string> options{"-r", root.path()};
    if (json) options.insert(options.begin(), "--json");
    std::vector<std::string> dry = options;
    dry.insert(dry.begin(), "--dry-run");
    const CliRun plan = RunCliProcess(Args(dry));
    EXPECT_EQ(plan.status, 0) << plan.err;
    EXPECT_EQ(Tree(root.path()), before);
    if (!json) {
      EXPECT_TRUE(fs::is_empty(config.path()));  // not even a journal
    }

    const CliRun done = RunCliProcess(Args(options));
    EXPECT_EQ(done.status, 0) << done.err;
    EXPECT_EQ(plan.out, done.out);
    EXPECT_TRUE(fs::exists(root / "docs.htm/Inside.htm"));
    const auto renamed = Tree(root.path());

    const CliRun preview = RunCliProcess(Args({"--undo", "-r", "--dry-run", root.path()}));
    EXPECT_EQ(preview.status, 0) << preview.err;
    EXPECT_EQ(Tree(root.path()), renamed);
    const CliRun undo = RunCliProcess(Args({"--undo", "--recursive", root.path()}));
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(undo.out, preview.out);
    EXPECT_EQ(Tree(root.path()), before);
    if (!json) continue;
    // Undone again: the tree run is redone, all of it.
    EXPECT_EQ(RunCliProcess(Args({"--undo", "-r"})).status, 0);
    EXPECT_EQ(Tree(root.path()), renamed);
    EXPECT_EQ(RunCliProcess(Args({"--undo", "-r"})).status, 0);
    EXPECT_EQ(Tree(root.path()), before);
  }
}

TEST_F(CliTree, NamesThatAreNotUtf8AreRepairedAndGivenExactlyInHex) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows names are UTF-16, never bytes to repair";
#endif
  const std::string name = std::string("n\xFF\x01") + "\xE2\x80\xAEq.htm";  // and a bidi override
  WriteFile(root / ("z/" + name), "no title here");
  fs::create_directory(root / std::string("d\xC3"));
  WriteFile(root / std::string("d\xC3") + "/p.htm", Page("Plain", "p"));
  const CliRun run = RunCliProcess(Args({"--json", "-r", root.path()}));
  EXPECT_EQ(run.status, 0) << run.err;
  bool file_seen = false;
  bool directory_seen = false;
  for (const JsonObject& line : Json(run.out)) {
    if (Str(line, "type") == "file" && Str(line, "old_hex") == "6eff01e280ae712e68746d") {
      file_seen = true;
      EXPECT_EQ(Str(line, "old"), "n\xEF\xBF\xBD\x01\xE2\x80\xAEq.htm");  // U+FFFD, kept bytes
      EXPECT_EQ(Str(line, "outcome"), "kept");
      EXPECT_EQ(Str(line, "reason"), "it has no usable title");
    }
    if (Str(line, "type") == "directory" && line.contains("directory_hex")) {
      directory_seen = true;
      const std::string hex = Str(line, "directory_hex");
      EXPECT_EQ(hex.substr(hex.size() - 4), "64c3");  // "d" and the lone byte
      EXPECT_EQ(Str(line, "directory"), root / "d\xEF\xBF\xBD");
    }
  }
  EXPECT_TRUE(file_seen) << run.out;
  EXPECT_TRUE(directory_seen);
  EXPECT_TRUE(fs::exists(root / ("z/" + name)));
}

TEST_F(CliTree, InteractiveModeAsksOneDirectoryAfterAnother) {
  const CliRun run =
      RunCliProcess(Args({"-o", "EnableFullAutoMode=0", "-r", root / "a/b"}),
                    // a/b: its clash cancelled; a/b/c: its clash answered with a name.
                    "n\ny\nChosen\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(root / "a/b/2.htm"), before.at("a/b/2.html"));  // cancelled: kept
  EXPECT_EQ(ReadFile(root / "a/b/c/Chosen.htm"), before.at("a/b/c/2.html"));
  const std::size_t first = run.out.find(root / "a/b:");
  const std::size_t second = run.out.find(root / "a/b/c:");
  ASSERT_NE(second, std::string::npos) << run.out;
  EXPECT_LT(first, second);
  EXPECT_NE(run.out.find("2.html -> 2.htm (kept its name: "), std::string::npos) << run.out;
}

TEST_F(CliTree, CtrlCFinishesTheDirectoryInHandThenStops) {
  if (!CanInterruptCli()) GTEST_SKIP() << "no console to send Ctrl-C through";
  Add("a", "9.htm", "Ninth");  // after the file in hand: still done
  const CliRun run = RunCliInterrupted(Args({"-o", "EnableFullAutoMode=0", "-r", root / "a"}),
                                       "OK or cancel? [y/N] ", "n\n");
  EXPECT_EQ(run.status, 130) << run.err;
  EXPECT_NE(run.err.find("finishing this directory"), std::string::npos) << run.err;
  EXPECT_TRUE(fs::exists(root / "a/Same.htm"));  // its first file, and its second stage
  EXPECT_TRUE(fs::exists(root / "a/2.htm"));     // the file in hand, finished (kept)
  EXPECT_TRUE(fs::exists(root / "a/Ninth.htm"));
  EXPECT_TRUE(fs::exists(root / "a/b/1.htm"));  // the next directory is not begun
  EXPECT_NE(run.out.find("Whole tree (aborted): 1 directories processed"), std::string::npos)
      << run.out;
}

TEST_F(CliTree, UsageErrorsAndATreeWithoutPages) {
  EXPECT_EQ(RunCliProcess(Args({"-r", root / "1.htm"})).status, 2);
  EXPECT_EQ(RunCliProcess(Args({"--json", "--undo", root.path()})).status, 2);
  const CliRun nothing = RunCliProcess(Args({"--undo", "-r", root.path()}));
  EXPECT_EQ(nothing.status, 1);
  EXPECT_NE(nothing.err.find("no tree run to undo"), std::string::npos);
  TempDir empty;
  fs::create_directories(empty / "x/y");
  const CliRun run = RunCliProcess(Args({"-r", "--json", empty.path()}));
  EXPECT_EQ(run.status, 1);
  const std::vector<JsonObject> lines = Json(run.out);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(Str(lines[0], "status"), "ended-early");
  EXPECT_EQ(Tree(root.path()), before);
}

}  // namespace
}  // namespace qlm::testing
