// quillomat.exe's main window in process: the real MAINDLG run modally, clicked from a second
// thread, with choosers and message boxes answered by the test. The buttons before, during
// and after both kinds of run, Abort by the button and by the close box, and a directory
// argument that runs at once and leaves the window open.
#include "main_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/messages.h"
#include "common/ui.h"
#include "dialog_text.h"
#include "modal_driver.h"
#include "platform/clock.h"
#include "platform/native_file_system.h"
#include "support/temp_dir.h"

namespace {

namespace ctl = qlm::ctl;
namespace mb = qlm::mb;
namespace msg = qlm::msg;
using qlm::testing::Click;
using qlm::testing::ModalDriver;
using qlm::testing::TempDir;

constexpr int kButtons[] = {ctl::kProcessDir, ctl::kProcessFile, ctl::kOptions, ctl::kViewLogs,
                            ctl::kExit};

// The enabled state of the five buttons, "11011" in the order of kButtons.
std::string ButtonStates(HWND window) {
  std::string states;
  for (const int id : kButtons)
    states += IsWindowEnabled(GetDlgItem(window, id)) ? '1' : '0';
  return states;
}

struct Shown {
  std::string text;
  std::string caption;
  std::string buttons;  // the window's buttons while the box was up
  std::string exit_text;
};

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : fs_(qlm::MakeNativeFileSystem()) {
    state_.ProgramDirectory = program_.path() + "\\";
    state_.settings.SettingsPath = program_ / "Quillomat.ini";
    state_.settings.options.EnableFullAutoMode = 0;  // interactive: a taken name asks
    state_.settings.options.WriteErrorLog = 1;
    state_.settings.options.WriteRenameLog = 1;
    state_.settings.options.BackupRenamedFiles = 0;
    state_.settings.options.BackupUnrenamedFiles = 0;
  }

  void AddPage(const std::string& name, const std::string& title) {
    qlm::testing::WriteFile(pages_ / name, "<html><title>" + title + "</title></html>");
  }
  bool Exists(const std::string& name) const {
    return std::filesystem::exists(qlm::testing::NativePath(pages_ / name));
  }

  // Runs the window until it ends, with `drive` working it from another thread. Message boxes
  // are recorded, the window's buttons with them, and answered by `on_message_box` (default:
  // the safe answer, No, Cancel or OK).
  void Run(const std::function<void(HWND)>& drive) {
    qlm::win32gui::MainWindow window(state_, *fs_, clock_, GetModuleHandleW(nullptr));
    window.choose_directory = [this](HWND, const std::string&) { return chosen_directory_; };
    window.choose_file = [this](HWND, const std::string&) { return chosen_file_; };
    window.message_box = [this](HWND owner, std::string_view text, std::string_view caption,
                                unsigned flags) {
      const HWND main = GetAncestor(owner, GA_ROOT);
      shown_.push_back({std::string(text), std::string(caption), ButtonStates(main),
                        qlm::win32gui::ControlText(main, ctl::kExit)});
      ++boxes_;
      if (on_message_box) return on_message_box(main);
      return qlm::SafeAnswer(flags);
    };
    window.open_logs = [this](const std::vector<std::string>& copies) { opened_ = copies; };
    window.on_run_ended = [this] { ++runs_ended_; };
    ModalDriver driver([&window] { return window.window(); }, drive);
    window.Run();
  }

  // Driver thread: waits until `count` runs have ended.
  void WaitForRunsEnded(int count) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (runs_ended_.load() < count) {
      ASSERT_LT(std::chrono::steady_clock::now(), give_up) << "the run never ended";
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

  TempDir program_;
  TempDir pages_;
  std::unique_ptr<qlm::FileSystem> fs_;
  qlm::SystemClock clock_;
  qlm::AppState state_;
  std::optional<std::string> chosen_directory_ = pages_.path();
  std::optional<std::string> chosen_file_;
  std::vector<Shown> shown_;
  std::function<int(HWND)> on_message_box;
  std::vector<std::string> opened_;
  std::atomic<int> runs_ended_{0};
  std::atomic<int> boxes_{0};  // message boxes shown, for the driver thread
};

// Two pages of one title: the second asks whether to rename it by hand, which shows the
// buttons while the directory run is under way.
TEST_F(MainWindowTest, ButtonsAroundADirectoryRun) {
  AddPage("a.htm", "Same");
  AddPage("b.htm", "Same");
  std::string before, after, status_after, exit_after;
  Run([&](HWND window) {
    before = ButtonStates(window);
    Click(window, ctl::kProcessDir);
    WaitForRunsEnded(1);
    after = ButtonStates(window);
    status_after = qlm::win32gui::ControlText(window, ctl::kStatusLine);
    exit_after = qlm::win32gui::ControlText(window, ctl::kExit);
    Click(window, ctl::kExit);
  });
  EXPECT_EQ(before, "11111");
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].caption, msg::kFilenameExistsCaption);
  EXPECT_EQ(shown_[0].buttons, "00001");
  EXPECT_EQ(shown_[0].exit_text, msg::kAbort);
  EXPECT_EQ(after, "11111");  // the run wrote its logs
  EXPECT_EQ(status_after, msg::kIdle);
  EXPECT_EQ(exit_after, msg::kExit);
  EXPECT_TRUE(Exists("Same.htm"));
  EXPECT_TRUE(Exists("b.htm"));  // declined: keeps its name
  // Exit while idle saved the settings.
  EXPECT_TRUE(std::filesystem::exists(qlm::testing::NativePath(program_ / "Quillomat.ini")));
}

