#include "shell/command_line.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "fake_file_system.h"
#include "platform/posix/posix_file_system.h"
#include "support/temp_dir.h"

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

TEST(ClassifyArgument, RootDirectoryStaysTheRoot) {
  FakeFileSystem fs;
  fs.AddDirectory("/");
  for (const char* argument : {"/", "//"}) {
    std::string target = argument;
    EXPECT_EQ(ClassifyArgument(fs, target), RunMode::Directory) << argument;
    EXPECT_EQ(target, "/") << argument;
  }
}

}  // namespace
}  // namespace qlm

namespace qlm {
namespace {

using testing::TempDir;

// Runs ReadCommandLine on `args` (after the program's name) with the real file layer.
RunMode Read(std::vector<std::string> args, std::string& target) {
  std::vector<const char*> argv = {"/usr/bin/quillomat"};
  for (const std::string& arg : args)
    argv.push_back(arg.c_str());
  PosixFileSystem fs;
  return ReadCommandLine(fs, static_cast<int>(argv.size()), argv.data(), target);
}

TEST(ReadCommandLine, PathsAsTheKernelResolvesThem) {
  TempDir root;
  const std::string r = root.path();
  for (const char* directory : {"a", "a/b", "Reports", "Reports ", " lead", "pages"})
    ASSERT_EQ(mkdir((root / directory).c_str(), 0755), 0) << directory;
  testing::WriteFile(root / "a/x.htm", "<title>x</title>");
  ASSERT_EQ(symlink("a/b", (root / "link").c_str()), 0);
  ASSERT_EQ(symlink("../a/x.htm", (root / "pages/l.htm").c_str()), 0);
  struct Row {
    std::vector<std::string> args;
    RunMode mode;
    std::string target;  // relative to the root
  };
  const Row rows[] = {
      {{r + "/link/.."}, RunMode::Directory, "/a"},  // the link's target's parent, not r
      {{r + "/link"}, RunMode::Directory, "/a/b"},
      {{r + "/a/b/../.."}, RunMode::Directory, ""},
      {{r + "/Reports "}, RunMode::Directory, "/Reports "},    // one argument, exactly as given
      {{r + "/Reports", ""}, RunMode::Directory, "/Reports"},  // words joined and trimmed
      {{r + "/ lead"}, RunMode::Directory, "/ lead"},
      {{r + "/REPORTS"}, RunMode::Directory, "/Reports"},           // its stored name
      {{r + "/pages/l.htm"}, RunMode::SingleFile, "/pages/l.htm"},  // the link itself
      {{r + "/pages/../a/X.HTM"}, RunMode::SingleFile, "/a/x.htm"},
  };
  for (const Row& row : rows) {
    std::string target;
    EXPECT_EQ(Read(row.args, target), row.mode) << row.args[0];
    EXPECT_EQ(target, r + row.target) << row.args[0];
  }
}

TEST(ReadCommandLine, ARelativeArgumentBecomesAbsolute) {
  TempDir root;
  ASSERT_EQ(mkdir((root / "pages").c_str(), 0755), 0);
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir((root / "pages").c_str()), 0);
  std::string here, up;
  const RunMode here_mode = Read({"."}, here);
  const RunMode up_mode = Read({"../pages/"}, up);
  ASSERT_EQ(chdir(previous), 0);
  EXPECT_EQ(here_mode, RunMode::Directory);
  EXPECT_EQ(here, root / "pages");
  EXPECT_EQ(up_mode, RunMode::Directory);
  EXPECT_EQ(up, root / "pages");
}

}  // namespace
}  // namespace qlm
