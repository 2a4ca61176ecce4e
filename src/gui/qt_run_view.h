// The run's view in the desktop program. A directory run works on a worker thread and a
// single-file run on the window's thread; either way every widget is touched on the window's
// thread only:
//  * control updates from a worker are coalesced (the latest text and state per control) and
//    carried over by one posted event at a time, applied at most once a frame (16 ms), so
//    that a run of many files neither floods the event loop nor spends its time repainting,
//    and the window keeps painting and taking clicks;
//  * message boxes and the manual rename dialog block the worker until the window's thread
//    has answered them, after it has applied every update made before the question;
//  * on the window's own thread every call is carried out at once.
// Only plain events cross threads; the data goes through this object's mutex.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "engine/run_view.h"

namespace qlm::gui {

// What the view needs from the window; called on the window's thread only.
class RunWindow {
 public:
  virtual ~RunWindow() = default;
  virtual void ApplyControlText(int id, const QString& text) = 0;
  virtual void ApplyControlEnabled(int id, bool enabled) = 0;
  // A message box owned by the window; returns the answer (mb::kIdOk, ...).
  virtual int AskMessageBox(std::string_view text, std::string_view caption, unsigned flags) = 0;
  // The manual rename dialog over `dialog`; returns 0 for a name accepted, 1 for cancelled.
  virtual int AskManualRename(ManualRename& dialog) = 0;
  // A directory run's worker has returned; every update it made has been applied.
  virtual void RunFinished() = 0;
};

class QtRunView final : public QObject, public RunView {
 public:
  // Lives on the window's thread, the one that creates it.
  explicit QtRunView(RunWindow& window);
  ~QtRunView() override;

  void SetControlText(int id, std::string_view text) override;
  void EnableControl(int id, bool enabled) override;
  int ShowMessageBox(std::string_view text, std::string_view caption, unsigned flags) override;
  int ShowManualRenameDialog(ManualRename& dialog) override;

  // Called by the worker as its last act: the window hears of it after every update.
  void PostRunFinished();
  // Window's thread: applies the pending updates now.
  void Flush();
  // Window's thread, when the window goes away: from now on questions from a worker are
  // answered at once with their safe answer (No, Cancel, the dialog cancelled), including one
  // that waits and has not reached the window yet, and nothing more reaches the window. A
  // worker can therefore be joined right after this without deadlock.
  void Detach();

 protected:
  bool event(QEvent* event) override;

 private:
  bool OnWindowThread() const;
  // Carries `ask` out on the window's thread and returns its answer; `when_detached` when the
  // view is detached before the window starts on it.
  int Ask(std::function<int()> ask, int when_detached);
  // Posts one event of `type` to this object. Expects mutex_ not to be held.
  void Post(int type);
  void AnswerPending();

  RunWindow& window_;
  QElapsedTimer since_flush_;  // window's thread only
  QTimer flush_timer_;         // window's thread only: a flush held back to the next frame
  std::mutex mutex_;
  std::condition_variable answered_;
  // Guarded by mutex_:
  std::map<int, std::string> texts_;
  std::map<int, bool> enabled_;
  bool flush_posted_ = false;
  bool detached_ = false;
  std::function<int()> question_;  // the worker's question, until the window takes it
  bool question_taken_ = false;
  bool question_answered_ = false;
  int answer_ = 0;
};

}  // namespace qlm::gui
