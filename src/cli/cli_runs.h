// The runs quillomat-cli makes once its command line is worked out: one run on a directory or
// an HTML file, or a tree run (--recursive) over every directory of a tree.
#pragma once

#include <atomic>
#include <cstdio>
#include <string>

#include "common/types.h"

namespace qlm {
class Event;
class FileSystem;
}  // namespace qlm

namespace qlm::cli {

struct RunSetup {
  FileSystem& fs;            // the disk, or a dry run's overlay of it
  const OptionSet& options;  // the settings with the command line's overrides
  std::string target{};      // resolved: a directory (no trailing '/') or an HTML file
  RunKind kind = RunKind::DirectoryRun;
  std::string program_directory{};  // ends in '/'; empty when there is none
  std::string last_directory{};     // what a single-file run leaves for the settings
  bool json = false;                // JSON lines on `out` instead of lines for people
  bool progress = false;            // a progress bar on `err`
  std::FILE* in = stdin;
  std::FILE* out = stdout;
  std::FILE* err = stderr;
};

// One run on setup.target. `continue_event` is the run's ContinueEvent (reset by Ctrl-C).
// Returns the exit status.
int RunSingle(RunSetup& setup, Event& continue_event);

// A tree run over the directory setup.target: every directory of the tree that holds pages
// (or scratch files an interrupted run left), each a directory run of its own, journaled as
// one tree. Once `finish_then_stop` is set, the directory in hand is finished (second stage
// and all) and no other is begun; a reset `continue_event` stops the one in hand after the
// file in hand. Returns the exit status: 0 every directory with pages completed; 1 one ended
// early or could not be entered, or the tree holds no page; 130 stopped.
int RunTree(RunSetup& setup, Event& continue_event, const std::atomic<bool>& finish_then_stop);

}  // namespace qlm::cli
