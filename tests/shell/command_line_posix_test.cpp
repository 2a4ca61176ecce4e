// The command line where Linux decides: its one root, paths through links, relative paths.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "fake_file_system.h"
#include "platform/posix/posix_file_system.h"
#include "shell/command_line.h"
#include "support/temp_dir.h"

namespace qlm {
namespace {

using testing::FakeFileSystem;
using testing::TempDir;

TEST(ClassifyArgument, RootDirectoryStaysTheRoot) {
  FakeFileSystem fs;
  fs.AddDirectory("/");
  for (const char* argument : {"/", "//"}) {
    std::string target = argument;
    EXPECT_EQ(ClassifyArgument(fs, target), RunMode::Directory) << argument;
    EXPECT_EQ(target, "/") << argument;
  }
}

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
