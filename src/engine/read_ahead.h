// Reads ahead of a directory run: a few threads bring the first bytes of the files the run will
// come to next into memory, so that on a disk nobody has read lately the run's own reads find
// them there. The run still opens and reads every file itself at its turn, so what it reads is
// the file as it is then; only the wait for the disk moves out of its way.
//
// On files that are in memory already there is nothing to win: once the first reads ahead all
// come back at once, the threads stop and the run goes on alone.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qlm {

class DirectorySearch;
class FileSystem;

class ReadAhead {
 public:
  // How far ahead of the run files are read, by how many threads, and how many reads tell
  // whether the files are in memory already (each back within kInMemory).
  static constexpr std::size_t kWindow = 64;
  static constexpr unsigned kThreads = 4;
  static constexpr int kProbe = 32;
  static constexpr std::chrono::microseconds kInMemory{40};

  // Reads ahead of `search` in `directory` (ending in '/'). `fs` must be safe to call from
  // several threads at once (FileSystem::Prefetch is).
  ReadAhead(FileSystem& fs, std::string directory, unsigned threads = kThreads);
  ~ReadAhead();  // stops the threads; files not yet read are dropped
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The run has just taken a name from `search` (or is about to take the first): the files
  // after it are kept read ahead, up to the window. Queues in batches, so that the threads
  // are woken once per half window rather than once per file.
  void Advance(const DirectorySearch& search, bool took_one);

 private:
  void Work();

  FileSystem& fs_;
  std::string directory_;
  std::size_t queued_ = 0;  // the names search.Peek(0 .. queued_ - 1) are queued or read
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::string> queue_;
  bool stopping_ = false;
  std::atomic<bool> in_memory_{false};  // nothing to win: stop reading ahead
  int probed_ = 0;                      // reads timed so far (under mutex_)
  int slow_ = 0;                        // ... and how many of them waited for the disk
  std::vector<std::thread> threads_;
};

}  // namespace qlm
