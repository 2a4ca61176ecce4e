#include "cli/cli_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "support/temp_dir.h"

extern char** environ;

namespace qlm::testing {

CliRun RunCliProcess(const std::vector<std::string>& arguments, const std::string& input) {
  TempDir io;
  WriteFile(io / "in", input);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, (io / "in").c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, (io / "out").c_str(), O_WRONLY | O_CREAT, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, (io / "err").c_str(), O_WRONLY | O_CREAT, 0600);
  std::vector<char*> argv{const_cast<char*>(QLM_CLI_PATH)};
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  CliRun run;
  pid_t pid = 0;
  if (posix_spawn(&pid, QLM_CLI_PATH, &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  run.out = ReadFile(io / "out");
  run.err = ReadFile(io / "err");
  return run;
}

CliRun RunCliInterrupted(const std::vector<std::string>& arguments, const std::string& wait_for,
                         const std::string& input) {
  TempDir io;
  int to_child[2];
  if (pipe(to_child) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, to_child[0], 0);
  posix_spawn_file_actions_addclose(&actions, to_child[1]);
  posix_spawn_file_actions_addopen(&actions, 1, (io / "out").c_str(), O_WRONLY | O_CREAT, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, (io / "err").c_str(), O_WRONLY | O_CREAT, 0600);
  std::vector<char*> argv{const_cast<char*>(QLM_CLI_PATH)};
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  CliRun run;
  pid_t pid = 0;
  const bool spawned =
      posix_spawn(&pid, QLM_CLI_PATH, &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  close(to_child[0]);
  if (spawned) {
    // Poll for the prompt (bounded: 30 s), interrupt, then answer it.
    for (int i = 0; i < 3000 && ReadFile(io / "err").find(wait_for) == std::string::npos; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGINT);
    // Answer only once the program has taken the interrupt (bounded: 30 s).
    for (int i = 0; i < 3000 && ReadFile(io / "err").find("Abort requested") == std::string::npos;
         ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    [[maybe_unused]] const ssize_t written = write(to_child[1], input.data(), input.size());
    close(to_child[1]);
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  } else {
    close(to_child[1]);
  }
  run.out = ReadFile(io / "out");
  run.err = ReadFile(io / "err");
  return run;
}

}  // namespace qlm::testing
