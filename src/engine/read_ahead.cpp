#include "engine/read_ahead.h"

#include "platform/file_system.h"
#include "platform/thread_priority.h"

namespace qlm {

ReadAhead::ReadAhead(FileSystem& fs, std::string directory, bool parse_entities, unsigned threads)
    : fs_(fs), directory_(std::move(directory)), parse_entities_(parse_entities) {
  if (!fs_.CanOpenAhead()) return;
  for (unsigned i = 0; i < threads; ++i)
    threads_.emplace_back([this] { Work(); });
}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  // The threads finish the file in hand; the slots (and what they hold) go after them.
  for (std::thread& thread : threads_)
    thread.join();
}

void ReadAhead::Advance(const DirectorySearch& search, bool took_one) {
  if (took_one && peeked_ > 0) --peeked_;
  if (threads_.empty() || peeked_ > kWindow / 2) return;
  std::vector<std::string> batch;
  for (std::string name; peeked_ < kWindow && search.Peek(peeked_, name); ++peeked_)
    batch.push_back(std::move(name));
  if (batch.empty()) return;
  {
    std::lock_guard lock(mutex_);
    for (std::string& name : batch)
      slots_.push_back(Slot{std::move(name), nullptr, false});
  }
  wake_.notify_all();
}

std::unique_ptr<EarlyTitle> ReadAhead::Take(std::string_view name) {
  std::unique_lock lock(mutex_);
  if (slots_.empty() || slots_.front().name != name) return nullptr;
  if (started_ == 0) {  // no thread has come to it: the run is quicker on its own
    slots_.pop_front();
    return nullptr;
  }
  done_.wait(lock, [this] { return slots_.front().done; });
  std::unique_ptr<EarlyTitle> early = std::move(slots_.front().early);
  slots_.pop_front();
  --started_;
  return early;
}

void ReadAhead::Settle() {
  std::unique_lock lock(mutex_);
  done_.wait(lock, [this] {
    if (threads_.empty()) return true;
    for (const Slot& slot : slots_) {
      if (!slot.done) return false;
    }
    return true;
  });
}

void ReadAhead::Work() {
  // The run's own thread decides how fast a run goes; on a machine with few processors a
  // reader thread taking one from it would only slow it down.
  LowerThisThreadPriority();
  for (;;) {
    Slot* slot;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || started_ < slots_.size(); });
      if (stopping_) return;
      slot = &slots_[started_++];
    }
    auto early = std::make_unique<EarlyTitle>();
    ReadTitleAhead(fs_, directory_ + slot->name, parse_entities_, *early);
    {
      std::lock_guard lock(mutex_);
      slot->early = std::move(early);
      slot->done = true;
    }
    done_.notify_all();
  }
}

}  // namespace qlm
