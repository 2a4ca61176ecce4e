#include "shell/run_view_relay.h"

#include <utility>

#include "common/ui.h"

namespace qlm {

int SafeAnswer(unsigned flags) {
  switch (flags & mb::kButtonMask) {
    case mb::kYesNo:
      return mb::kIdNo;
    case mb::kOkCancel:
      return mb::kIdCancel;
    default:
      return mb::kIdOk;
  }
}

RunViewRelay::RunViewRelay(RelayWindow& window)
    : window_(window), window_thread_(std::this_thread::get_id()) {}

RunViewRelay::~RunViewRelay() {
  Detach();
}

void RunViewRelay::SetControlText(int id, std::string_view text) {
  if (OnWindowThread()) {
    Flush();
    window_.ApplyControlText(id, text);
    return;
  }
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    if (detached_) return;
    texts_[id].assign(text);
    wake = !std::exchange(updates_woken_, true);
  }
  if (wake) window_.Wake();
}

void RunViewRelay::EnableControl(int id, bool enabled) {
  if (OnWindowThread()) {
    Flush();
    window_.ApplyControlEnabled(id, enabled);
    return;
  }
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    if (detached_) return;
    enabled_[id] = enabled;
    wake = !std::exchange(updates_woken_, true);
  }
  if (wake) window_.Wake();
}

int RunViewRelay::ShowMessageBox(std::string_view text, std::string_view caption, unsigned flags) {
  return Ask([this, text, caption, flags] { return window_.AskMessageBox(text, caption, flags); },
             SafeAnswer(flags));
}

int RunViewRelay::ShowManualRenameDialog(ManualRename& dialog) {
  return Ask([this, &dialog] { return window_.AskManualRename(dialog); }, 1);
}

int RunViewRelay::Ask(std::function<int()> ask, int when_detached) {
  if (OnWindowThread()) {
    Flush();
    return ask();
  }
  {
    std::lock_guard lock(mutex_);
    if (detached_) return when_detached;
    question_ = std::move(ask);
    question_taken_ = false;
    question_answered_ = false;
  }
  window_.Wake();
  std::unique_lock lock(mutex_);
  // A question the window has taken is always answered: its dialog may still use the
  // worker's data, so the worker must not run on before it closes.
  answered_.wait(lock, [this] { return question_answered_ || (detached_ && !question_taken_); });
  question_ = nullptr;
  return question_answered_ ? answer_ : when_detached;
}

void RunViewRelay::AnswerPending() {
  std::function<int()> ask;
  {
    std::lock_guard lock(mutex_);
    if (detached_ || !question_ || question_taken_) return;
    question_taken_ = true;
    ask = question_;
  }
  Flush();  // the window shows what the run showed before it asked
  const int answer = ask();
  {
    std::lock_guard lock(mutex_);
    answer_ = answer;
    question_answered_ = true;
  }
  answered_.notify_all();
}

void RunViewRelay::PostRunFinished() {
  {
    std::lock_guard lock(mutex_);
    if (detached_) return;
    finished_ = true;
  }
  window_.Wake();
}

void RunViewRelay::OnWake() {
  AnswerPending();
  bool finished = false;
  bool updates = false;
  {
    std::lock_guard lock(mutex_);
    if (detached_) return;
    finished = std::exchange(finished_, false);
    updates = updates_woken_;
  }
  if (finished) {
    Flush();
    window_.RunFinished();
    return;
  }
  if (!updates) return;
  // The worker wakes the window no more for updates until this flush is done, so holding it
  // back to the next frame bounds the window's work whatever the rate of updates.
  const auto elapsed = std::chrono::steady_clock::now() - last_flush_;
  if (elapsed >= kFrame) {
    Flush();
  } else if (!flush_scheduled_) {
    flush_scheduled_ = true;
    window_.WakeAfter(std::chrono::duration_cast<std::chrono::milliseconds>(kFrame - elapsed) +
                      std::chrono::milliseconds(1));
  }
}

void RunViewRelay::Flush() {
  flush_scheduled_ = false;
  last_flush_ = std::chrono::steady_clock::now();
  std::map<int, std::string> texts;
  std::map<int, bool> enabled;
  {
    std::lock_guard lock(mutex_);
    if (detached_) return;
    texts.swap(texts_);
    enabled.swap(enabled_);
    updates_woken_ = false;
  }
  for (const auto& [id, text] : texts)
    window_.ApplyControlText(id, text);
  for (const auto& [id, state] : enabled)
    window_.ApplyControlEnabled(id, state);
}

void RunViewRelay::Detach() {
  {
    std::lock_guard lock(mutex_);
    detached_ = true;
    texts_.clear();
    enabled_.clear();
  }
  answered_.notify_all();
}

}  // namespace qlm
