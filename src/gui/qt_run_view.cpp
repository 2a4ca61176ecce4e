#include "gui/qt_run_view.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <utility>

#include "gui/prompter.h"

namespace qlm::gui {

namespace {
constexpr int kFlushEvent = QEvent::User + 701;
constexpr int kQuestionEvent = QEvent::User + 702;
constexpr int kFinishedEvent = QEvent::User + 703;
constexpr int kFlushIntervalMs = 16;  // one frame
}  // namespace

QtRunView::QtRunView(RunWindow& window) : window_(window) {
  flush_timer_.setSingleShot(true);
  connect(&flush_timer_, &QTimer::timeout, this, [this] { Flush(); });
}

QtRunView::~QtRunView() {
  Detach();
}

bool QtRunView::OnWindowThread() const {
  return QThread::currentThread() == thread();
}

void QtRunView::Post(int type) {
  // A plain event, built inside Qt: the payload stays behind the mutex.
  QCoreApplication::postEvent(this, new QEvent(static_cast<QEvent::Type>(type)));
}

void QtRunView::SetControlText(int id, std::string_view text) {
  if (OnWindowThread()) {
    Flush();
    window_.ApplyControlText(id, QString::fromUtf8(text.data(), qsizetype(text.size())));
    return;
  }
  bool post = false;
  {
    std::lock_guard lock(mutex_);
    if (detached_) return;
    texts_[id].assign(text);
    post = !std::exchange(flush_posted_, true);
  }
  if (post) Post(kFlushEvent);
}

void QtRunView::EnableControl(int id, bool enabled) {
  if (OnWindowThread()) {
    Flush();
    window_.ApplyControlEnabled(id, enabled);
    return;
  }
  bool post = false;
  {
    std::lock_guard lock(mutex_);
    if (detached_) return;
    enabled_[id] = enabled;
    post = !std::exchange(flush_posted_, true);
  }
  if (post) Post(kFlushEvent);
}

int QtRunView::ShowMessageBox(std::string_view text, std::string_view caption, unsigned flags) {
  return Ask([this, text, caption, flags] { return window_.AskMessageBox(text, caption, flags); },
             SafeAnswer(flags));
}

int QtRunView::ShowManualRenameDialog(ManualRename& dialog) {
  return Ask([this, &dialog] { return window_.AskManualRename(dialog); }, 1);
}

int QtRunView::Ask(std::function<int()> ask, int when_detached) {
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
  Post(kQuestionEvent);
  std::unique_lock lock(mutex_);
  // A question the window has taken is always answered: its dialog may still use the
  // worker's data, so the worker must not run on before it closes.
  answered_.wait(lock, [this] { return question_answered_ || (detached_ && !question_taken_); });
  question_ = nullptr;
  return question_answered_ ? answer_ : when_detached;
}

void QtRunView::AnswerPending() {
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

void QtRunView::PostRunFinished() {
  {
    std::lock_guard lock(mutex_);
    if (detached_) return;
  }
  Post(kFinishedEvent);
}

void QtRunView::Flush() {
  flush_timer_.stop();
  since_flush_.restart();
  std::map<int, std::string> texts;
  std::map<int, bool> enabled;
  {
    std::lock_guard lock(mutex_);
    if (detached_) return;
    texts.swap(texts_);
    enabled.swap(enabled_);
    flush_posted_ = false;
  }
  for (const auto& [id, text] : texts)
    window_.ApplyControlText(id, QString::fromUtf8(text.data(), qsizetype(text.size())));
  for (const auto& [id, state] : enabled)
    window_.ApplyControlEnabled(id, state);
}

void QtRunView::Detach() {
  {
    std::lock_guard lock(mutex_);
    detached_ = true;
    texts_.clear();
    enabled_.clear();
  }
  answered_.notify_all();
}

bool QtRunView::event(QEvent* event) {
  switch (static_cast<int>(event->type())) {
    case kFlushEvent: {
      // The worker posts no more flushes until this one is done, so holding it back to the
      // next frame bounds the window's work whatever the rate of updates.
      const qint64 elapsed = since_flush_.isValid() ? since_flush_.elapsed() : kFlushIntervalMs;
      if (elapsed >= kFlushIntervalMs) {
        Flush();
      } else if (!flush_timer_.isActive()) {
        flush_timer_.start(static_cast<int>(kFlushIntervalMs - elapsed));
      }
      return true;
    }
    case kQuestionEvent:
      AnswerPending();
      return true;
    case kFinishedEvent: {
      Flush();
      bool detached = false;
      {
        std::lock_guard lock(mutex_);
        detached = detached_;
      }
      if (!detached) window_.RunFinished();
      return true;
    }
    default:
      return QObject::event(event);
  }
}

}  // namespace qlm::gui
