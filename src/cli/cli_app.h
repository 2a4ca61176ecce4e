// quillomat-cli: a directory or single-file run from a terminal, with the same engine,
// settings file and logs as the desktop program.
#pragma once

namespace qlm {
class FileSystem;
}

namespace qlm::cli {

// Exit statuses.
inline constexpr int kExitCompleted = 0;
inline constexpr int kExitEndedEarly = 1;  // a check, an empty directory or a No ended it
inline constexpr int kExitUsage = 2;
inline constexpr int kExitAborted = 130;

// Runs the program with the process's arguments and standard streams; returns its status.
int RunCli(int argc, char** argv);
// The same on the file layer `disk` instead of the real one (a test build wraps it to stop at
// an exact point).
int RunCli(int argc, char** argv, FileSystem& disk);

}  // namespace qlm::cli
