// Runs the engine on a real temporary directory with a recording view and a fixed clock, and
// reads back what the directory holds.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>

#include "common/types.h"
#include "engine/processing_run.h"
#include "native_file_system_type.h"
#include "platform/clock.h"
#include "platform/event.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace qlm::testing {

// A small page whose title is `title` and whose body names `tag`, so that every test file's
// contents are unique and can be traced after the run.
std::string Page(const std::string& title, const std::string& tag);

// name -> contents of every regular file directly in `directory`.
std::map<std::string, std::string> Listing(const std::string& directory);

class EngineHarness {
 public:
  EngineHarness();

  // Writes a page titled `title` under `name` in the processed directory.
  void AddPage(const std::string& name, const std::string& title);
  // Runs a directory run over the processed directory (or another `target`).
  RunStatistics RunDirectory(FileSystem* fs = nullptr);
  // Runs a single-file run on `name` in the processed directory.
  RunStatistics RunFile(const std::string& name, FileSystem* fs = nullptr);
  // Every document written by AddPage is present exactly once, unchanged, whatever its name.
  ::testing::AssertionResult NothingLost() const;

  TempDir work;     // the processed directory
  TempDir program;  // settings and logs
  NativeFileSystem fs;
  RecordingView view;
  FixedClock clock{LocalTime{2003, 12, 7, 21, 5, 7}};
  OptionSet options;
  std::string target;           // when set, the directory run's target instead of work.path()
  JournalTree* tree = nullptr;  // when set, directory runs are directories of this tree run
  std::string last_directory;
  Event continue_event{true};
  std::atomic<bool> run_active{false};
  std::map<std::string, std::string> originals;  // contents written by AddPage
  RunEnd last_end = RunEnd::Completed;           // how the last run ended
};

}  // namespace qlm::testing
