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

namespace {

// Starts the program with `arguments`, its standard input set up by `input_action` and its
// output going to files in `io`. Returns the child's pid, or -1.
template <typename InputAction>
pid_t Spawn(const std::vector<std::string>& arguments, const TempDir& io, InputAction input_action,
            const std::string& program = QLM_CLI_PATH, const std::string& working_directory = "") {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  input_action(actions);
  if (!working_directory.empty())
    posix_spawn_file_actions_addchdir_np(&actions, working_directory.c_str());
  posix_spawn_file_actions_addopen(&actions, 1, (io / "out").c_str(), O_WRONLY | O_CREAT, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, (io / "err").c_str(), O_WRONLY | O_CREAT, 0600);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return error == 0 ? pid : -1;
}

// Waits for the child and collects its status and output.
CliRun Finish(pid_t pid, const TempDir& io) {
  CliRun run;
  if (pid > 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  run.out = ReadFile(io / "out");
  run.err = ReadFile(io / "err");
  return run;
}

// Polls (every 10 ms, at most 30 s) until the program's standard error holds `text`.
void WaitForError(const TempDir& io, const std::string& text) {
  for (int i = 0; i < 3000 && ReadFile(io / "err").find(text) == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace

CliRun RunCliProcess(const std::vector<std::string>& arguments, const std::string& input,
                     const std::string& program, const std::string& working_directory) {
  TempDir io;
  WriteFile(io / "in", input);
  const pid_t pid = Spawn(
      arguments, io,
      [&](posix_spawn_file_actions_t& actions) {
        posix_spawn_file_actions_addopen(&actions, 0, (io / "in").c_str(), O_RDONLY, 0);
      },
      program, working_directory);
  return Finish(pid, io);
}

CliRun RunCliInterrupted(const std::vector<std::string>& arguments, const std::string& wait_for,
                         const std::string& input) {
  TempDir io;
  int to_child[2];
  if (pipe(to_child) != 0) return {};
  const pid_t pid = Spawn(arguments, io, [&](posix_spawn_file_actions_t& actions) {
    posix_spawn_file_actions_adddup2(&actions, to_child[0], 0);
    posix_spawn_file_actions_addclose(&actions, to_child[1]);
  });
  close(to_child[0]);
  if (pid > 0) {
    WaitForError(io, wait_for);
    kill(pid, SIGINT);
    WaitForError(io, "Abort requested");  // answer only once the interrupt was taken
    [[maybe_unused]] const ssize_t written = write(to_child[1], input.data(), input.size());
  }
  close(to_child[1]);
  return Finish(pid, io);
}

bool CanInterruptCli() {
  return true;
}

}  // namespace qlm::testing
