// Runs the built quillomat-cli as a child process with given arguments and standard input.
#pragma once

#include <string>
#include <vector>

namespace qlm::testing {

struct CliRun {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

// `program` is the built quillomat-cli unless given (a copy placed elsewhere); with
// `working_directory` the program starts there.
CliRun RunCliProcess(const std::vector<std::string>& arguments, const std::string& input = "",
                     const std::string& program = QLM_CLI_PATH,
                     const std::string& working_directory = "");

// Like RunCliProcess, but standard input is a pipe: once the program has printed
// `wait_for` on standard error (it is waiting for an answer), it gets SIGINT, and once it has
// said it took the interrupt, `input`.
CliRun RunCliInterrupted(const std::vector<std::string>& arguments, const std::string& wait_for,
                         const std::string& input);
// Whether RunCliInterrupted can reach the program here (on Windows a Ctrl-C travels only
// through a console shared with the program, which the test runner does not have).
bool CanInterruptCli();

}  // namespace qlm::testing
