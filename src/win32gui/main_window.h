// The main window on Windows: MAINDLG as a modal dialog, a host for MainWindowController,
// which decides what the commands do. This keeps the window's handles, carries the
// controller's wake-ups over as window messages and a timer, and shows the choosers, the
// options and rename dialogs and the message boxes.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dialog_text.h"
#include "platform/win32/windows_api.h"
#include "shell/main_window_controller.h"

namespace qlm::win32gui {

class MainWindow final : private MainWindowHost {
 public:
  // Every argument must outlive the window.
  MainWindow(AppState& state, FileSystem& fs, const Clock& clock, HINSTANCE instance);
  ~MainWindow() override;

  // Runs the window modally until it ends itself (Exit while idle); a command-line argument
  // in `state` starts its run as soon as the window is shown.
  void Run();

  // The window while it is open, else nullptr; for tests, from any thread.
  HWND window() const { return window_.load(); }
  bool RunInProgress() const { return controller_ && controller_->RunInProgress(); }

  // Seams, set to the product's behaviour; tests replace them. Called on the window's thread.
  std::function<std::optional<std::string>(HWND owner, const std::string& start)> choose_directory;
  std::function<std::optional<std::string>(HWND owner, const std::string& start)> choose_file;
  std::function<void(HWND owner, OptionSet& options)> options_dialog;
  MessageBoxFunction message_box = SystemMessageBox;
  std::function<void(const std::vector<std::string>& copies)> open_logs;
  // A run's end has reached the window (tests wait on it).
  std::function<void()> on_run_ended;
  EnvironmentLookup environment;

  // The command Ctrl+Z gives (not a control of the template).
  static constexpr int kUndoCommand = 2100;

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK KeyFilter(int code, WPARAM wparam, LPARAM lparam);
  void OnInitialise(HWND window);

  // MainWindowHost.
  void ApplyControlText(int id, std::string_view text) override;
  void ApplyControlEnabled(int id, bool enabled) override;
  std::string ControlText(int id) const override;
  int AskMessageBox(std::string_view text, std::string_view caption, unsigned flags) override;
  int AskManualRename(ManualRename& dialog) override;
  std::optional<std::string> ChooseDirectory(const std::string& start) override;
  std::optional<std::string> ChooseFile(const std::string& start) override;
  void RunOptionsDialog(OptionSet& options) override;
  void OpenLogs(const std::vector<std::string>& copies) override;
  void EndWindow() override;
  void RunEnded(RunKind kind) override;
  void Wake() override;
  void WakeAfter(std::chrono::milliseconds delay) override;

  AppState& state_;
  FileSystem& fs_;
  const Clock& clock_;
  HINSTANCE instance_;
  std::atomic<HWND> window_{nullptr};
  HWND hwnd_ = nullptr;  // window's thread only
  std::unique_ptr<MainWindowController> controller_;
};

}  // namespace qlm::win32gui
