#include "engine/read_ahead.h"

#include "platform/file_system.h"

namespace qlm {

ReadAhead::ReadAhead(FileSystem& fs, std::string directory, unsigned threads)
    : fs_(fs), directory_(std::move(directory)) {
  for (unsigned i = 0; i < threads; ++i)
    threads_.emplace_back([this] { Work(); });
}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  wake_.notify_all();
  for (std::thread& thread : threads_)
    thread.join();
}

void ReadAhead::Advance(const DirectorySearch& search, bool took_one) {
  if (took_one && queued_ > 0) --queued_;
  if (threads_.empty() || in_memory_.load(std::memory_order_relaxed) || queued_ > kWindow / 2) {
    return;
  }
  std::vector<std::string> batch;
  for (std::string name; queued_ < kWindow && search.Peek(queued_, name); ++queued_)
    batch.push_back(directory_ + name);
  if (batch.empty()) return;
  {
    std::lock_guard lock(mutex_);
    for (std::string& path : batch)
      queue_.push_back(std::move(path));
  }
  wake_.notify_all();
}

void ReadAhead::Work() {
  for (;;) {
    std::string path;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      path = std::move(queue_.front());
      queue_.pop_front();
    }
    const auto start = std::chrono::steady_clock::now();
    fs_.Prefetch(path);
    const auto took = std::chrono::steady_clock::now() - start;
    std::lock_guard lock(mutex_);
    if (probed_ < kProbe) {
      ++probed_;
      slow_ += took > kInMemory;
      if (probed_ == kProbe && slow_ == 0) {
        in_memory_ = true;  // every file came at once: the disk holds the run up nowhere
        queue_.clear();
      }
    }
  }
}

}  // namespace qlm
