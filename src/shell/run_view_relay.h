// The run's view in a desktop program, without a toolkit. A directory run works on a worker
// thread and a single-file run on the window's thread; either way the window is touched on
// its own thread only:
//  * control updates from a worker are coalesced (the latest text and state per control) and
//    carried over by one wake-up at a time, applied at most once a frame (16 ms), so that a
//    run of many files neither floods the window's queue nor spends its time repainting, and
//    the window keeps painting and taking clicks;
//  * message boxes and the manual rename dialog block the worker until the window's thread
//    has answered them, after it has applied every update made before the question;
//  * on the window's own thread every call is carried out at once.
// The toolkit only has to deliver wake-ups: Wake (from any thread) and WakeAfter (a timer on
// the window's thread) must each lead to one OnWake call on the window's thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "engine/run_view.h"

namespace qlm {

// What the relay needs from the window. The Apply and Ask calls and RunFinished come on the
// window's thread only.
class RelayWindow {
 public:
  virtual ~RelayWindow() = default;
  virtual void ApplyControlText(int id, std::string_view text) = 0;
  virtual void ApplyControlEnabled(int id, bool enabled) = 0;
  // A message box owned by the window; returns the answer (mb::kIdOk, ...).
  virtual int AskMessageBox(std::string_view text, std::string_view caption, unsigned flags) = 0;
  // The manual rename dialog over `dialog`; returns 0 for a name accepted, 1 for cancelled.
  virtual int AskManualRename(ManualRename& dialog) = 0;
  // A directory run's worker has returned; every update it made has been applied.
  virtual void RunFinished() = 0;
  // Any thread: have OnWake called on the window's thread soon.
  virtual void Wake() = 0;
  // Window's thread: have OnWake called on it after `delay`.
  virtual void WakeAfter(std::chrono::milliseconds delay) = 0;
};

// The answer a message box of `flags` gives when nobody can answer it: its safe button (No,
// Cancel, or the lone OK).
int SafeAnswer(unsigned flags);

class RunViewRelay final : public RunView {
 public:
  static constexpr std::chrono::milliseconds kFrame{16};

  // Made on the window's thread, which it takes as the window's.
  explicit RunViewRelay(RelayWindow& window);
  ~RunViewRelay() override;

  void SetControlText(int id, std::string_view text) override;
  void EnableControl(int id, bool enabled) override;
  int ShowMessageBox(std::string_view text, std::string_view caption, unsigned flags) override;
  int ShowManualRenameDialog(ManualRename& dialog) override;

  // Called by the worker as its last act: the window hears of it after every update.
  void PostRunFinished();
  // Window's thread, for every wake-up: answers a waiting question, reports a finished run,
  // and applies pending updates (now, or at the next frame through WakeAfter).
  void OnWake();
  // Window's thread: applies the pending updates now.
  void Flush();
  // Window's thread, when the window goes away: from now on questions from a worker are
  // answered at once with their safe answer (No, Cancel, the dialog cancelled), including one
  // that waits and has not reached the window yet, and nothing more reaches the window. A
  // worker can therefore be joined right after this without deadlock.
  void Detach();

 private:
  bool OnWindowThread() const { return std::this_thread::get_id() == window_thread_; }
  // Carries `ask` out on the window's thread and returns its answer; `when_detached` when the
  // view is detached before the window starts on it.
  int Ask(std::function<int()> ask, int when_detached);
  void AnswerPending();

  RelayWindow& window_;
  const std::thread::id window_thread_;
  // Window's thread only:
  std::chrono::steady_clock::time_point last_flush_{};
  bool flush_scheduled_ = false;
  std::mutex mutex_;
  std::condition_variable answered_;
  // Guarded by mutex_:
  std::map<int, std::string> texts_;
  std::map<int, bool> enabled_;
  bool updates_woken_ = false;  // a wake-up for updates is on its way or held back
  bool finished_ = false;
  bool detached_ = false;
  std::function<int()> question_;  // the worker's question, until the window takes it
  bool question_taken_ = false;
  bool question_answered_ = false;
  int answer_ = 0;
};

}  // namespace qlm
