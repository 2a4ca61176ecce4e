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
#include "platform/posix_file_system.h"
#include "support/temp_dir.h"

namespace qlm::gui::testing {

// Forwards to another file layer; can make the run wait when it opens one named file.
class GateFileSystem final : public FileSystem {
 public:
  explicit GateFileSystem(FileSystem& inner) : inner_(inner) {}

  // The next opening of a file named `name` (no directory) waits until Release.
  void HoldAt(const std::string& name);
  // True while a run waits at the held file.
  bool Waiting();
  void Release();
  // Called on the run's thread with each path the run opens for reading.
  std::function<void(const std::string& path)> on_read;

  FsError OpenForReading(const std::string& path, std::unique_ptr<ReadableFile>& file) override;
  bool NameTaken(const std::string& path) override { return inner_.NameTaken(path); }
  FsError GetInfo(const std::string& path, FileInfo& info) override {
    return inner_.GetInfo(path, info);
  }
  FsError Move(const std::string& from, const std::string& to) override {
    return inner_.Move(from, to);
  }
  FsError Copy(const std::string& from, const std::string& to, bool fail_if_exists) override {
    return inner_.Copy(from, to, fail_if_exists);
  }
  FsError CreateDirectory(const std::string& path) override { return inner_.CreateDirectory(path); }
  FsError Delete(const std::string& path) override { return inner_.Delete(path); }
  FsError OpenSearch(const std::string& directory, SearchKind kind,
                     std::unique_ptr<DirectorySearch>& search) override {
    return inner_.OpenSearch(directory, kind, search);
  }
  DriveKind GetDriveKind(const std::string& directory) override {
    return inner_.GetDriveKind(directory);
  }
  FsError ProbeWritable(const std::string& directory) override {
    return inner_.ProbeWritable(directory);
  }
  FsError OpenLog(const std::string& path, std::unique_ptr<LogFile>& file) override {
    return inner_.OpenLog(path, file);
  }
  FsError ReadWholeFile(const std::string& path, std::size_t limit,
                        std::string& contents) override {
    return inner_.ReadWholeFile(path, limit, contents);
  }
  FsError ReplaceFileAtomically(const std::string& path, std::string_view contents) override {
    return inner_.ReplaceFileAtomically(path, contents);
  }

 private:
  FileSystem& inner_;
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
