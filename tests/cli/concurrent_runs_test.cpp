// Runs started together as real processes, sharing one configuration directory: on two
// directories they proceed side by side, on one the second ends at once (or runs after the
// first); the journal stays whole, so an undo per directory puts back what its last run did.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>

#include "cli/cli_process.h"
#include "support/engine_harness.h"

extern char** environ;

namespace qlm::testing {
namespace {

namespace fs = std::filesystem;

// Starts quillomat-cli with `arguments`, its output discarded; the pid, or -1.
pid_t Start(const std::vector<std::string>& arguments) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (const int fd : {0, 1, 2})
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  std::vector<char*> argv{const_cast<char*>(QLM_CLI_PATH)};
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, QLM_CLI_PATH, &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Pages whose titles clash, so that both stages and numbering are at work.
std::map<std::string, std::string> Fill(const std::string& directory, int pages) {
  fs::create_directories(directory);
  std::map<std::string, std::string> originals;
  for (int i = 0; i < pages; ++i) {
    const std::string name = "p" + std::to_string(i) + ".htm";
    const std::string contents = Page("Title " + std::to_string(i % 7), directory + name);
    WriteFile(directory + "/" + name, contents);
    originals[name] = contents;
  }
  return originals;
}

::testing::AssertionResult AllThereOnce(const std::string& directory,
                                        const std::map<std::string, std::string>& originals) {
  std::multiset<std::string> now, before;
  for (const auto& [name, contents] : Listing(directory)) {
    if (IsScratchName(name)) return ::testing::AssertionFailure() << "scratch name " << name;
    now.insert(contents);
  }
  for (const auto& [name, contents] : originals)
    before.insert(contents);
  if (now != before) return ::testing::AssertionFailure() << "a document lost or doubled";
  return ::testing::AssertionSuccess();
}

TEST(ConcurrentRuns, SideBySideOnTwoDirectoriesOneAtATimeOnOne) {
  constexpr int kRounds = 6;
  constexpr int kPages = 300;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    TempDir root, config;
    const std::string one = root / "one", two = root / "two";
    const auto originals_one = Fill(one, kPages);
    const auto originals_two = Fill(two, kPages);
    const std::vector<std::string> options = {
        "--config-dir", config.path(),     "-o", "BackupRenamedFiles=0",
        "-o",           "WriteErrorLog=1", "-o", "WriteRenameLog=1"};
    const auto with = [&](const std::string& path) {
      std::vector<std::string> args = options;
      args.push_back(path);
      return args;
    };
    // Two runs on two directories, and a third on the first directory, all at once.
    const pid_t a = Start(with(one));
    const pid_t b = Start(with(two));
    const pid_t c = Start(with(one));
    const int status_a = Wait(a), status_b = Wait(b), status_c = Wait(c);
    EXPECT_EQ(status_b, 0);
    // On `one`, one of the two ran and the other ended before touching anything (status 1),
    // or the second came when the first was done and found nothing to change.
    EXPECT_TRUE((status_a == 0 && status_c <= 1) || (status_c == 0 && status_a <= 1))
        << status_a << " " << status_c;
    EXPECT_TRUE(AllThereOnce(one, originals_one));
    EXPECT_TRUE(AllThereOnce(two, originals_two));
    // The logs got every piece whole: as many end markers as run headers, and no header
    // inside another line.
    for (const char* log : {"QLM-ErrorLog.txt", "QLM-RenLog.txt"}) {
      const std::string text = ReadFile(config / log);
      std::size_t headers = 0, ends = 0;
      for (std::size_t at = 0; (at = text.find("Processing /", at)) != std::string::npos; ++at) {
        EXPECT_TRUE(at == 0 || text.compare(at - 2, 2, "\r\n") == 0) << log;
        ++headers;
      }
      for (std::size_t at = 0; (at = text.find("=== END ===\r\n", at)) != std::string::npos; ++at)
        ++ends;
      EXPECT_EQ(headers, ends) << log;
      EXPECT_GE(headers, 2u) << log;
    }

    // One undo per directory, side by side as well, puts every name back.
    const std::vector<std::string> undo = {"--config-dir", config.path(), "--undo"};
    std::vector<std::string> undo_one = undo, undo_two = undo;
    undo_one.push_back(one);
    undo_two.push_back(two);
    const pid_t u1 = Start(undo_one), u2 = Start(undo_two);
    EXPECT_EQ(Wait(u1), 0);
    EXPECT_EQ(Wait(u2), 0);
    // When the second run on `one` came after the first had finished, it ran as well (and
    // numbered the clashing titles anew): the undo gave back the names of the first run.
    if (status_a == 0 && status_c == 0) {
      EXPECT_TRUE(AllThereOnce(one, originals_one));
    } else {
      EXPECT_EQ(Listing(one), originals_one);
    }
    EXPECT_EQ(Listing(two), originals_two);
  }
}

TEST(ConcurrentRuns, ARunKilledHoldingItsLocksBlocksNothing) {
  TempDir root, config;
  const std::string pages = root / "pages";
  const auto originals = Fill(pages, 2000);
  const std::vector<std::string> args = {"--config-dir", config.path(), "-o",
                                         "BackupRenamedFiles=0", pages};
  const pid_t victim = Start(args);
  // Killed while it works (its journal and its directory lock held), however far it got.
  for (int i = 0; i < 200 && !fs::exists(config / "QLM-Journal.txt"); ++i)
    usleep(5000);
  kill(victim, SIGKILL);
  Wait(victim);
  const CliRun next = RunCliProcess(args);
  EXPECT_EQ(next.status, 0) << next.err;
  EXPECT_TRUE(AllThereOnce(pages, originals));
  const CliRun undo = RunCliProcess({"--config-dir", config.path(), "--undo", pages});
  EXPECT_EQ(undo.status, 0) << undo.err;
  EXPECT_EQ(Listing(pages), originals);
}

}  // namespace
}  // namespace qlm::testing
