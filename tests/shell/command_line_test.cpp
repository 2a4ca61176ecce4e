#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_file_system.h"

namespace qlm {
namespace {

using testing::FakeFileSystem;

TEST(GetCommandArgument, JoinsAndTrimsEverythingAfterTheProgramName) {
  struct Row {
    std::vector<const char*> args;  // after the program's name
    int result;
    const char* argument;
  };
  const Row rows[] = {
      {{}, -1, "untouched"},
      {{"/srv/a.htm"}, 0, "/srv/a.htm"},
      {{"/srv/My", "Pages", "index.htm"}, 0, "/srv/My Pages index.htm"},
      {{"/srv/x.htm  \r\n"}, 0, "/srv/x.htm"},
      {{"\t/srv/x.htm", " "}, 0, "/srv/x.htm"},
      {{"a  b"}, 0, "a  b"},  // blanks inside one argument are kept as they are
      {{"   "}, 0, ""},
      {{""}, 0, ""},
      {{"\"/srv/q.htm\""}, 0, "\"/srv/q.htm\""},  // quotes are not removed
  };
  for (const Row& row : rows) {
    std::vector<const char*> argv = {"/usr/bin/quillomat"};
    argv.insert(argv.end(), row.args.begin(), row.args.end());
    std::string target = "untouched";
    EXPECT_EQ(GetCommandArgument(static_cast<int>(argv.size()), argv.data(), target), row.result)
        << row.argument;
    EXPECT_EQ(target, row.argument);
  }
}

TEST(ClassifyArgument, Table) {
  FakeFileSystem fs;
  fs.AddDirectory("/srv");
  fs.AddDirectory("/srv/x.htm");
  fs.AddFile("/srv/page.htm");
  fs.AddFile("/srv/PAGE2.HTM");
  fs.AddFile("/srv/plainhtml");
  fs.AddFile("/srv/doc.Htm");
  fs.AddFile("/srv/notes.txt");
  fs.AddFile("/srv/Stored.Html");
  fs.AddFile("/srv/pipe.htm", "", /*regular=*/false);
  struct Row {
    const char* argument;
    RunMode mode;
    const char* target_after;
  };
  const Row rows[] = {
      {"/srv", RunMode::Directory, "/srv"},
      {"/srv/", RunMode::Directory, "/srv"},
      {"/srv///", RunMode::Directory, "/srv"},
      {"/srv/x.htm", RunMode::Directory, "/srv/x.htm"},  // a directory, whatever its name
      {"/srv/page.htm", RunMode::SingleFile, "/srv/page.htm"},
      {"/srv/PAGE2.HTM", RunMode::SingleFile, "/srv/PAGE2.HTM"},
      {"/srv/plainhtml", RunMode::SingleFile, "/srv/plainhtml"},  // no dot needed before html
      {"/srv/doc.Htm", RunMode::None, "/srv/doc.Htm"},            // mixed-case ending
      {"/srv/notes.txt", RunMode::None, "/srv/notes.txt"},
      {"/srv/missing.htm", RunMode::None, "/srv/missing.htm"},
      {"\"/srv/page.htm\"", RunMode::None, "\"/srv/page.htm\""},      // quotes stay: not found
      {"/srv/STORED.html", RunMode::SingleFile, "/srv/Stored.Html"},  // stored name wins
      {"/srv/stored.HTML", RunMode::SingleFile, "/srv/Stored.Html"},
      {"/srv/Stored.hTmL", RunMode::None, "/srv/Stored.hTmL"},  // ending tested as typed
      {"/srv/pipe.htm", RunMode::None, "/srv/pipe.htm"},        // a special file is no document
      {"/srv/page.htm/", RunMode::None, "/srv/page.htm/"},
      {"", RunMode::None, ""},
  };
  for (const Row& row : rows) {
    std::string target = row.argument;
    EXPECT_EQ(ClassifyArgument(fs, target), row.mode) << row.argument;
    EXPECT_EQ(target, row.target_after) << row.argument;
  }
}

}  // namespace
}  // namespace qlm
