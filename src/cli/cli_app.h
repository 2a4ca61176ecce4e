// quillomat-cli: a directory or single-file run from a terminal, with the same engine,
// settings file and logs as the desktop program.
#pragma once

namespace qlm::cli {

// Exit statuses.
inline constexpr int kExitCompleted = 0;
inline constexpr int kExitEndedEarly = 1;  // a check, an empty directory or a No ended it
inline constexpr int kExitUsage = 2;
inline constexpr int kExitAborted = 130;

// Runs the program with the process's arguments and standard streams; returns its status.
int RunCli(int argc, char** argv);

}  // namespace qlm::cli
