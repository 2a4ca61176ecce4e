// Reads ahead of a directory run: other threads open the files the run will come to next, read
// their first bytes (a batch at a time, where the file layer can) and extract their titles, so
// that on a disk nobody has read lately the run does not wait for it, and on one in memory the
// opening and the title's extraction are done beside the run. At its turn the run takes the file
// over (when its name still holds it) and reads it again itself: what it goes by is always the file
// as it is then, and the title extracted ahead stands only for exactly the bytes it was extracted
// from.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/file_system.h"
#include "title/read_title.h"

namespace qlm {

class DirectorySearch;

class ReadAhead {
 public:
  // How many files past the one in hand are read ahead, and by how many threads where the
  // file layer reads them one at a time. Where it reads a batch at once, one thread with a
  // batch in flight keeps the disk busier than several reading a file each, and leaves the
  // processors to the run.
  static constexpr std::size_t kWindow = 48;
  static constexpr unsigned kThreads = 4;

  // Reads ahead of a search of `directory` (ending in the separator), extracting titles with or
  // without entities decoded. No thread starts when `fs` does not open files ahead.
  ReadAhead(FileSystem& fs, std::string directory, bool parse_entities);
  ~ReadAhead();  // stops the threads; files read ahead and not taken are closed
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The run has just taken a name from `search` (or is about to take the first): the files
  // after it are kept queued, up to the window. Queues in batches, so that the threads are
  // woken once per half window rather than once per file.
  void Advance(const DirectorySearch& search, bool took_one);
  // What was made ahead of `name`, the name the run has taken last; nullptr when it was not
  // queued or no thread has come to it yet (the run then reads it all itself). Waits while a
  // thread is reading it.
  std::unique_ptr<EarlyTitle> Take(std::string_view name);
  // Waits until every file queued is read ahead.
  void Settle();

 private:
  struct Slot {
    std::string name;
    std::unique_ptr<EarlyTitle> early;
    bool done = false;
  };
  // A thread's batch of slots: the files opened ahead for them and their reads.
  struct Batch {
    std::vector<Slot*> slots;
    std::vector<std::unique_ptr<EarlyTitle>> made;  // one for each slot
    std::vector<AheadRead> reads;                   // one for each file opened
    std::vector<EarlyTitle*> read_for;              // the title each read is for
    void Clear() {
      slots.clear();
      made.clear();
      reads.clear();
      read_for.clear();
    }
  };
  void Work(std::unique_ptr<AheadReader> reader);
  // Takes the next slots (at most `batch_size`; waiting for one when `wait`) into `batch` and
  // opens their files. False when none was taken (always so once stopping).
  bool Claim(Batch& batch, std::size_t batch_size, bool wait);
  // Extracts the titles of the batch's reads, done, and hands its slots to the run.
  void Finish(Batch& batch);

  FileSystem& fs_;
  const std::string directory_;
  const bool parse_entities_;
  std::size_t peeked_ = 0;  // the names search.Peek(0 .. peeked_ - 1) are queued (run's thread)
  std::mutex mutex_;
  std::condition_variable wake_;  // for the threads: a slot to read, or stop
  std::condition_variable done_;  // for the run: a slot read
  std::deque<Slot> slots_;        // in the run's order; pointers to them stay valid
  std::size_t started_ = 0;       // slots_[0 .. started_ - 1] are being read or read
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace qlm
