// One processing run over a directory (first stage to scratch names, then RenameBack) or
// over one HTML file (moved straight to its final name).
#pragma once

#include <atomic>
#include <string>

#include "common/types.h"

namespace qlm {

class Clock;
class Event;
class FileSystem;
class JournalTree;
class RunView;

// What a run reads from and leaves in the application's state.
struct RunEnvironment {
  FileSystem& fs;
  RunView& view;
  const Clock& clock;
  const OptionSet& options;  // not changed during a run
  // The directory (no trailing '/') or the HTML file's full path to process.
  std::string TargetPath;
  // Where the logs and the journal live, ending in '/'; empty when there is none, and then
  // the run writes neither.
  std::string ProgramDirectory;
  // A single-file run leaves its file's directory (with a trailing '/') here.
  std::string& LastDirectory;
  // Signalled while the run may go on; a front end resets it to ask for an abort.
  Event& ContinueEvent;
  // Set by the front end before a directory run starts, cleared by the run at its end.
  std::atomic<bool>& RunActive;
  // The tree run this directory run is one directory of (quillomat-cli --recursive), which
  // its journal header names; nullptr for a run on its own.
  JournalTree* tree = nullptr;
};

// How a run ended.
enum class RunEnd {
  Completed,   // every file was reached
  Aborted,     // the user asked for an abort between files
  EndedEarly,  // a directory check, the user's No, or an empty directory ended it
};

struct RunResult {
  RunStatistics statistics;
  RunEnd end = RunEnd::Completed;
};

// Runs one run to its end. Never throws for file-system reasons and never leaves a document
// under a name the next run could not find.
RunResult ProcessingRun(RunKind kind, RunEnvironment& environment);

}  // namespace qlm
