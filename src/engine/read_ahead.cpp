#include "engine/read_ahead.h"

#include <algorithm>

#include "platform/file_system.h"
#include "platform/thread_priority.h"

namespace qlm {

ReadAhead::ReadAhead(FileSystem& fs, std::string directory, bool parse_entities)
    : fs_(fs), directory_(std::move(directory)), parse_entities_(parse_entities) {
  if (!fs_.CanOpenAhead()) return;
  std::unique_ptr<AheadReader> reader = fs_.NewAheadReader();
  const unsigned threads = reader->BatchSize() > 1 ? 1 : kThreads;
  for (unsigned i = 0; i < threads; ++i) {
    if (reader == nullptr) reader = fs_.NewAheadReader();
    threads_.emplace_back([this, mine = std::move(reader)]() mutable { Work(std::move(mine)); });
  }
}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  // The threads finish the batch in hand; the slots (and what they hold) go after them.
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

void ReadAhead::Work(std::unique_ptr<AheadReader> reader) {
  // The run's own thread decides how fast a run goes; on a machine with few processors a
  // reader thread taking one from it would only slow it down.
  LowerThisThreadPriority();
  const std::size_t batch_size = std::max<std::size_t>(1, reader->BatchSize());
  Batch current, next;
  for (;;) {
    if (current.slots.empty() && !Claim(current, batch_size, /*wait=*/true)) return;
    // While this batch's reads are on their way, the next batch is opened (on a cold disk its
    // files' entries are read meanwhile), so that the disk always has reads to do.
    reader->ReadStarts(current.reads, kTitleReadLimit,
                       [&] { Claim(next, batch_size, /*wait=*/false); });
    Finish(current);
    std::swap(current, next);
    std::lock_guard lock(mutex_);
    if (stopping_) return;  // a batch opened and not read is closed with `current`
  }
}

bool ReadAhead::Claim(Batch& batch, std::size_t batch_size, bool wait) {
  batch.Clear();
  {
    std::unique_lock lock(mutex_);
    if (wait) wake_.wait(lock, [this] { return stopping_ || started_ < slots_.size(); });
    if (stopping_) return false;
    while (batch.slots.size() < batch_size && started_ < slots_.size())
      batch.slots.push_back(&slots_[started_++]);
  }
  for (const Slot* slot : batch.slots) {
    auto early = std::make_unique<EarlyTitle>();
    early->file = fs_.OpenAhead(directory_ + slot->name);
    if (early->file != nullptr) {
      batch.reads.push_back(AheadRead{early->file.get(), {}, FsError::Ok});
      batch.read_for.push_back(early.get());
    }
    batch.made.push_back(std::move(early));
  }
  return !batch.slots.empty();
}

void ReadAhead::Finish(Batch& batch) {
  for (std::size_t i = 0; i < batch.reads.size(); ++i) {
    if (batch.reads[i].error != FsError::Ok) continue;
    EarlyTitle& early = *batch.read_for[i];
    early.bytes = std::move(batch.reads[i].bytes);
    early.outcome = ExtractTitle(early.bytes, parse_entities_, early.title);
    early.read = true;
  }
  {
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < batch.slots.size(); ++i) {
      batch.slots[i]->early = std::move(batch.made[i]);
      batch.slots[i]->done = true;
    }
  }
  batch.slots.clear();
  done_.notify_all();
}

}  // namespace qlm
