// The desktop programs' process state: one record, filled by start-up and lent to the main
// window. Nothing else in a desktop program keeps state of its own beyond a window's life.
#pragma once

#include <atomic>
#include <string>

#include "common/types.h"
#include "platform/event.h"
#include "platform/file_system.h"
#include "platform/program_directory.h"
#include "shell/settings.h"

namespace qlm {

struct AppState {
  Settings settings;             // the OptionSet, LastDirectory and the settings file's path
  std::string TargetPath;        // what the next run processes
  std::string ProgramDirectory;  // the settings file and both logs, ending in a separator
  RunMode mode = RunMode::None;  // the command line's request, acted on once by the window
  // Signalled while a directory run may go on; the window resets it to ask for an abort.
  Event ContinueEvent{true};
  // Set by the window just before a directory run's worker starts, cleared by the run.
  std::atomic<bool> RunActive{false};
};

// Start-up: takes the argument from `argv` (see ReadCommandLine: resolved to an absolute path
// and classified), finds the program directory (see FindProgramDirectory; "" when none can
// be had, and then nothing is written) and loads the settings from it. Never reports anything: a
// missing or unusable argument leaves `mode` at None.
void StartUp(FileSystem& fs, int argc, const char* const* argv, const std::string& executable,
             const EnvironmentLookup& environment, AppState& state);

}  // namespace qlm