TEST_F(MainWindowTest, ButtonsAroundASingleFileRun) {
  AddPage("a.htm", "Same");
  AddPage("Same.htm", "Other");
  chosen_file_ = pages_ / "a.htm";
  std::string before, after, status_after;
  Run([&](HWND window) {
    before = ButtonStates(window);
    Click(window, ctl::kProcessFile);  // returns when the run, on the window's thread, has
    after = ButtonStates(window);
    status_after = qlm::win32gui::ControlText(window, ctl::kStatusLine);
    Click(window, ctl::kExit);
  });
  EXPECT_EQ(before, "11111");
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].buttons, "00000");  // Exit cannot abort a single-file run
  // A single-file run writes no log: View Log(s) stays disabled after it.
  EXPECT_EQ(after, "11101");
  EXPECT_EQ(status_after, msg::kIdle);
  EXPECT_TRUE(Exists("a.htm"));
}

TEST_F(MainWindowTest, CancelledChoosersLeaveTheWindowIdle) {
  chosen_file_.reset();
  std::string after;
  Run([&](HWND window) {
    Click(window, ctl::kProcessFile);
    after = ButtonStates(window) + qlm::win32gui::ControlText(window, ctl::kStatusLine);
    Click(window, ctl::kExit);
  });
  EXPECT_EQ(after, "11111IDLE");
  EXPECT_TRUE(shown_.empty());
}

// Abort while the run waits on a question: the run stops after that file, every page keeps a
// reachable name, and the window stays open and idle.
TEST_F(MainWindowTest, AbortByButtonOrCloseBoxStopsTheRunAfterTheFileInHand) {
  for (const bool close_box : {false, true}) {
    SCOPED_TRACE(close_box ? "close box" : "Abort button");
    TempDir pages;
    for (const char* name : {"a.htm", "b.htm", "c.htm", "d.htm", "e.htm"}) {
      qlm::testing::WriteFile(
          pages / name, std::string("<title>") + (name[0] <= 'b' ? "Same" : name) + "</title>");
    }
    chosen_directory_ = pages.path();
    runs_ended_ = 0;
    shown_.clear();
    on_message_box = [close_box](HWND window) {
      if (close_box) {
        SendMessageW(window, WM_CLOSE, 0, 0);
      } else {
        Click(window, ctl::kExit);
      }
      return mb::kIdCancel;
    };
    std::string processed, exit_text;
    bool open_after = false;
    Run([&](HWND window) {
      Click(window, ctl::kProcessDir);
      WaitForRunsEnded(1);
      processed = qlm::win32gui::ControlText(window, ctl::kFilesProcessed);
      exit_text = qlm::win32gui::ControlText(window, ctl::kExit);
      open_after = IsWindowVisible(window) != FALSE;
      on_message_box = nullptr;
      Click(window, ctl::kExit);
    });
    EXPECT_EQ(processed, "2");
    EXPECT_EQ(exit_text, msg::kExit);
    EXPECT_TRUE(open_after);
    ASSERT_EQ(shown_.size(), 1u);
    // Every page keeps a reachable name: the first renamed, the rest as they were.
    for (const char* name : {"Same.htm", "b.htm", "c.htm", "d.htm", "e.htm"})
      EXPECT_TRUE(std::filesystem::exists(qlm::testing::NativePath(pages / name))) << name;
  }
}

