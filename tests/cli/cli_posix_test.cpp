// quillomat-cli end to end, where Linux decides: the program directory under $HOME, paths
// through symbolic links.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>

#include "cli/cli_process.h"
#include "support/engine_harness.h"

namespace qlm::testing {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable (or unsets it, with nullopt) for the life of the object.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnvironment() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(CliProgramDirectory, BesideTheProgramOnlyForAPortableCopy) {
  struct Row {
    bool marker;  // a Quillomat.ini beside the program
    bool dry_run;
    bool beside;  // the logs and journal go beside the program
  };
  const Row rows[] = {
      {false, false, false}, {true, false, true}, {false, true, false}, {true, true, true}};
  for (const Row& row : rows) {
    TempDir root;
    fs::create_directories(root / "bin");
    fs::create_directories(root / "pages");
    fs::copy_file(QLM_CLI_PATH, root / "bin/quillomat-cli");
    if (row.marker) WriteFile(root / "bin/Quillomat.ini", "");
    WriteFile(root / "pages/a.htm", Page("Alpha", "a"));
    ScopedEnvironment home("HOME", root / "home");
    ScopedEnvironment xdg("XDG_CONFIG_HOME", std::nullopt);
    std::vector<std::string> args = {"-o", "WriteErrorLog=1", "-o", "BackupRenamedFiles=0"};
    if (row.dry_run) args.push_back("--dry-run");
    args.push_back(root / "pages");
    const CliRun run = RunCliProcess(args, "", root / "bin/quillomat-cli");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string config = root / "home/.config/quillomat";
    if (row.dry_run) {
      // Nothing is created, nothing written: not the configuration directory, not a log.
      EXPECT_FALSE(fs::exists(root / "home"));
      EXPECT_EQ(std::distance(fs::directory_iterator(root / "bin"), {}), row.marker ? 2 : 1);
      continue;
    }
    EXPECT_EQ(fs::exists(root / "bin/QLM-ErrorLog.txt"), row.beside);
    EXPECT_EQ(fs::exists(root / "bin/QLM-Journal.txt"), row.beside);
    EXPECT_EQ(fs::exists(config + "/QLM-ErrorLog.txt"), !row.beside);
    EXPECT_EQ(fs::exists(config + "/QLM-Journal.txt"), !row.beside);
  }
}

TEST(CliProgramDirectory, WithoutOneNothingIsWrittenAndTheUserIsTold) {
  TempDir work;
  WriteFile(work / "a.htm", Page("Alpha", "a"));
  ScopedEnvironment home("HOME", std::nullopt);
  ScopedEnvironment xdg("XDG_CONFIG_HOME", std::nullopt);
  const CliRun run = RunCliProcess({"-o", "WriteErrorLog=1", "-o", "BackupRenamedFiles=0", "."}, "",
                                   QLM_CLI_PATH, work.path());
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("cannot be undone"), std::string::npos) << run.err;
  // The working directory (the one processed) gets no log and no journal.
  EXPECT_EQ(Listing(work.path()),
            (std::map<std::string, std::string>{{"Alpha.htm", Page("Alpha", "a")}}));
}

TEST(CliPaths, UndoFindsARunByAnyPathTheKernelResolvesToIt) {
  TempDir work;
  TempDir config;
  const auto Args = [&](std::vector<std::string> extra) {
    extra.insert(extra.begin(), {"--config-dir", config.path()});
    return extra;
  };
  fs::create_directories(work / "real/pages");
  fs::create_directory_symlink("real/pages", work / "link");
  WriteFile(work / "real/a.htm", Page("Alpha", "a"));
  ASSERT_EQ(RunCliProcess(Args({"-o", "BackupRenamedFiles=0", work / "link/.."})).status, 0);
  ASSERT_TRUE(fs::exists(work / "real/Alpha.htm"));
  const CliRun undo = RunCliProcess(Args({"--undo", work / "REAL"}));
  EXPECT_EQ(undo.status, 0) << undo.err;
  EXPECT_TRUE(fs::exists(work / "real/a.htm"));
}

TEST(CliPaths, APathLongerThanTheKernelTakesIsCalledTooLong) {
  TempDir work;
  TempDir config;
  fs::create_directory(work / "a");
  WriteFile(work / "a/p.htm", Page("Alpha", "p"));
  std::string path = "a";  // resolves to a, but is longer than any path the kernel takes
  while (path.size() <= 4096)
    path += "/../a";
  const CliRun run =
      RunCliProcess({"--config-dir", config.path(), path}, "", QLM_CLI_PATH, work.path());
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("': the path is too long"), std::string::npos) << run.err;
  EXPECT_TRUE(fs::exists(work / "a/p.htm"));
}

}  // namespace
}  // namespace qlm::testing

namespace qlm::testing {
namespace {

TEST(CliDryRun, PlansTheRealRunWhereANameIsHeldInTwoLetterCases) {
  TempDir work;
  TempDir config;
  WriteFile(work / "a.htm", Page("Beta", "a"));
  WriteFile(work / "A.htm", Page("beta", "A"));
  WriteFile(work / "b.htm", Page("a", "b"));  // the name a.htm, once both have left it
  const std::vector<std::string> args = {"--config-dir", config.path(), "-o",
                                         "BackupRenamedFiles=0"};
  std::vector<std::string> dry = args;
  dry.insert(dry.end(), {"--dry-run", work.path()});
  std::vector<std::string> real = args;
  real.push_back(work.path());
  const CliRun plan = RunCliProcess(dry);
  const CliRun done = RunCliProcess(real);
  EXPECT_EQ(done.status, 0) << done.err;
  EXPECT_EQ(plan.out, done.out);
  EXPECT_EQ(done.out.find("could not be read"), std::string::npos) << done.out;
  EXPECT_EQ(Listing(work.path()).size(), 3u);
}

}  // namespace
}  // namespace qlm::testing
