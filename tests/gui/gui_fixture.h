// A main window for tests: a temporary program directory and directory of pages, scripted
// choosers and message boxes, and a file layer that can hold a run at one file.
#pragma once

#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "gui/app_state.h"
#include "gui/main_window.h"
#include "gui/prompter.h"
#include "platform/clock.h"
#include "platform/forwarding_file_system.h"
#include "platform/posix/posix_file_system.h"
#include "support/temp_dir.h"

namespace qlm::gui::testing {

// Forwards to another file layer; can make the run wait when it opens one named file.
class GateFileSystem final : public ForwardingFileSystem {
 public:
  explicit GateFileSystem(FileSystem& inner) : ForwardingFileSystem(inner) {}
  // The next opening of a file named `name` (no directory) waits until Release.
  void HoldAt(const std::string& name);
  // True while a run waits at the held file.
  bool Waiting();
  void Release();
  // Called on the run's thread with each path the run opens for reading.
  std::function<void(const std::string& path)> on_read;

  FsError OpenForReading(const std::string& path, std::unique_ptr<ReadableFile>& file) override;

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string hold_name_;
  bool waiting_ = false;
};

class WindowFixture {
 public:
  // Default options, full-auto; the program directory and the pages are empty.
  WindowFixture();
  ~WindowFixture();

  // Builds and shows the window with the scripted seams (without Initialise).
  MainWindow& Make();

  // Writes a page titled `title` as `name` into the pages directory.
  void AddPage(const std::string& name, const std::string& title);
  // name -> contents of every file in the pages directory.
  std::map<std::string, std::string> Files() const;
  // True when every page written by AddPage is there exactly once, unchanged, and no
  // scratch file is left.
  bool NothingLost() const;

  QString Text(int id) const;
  bool Enabled(int id) const;
  void Click(int id);
  // Processes events until no run is in progress; false after `timeout_ms`.
  bool WaitForRunEnd(int timeout_ms = 60000);

  qlm::testing::TempDir program;
  qlm::testing::TempDir pages;
  qlm::testing::TempDir runtime;  // $XDG_RUNTIME_DIR for log copies
  PosixFileSystem disk;
  GateFileSystem fs{disk};
  FixedClock clock{LocalTime{2024, 5, 17, 9, 30, 0}};
  AppState state;
  Prompter prompter;
  // Answers of the next choosers (nullopt cancels); each call is logged in `chooser_calls`
  // as "dir <start>" or "file <start>".
  std::deque<std::optional<std::string>> directory_answers;
  std::deque<std::optional<std::string>> file_answers;
  std::vector<std::string> chooser_calls;
  std::vector<std::string> opened_logs;
  std::map<std::string, std::string> originals;
  std::unique_ptr<MainWindow> window;
};

}  // namespace qlm::gui::testing