TEST_F(MainWindowTest, DirectoryArgumentRunsAtOnceAndTheWindowStaysOpen) {
  AddPage("a.htm", "Alpha");
  AddPage("b.htm", "Beta");
  state_.mode = qlm::RunMode::Directory;
  state_.TargetPath = pages_.path();
  bool open_after = false;
  std::string status_after;
  Run([&](HWND window) {
    WaitForRunsEnded(1);
    open_after = IsWindowVisible(window) != FALSE;
    status_after = qlm::win32gui::ControlText(window, ctl::kStatusLine);
    Click(window, ctl::kExit);
  });
  EXPECT_TRUE(open_after);
  EXPECT_EQ(status_after, msg::kIdle);
  EXPECT_TRUE(Exists("Alpha.htm"));
  EXPECT_TRUE(Exists("Beta.htm"));
  EXPECT_EQ(state_.mode, qlm::RunMode::None);  // the argument is used once
}

TEST_F(MainWindowTest, ViewLogsOpensTheErrorLogFirstAndOnlyLogsThatExist) {
  AddPage("a.htm", "Alpha");
  std::vector<std::string> before_any_run;
  Run([&](HWND window) {
    Click(window, ctl::kViewLogs);
    before_any_run = opened_;
    Click(window, ctl::kProcessDir);
    WaitForRunsEnded(1);
    Click(window, ctl::kViewLogs);
    Click(window, ctl::kExit);
  });
  EXPECT_TRUE(before_any_run.empty());
  ASSERT_EQ(opened_.size(), 2u);
  EXPECT_NE(opened_[0].find(msg::kErrorLogName), std::string::npos);
  EXPECT_NE(opened_[1].find(msg::kRenameLogName), std::string::npos);
  EXPECT_NE(qlm::testing::ReadFile(opened_[1]).find("Alpha.qlm"), std::string::npos)
      << opened_[1] << ": " << qlm::testing::ReadFile(opened_[1]);
}

}  // namespace

namespace {

// Ctrl+Z's command: with no run journaled it says so; after a run, Yes puts the names back.
TEST_F(MainWindowTest, UndoPutsTheLastRunsNamesBack) {
  AddPage("a.htm", "Alpha");
  on_message_box = [](HWND) { return mb::kIdYes; };
  bool renamed = false;
  Run([&](HWND window) {
    const WPARAM undo = MAKEWPARAM(qlm::win32gui::MainWindow::kUndoCommand, 0);
    SendMessageW(window, WM_COMMAND, undo, 0);
    Click(window, ctl::kProcessDir);
    WaitForRunsEnded(1);
    renamed = Exists("Alpha.htm");
    SendMessageW(window, WM_COMMAND, undo, 0);
    Click(window, ctl::kExit);
  });
  ASSERT_EQ(shown_.size(), 3u);
  EXPECT_EQ(shown_[0].text, msg::kUndoNothing);
  EXPECT_EQ(shown_[1].text.rfind(msg::kUndoQuestion1, 0), 0u);
  EXPECT_EQ(shown_[2].text.rfind(msg::kUndoDone1, 0), 0u);
  EXPECT_TRUE(renamed);
  EXPECT_TRUE(Exists("a.htm"));
  EXPECT_FALSE(Exists("Alpha.htm"));
}

}  // namespace

namespace {

// Ctrl+Z typed on the keyboard reaches the undo command through the dialog loop's filter.
// Typed keys go to whichever window has the focus on the display, so this runs on its own
// (ctest's win32gui.keyboard, RUN_SERIAL), not among the suite's parallel tests.
TEST_F(MainWindowTest, DISABLED_CtrlZTypedOffersTheUndo) {
  Run([&](HWND window) {
    // Typed keys go to the foreground window: wait until the display has made it that.
    const auto no_focus = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (GetForegroundWindow() != window && std::chrono::steady_clock::now() < no_focus) {
      SetForegroundWindow(window);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (GetForegroundWindow() != window) {
      ADD_FAILURE() << "the main window never came to the foreground";
      Click(window, ctl::kExit);
      return;
    }
    INPUT keys[4] = {};
    const WORD codes[4] = {VK_CONTROL, 'Z', 'Z', VK_CONTROL};
    for (int i = 0; i < 4; ++i) {
      keys[i].type = INPUT_KEYBOARD;
      keys[i].ki.wVk = codes[i];
      keys[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
    }
    SendInput(4, keys, sizeof(INPUT));
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (boxes_.load() == 0) {
      if (std::chrono::steady_clock::now() > give_up) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    Click(window, ctl::kExit);
  });
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].text, msg::kUndoNothing);
}

}  // namespace
