// The PosixFileSystem operations that hand out open files: reading, logs, whole-file reads.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#ifdef QUILLOMAT_HAVE_IO_URING
#include <liburing.h>
#endif

#include "platform/posix/posix_file_system.h"

namespace qlm {
namespace {

using posix::UniqueFd;

// Size of an open file through fstat.
FsError SizeOf(int fd, std::uint64_t& size) {
  struct stat status;
  if (fstat(fd, &status) != 0) return ErrorFromErrno(errno);
  size = static_cast<std::uint64_t>(status.st_size);
  return FsError::Ok;
}

// One read of at most `capacity` bytes (at `offset`, leaving the file position alone, unless
// it is negative), retried when a signal interrupts it; `bytes_read` is 0 on failure.
FsError ReadOnce(int fd, char* buffer, std::size_t capacity, std::size_t& bytes_read,
                 off_t offset = -1) {
  bytes_read = 0;
  ssize_t count;
  do {
    count = offset < 0 ? read(fd, buffer, capacity) : pread(fd, buffer, capacity, offset);
  } while (count < 0 && errno == EINTR);
  if (count < 0) return ErrorFromErrno(errno);
  bytes_read = static_cast<std::size_t>(count);
  return FsError::Ok;
}

class PosixReadableFile final : public ReadableFile {
 public:
  explicit PosixReadableFile(UniqueFd fd) : fd_(std::move(fd)) {}
  FsError Read(char* buffer, std::size_t capacity, std::size_t& bytes_read) override {
    return ReadOnce(fd_.get(), buffer, capacity, bytes_read);
  }
  FsError Size(std::uint64_t& size) override { return SizeOf(fd_.get(), size); }
  FsError Skip(std::uint64_t bytes) override {
    if (bytes > static_cast<std::uint64_t>(INT64_MAX)) return FsError::InvalidParameter;
    return lseek(fd_.get(), static_cast<off_t>(bytes), SEEK_CUR) < 0 ? ErrorFromErrno(errno)
                                                                     : FsError::Ok;
  }

 private:
  UniqueFd fd_;
};

// One of the files a layer may hold open ahead (see PosixFileSystem::ahead_open_), counted
// for as long as it lives.
class AheadSlot {
 public:
  explicit AheadSlot(std::shared_ptr<std::atomic<int>> count) : count_(std::move(count)) {}
  AheadSlot(AheadSlot&& other) noexcept
      : count_(std::move(other.count_)), taken_(std::exchange(other.taken_, false)) {}
  AheadSlot& operator=(AheadSlot&&) = delete;
  ~AheadSlot() {
    if (taken_) count_->fetch_sub(1, std::memory_order_relaxed);
  }
  // Counts one more file open ahead; false (and nothing counted) when `budget` are already.
  bool Take(int budget) {
    if (count_->fetch_add(1, std::memory_order_relaxed) < budget) return taken_ = true;
    count_->fetch_sub(1, std::memory_order_relaxed);
    return false;
  }

 private:
  std::shared_ptr<std::atomic<int>> count_;
  bool taken_ = false;
};

class PosixAheadFile final : public AheadFile {
 public:
  PosixAheadFile(UniqueFd fd, const struct stat& status, AheadSlot slot)
      : fd_(std::move(fd)), device_(status.st_dev), inode_(status.st_ino), slot_(std::move(slot)) {}
  FsError ReadStart(char* buffer, std::size_t capacity, std::size_t& bytes_read) override {
    return ReadOnce(fd_.get(), buffer, capacity, bytes_read, 0);
  }
  int fd() const { return fd_.get(); }
  // True when `status` describes the file this one is.
  bool Is(const struct stat& status) const {
    return status.st_dev == device_ && status.st_ino == inode_;
  }
  UniqueFd Release() { return std::move(fd_); }

 private:
  UniqueFd fd_;
  dev_t device_;
  ino_t inode_;
  AheadSlot slot_;
};

#ifdef QUILLOMAT_HAVE_IO_URING
// Reads a batch of files opened ahead through one io_uring: the reads of a batch are handed to
// the kernel in one call and in flight together, and the thread waits once for all of them.
// A cold disk then serves the batch at once, and the kernel's submissions are batched too
// (which in a virtual machine saves most of the cost of a read). Where the ring cannot be set
// up (an old kernel, io_uring disabled or filtered), each file is read on its own, as
// AheadReader does.
class PosixAheadReader final : public AheadReader {
 public:
  static constexpr unsigned kEntries = 16;  // a batch's reads, all in flight at once

  PosixAheadReader() { ready_ = owned_ = io_uring_queue_init(kEntries, &ring_, 0) == 0; }
  ~PosixAheadReader() override {
    if (owned_) io_uring_queue_exit(&ring_);
  }
  PosixAheadReader(const PosixAheadReader&) = delete;
  PosixAheadReader& operator=(const PosixAheadReader&) = delete;

  std::size_t BatchSize() const override { return ready_ ? kEntries : 1; }

  void ReadStarts(std::vector<AheadRead>& reads, std::size_t capacity,
                  const std::function<void()>& meanwhile) override {
    bool called = false;
    const auto call = [&] {
      if (meanwhile && !std::exchange(called, true)) meanwhile();
    };
    for (std::size_t first = 0; first < reads.size(); first += kEntries) {
      const std::size_t count = std::min<std::size_t>(kEntries, reads.size() - first);
      if (ready_) {
        ReadTogether(&reads[first], count, capacity, call);
      } else {
        for (std::size_t i = first; i < first + count; ++i)
          ReadAlone(reads[i], capacity);
      }
    }
    call();
  }

 private:
  // Reads `count` (at most kEntries) files through the ring; any the ring did not read are
  // read alone. `meanwhile` is called once the reads are handed to the kernel.
  template <typename Meanwhile>
  void ReadTogether(AheadRead* reads, std::size_t count, std::size_t capacity,
                    const Meanwhile& meanwhile) {
    if (capacity > capacity_) {
      buffers_ = std::make_unique<char[]>(kEntries * capacity);
      capacity_ = capacity;
    }
    std::array<std::size_t, kEntries> queued;  // indexes into `reads` of the reads in the ring
    std::size_t in_ring = 0;
    for (std::size_t i = 0; i < count; ++i) {
      auto* file = dynamic_cast<PosixAheadFile*>(reads[i].file);
      if (file == nullptr) {
        ReadAlone(reads[i], capacity);
        continue;
      }
      io_uring_sqe* entry = io_uring_get_sqe(&ring_);
      io_uring_prep_read(entry, file->fd(), Buffer(in_ring), static_cast<unsigned>(capacity), 0);
      io_uring_sqe_set_data64(entry, in_ring);
      queued[in_ring++] = i;
    }
    if (in_ring == 0) return;
    // What the kernel has taken must be waited for before its buffer is free; what it has not
    // taken is never handed over later (the ring is given up).
    std::size_t submitted = 0;
    while (submitted < in_ring) {
      const int handed = io_uring_submit(&ring_);
      if (handed == -EINTR) continue;
      if (handed <= 0) break;
      submitted += static_cast<std::size_t>(handed);
    }
    if (submitted < in_ring) ready_ = false;
    meanwhile();
    std::array<bool, kEntries> done{};
    for (std::size_t reaped = 0; reaped < submitted;) {
      io_uring_cqe* completion = nullptr;
      const int waited = io_uring_wait_cqe(&ring_, &completion);
      if (waited == -EINTR || waited == -EAGAIN) continue;
      if (waited < 0) {
        // The kernel may still write into the buffers: they and the ring are left to it, and
        // this reader reads alone from now on.
        static_cast<void>(buffers_.release());
        capacity_ = 0;
        ready_ = owned_ = false;
        break;
      }
      const std::uint64_t slot = io_uring_cqe_get_data64(completion);
      const int result = completion->res;
      io_uring_cqe_seen(&ring_, completion);
      ++reaped;
      // A read the kernel would not wait for (a file opened not to block) is read alone below;
      // so is one a kernel without reads in its rings refuses, and the ring is given up.
      if (result == -EINVAL || result == -EOPNOTSUPP) {
        ready_ = false;
        continue;
      }
      if (slot >= in_ring || result == -EAGAIN || result == -EINTR) continue;
      AheadRead& read = reads[queued[slot]];
      done[slot] = true;
      if (result < 0) {
        read.error = ErrorFromErrno(-result);
        read.bytes.clear();
      } else {
        read.error = FsError::Ok;
        read.bytes.assign(Buffer(slot), std::min<std::size_t>(result, capacity));
      }
    }
    for (std::size_t slot = 0; slot < in_ring; ++slot) {
      if (!done[slot]) ReadAlone(reads[queued[slot]], capacity);
    }
  }

  char* Buffer(std::size_t slot) { return buffers_.get() + slot * capacity_; }

  io_uring ring_{};
  bool ready_ = false;  // reads go through the ring
  bool owned_ = false;  // the ring is closed with the reader
  std::unique_ptr<char[]> buffers_;
  std::size_t capacity_ = 0;
};
#endif

// The file is opened with O_APPEND: the kernel places each write at the end of the file as it
// is at that moment, so pieces that several processes append never mix. Locks are
// open-file-description locks on one byte each, far beyond any content: they belong to this
// open file, not to the process, and go when it is closed or the process dies.
class PosixLogFile final : public LogFile {
 public:
  PosixLogFile(UniqueFd fd, const SystemCalls& calls, std::string path)
      : fd_(std::move(fd)), calls_(calls), path_(std::move(path)) {}
  FsError Append(std::string_view bytes) override {
    while (!bytes.empty()) {
      ssize_t written = calls_.write(fd_.get(), bytes.data(), bytes.size());
      if (written < 0 && errno == EINTR) continue;
      if (written < 0) return ErrorFromErrno(errno);
      if (written == 0) return FsError::DiskFull;  // no progress: the medium took nothing
      bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return FsError::Ok;
  }
  FsError Size(std::uint64_t& size) override { return SizeOf(fd_.get(), size); }
  FsError Sync() override {
    return calls_.fsync(fd_.get()) == 0 ? FsError::Ok : ErrorFromErrno(errno);
  }
  FsError Lock(int slot, bool exclusive, bool wait) override {
    struct flock lock = Range(slot);
    lock.l_type = exclusive ? F_WRLCK : F_RDLCK;
    while (fcntl(fd_.get(), wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock) != 0) {
      if (errno == EINTR) continue;
      return errno == EAGAIN || errno == EACCES ? FsError::SharingViolation : ErrorFromErrno(errno);
    }
    return FsError::Ok;
  }
  void Unlock(int slot) override {
    struct flock lock = Range(slot);
    lock.l_type = F_UNLCK;
    fcntl(fd_.get(), F_OFD_SETLK, &lock);
  }
  bool StillAtPath() override {
    struct stat mine, named;
    return fstat(fd_.get(), &mine) == 0 && lstat(path_.c_str(), &named) == 0 &&
           mine.st_dev == named.st_dev && mine.st_ino == named.st_ino;
  }

 private:
  static struct flock Range(int slot) {
    struct flock lock {};
    lock.l_whence = SEEK_SET;
    lock.l_start = (off_t{1} << 62) + slot;  // never reached by a log's contents
    lock.l_len = 1;
    return lock;
  }
  UniqueFd fd_;
  SystemCalls calls_;
  std::string path_;
};

}  // namespace

FsError PosixFileSystem::OpenForReading(const std::string& path,
                                        std::unique_ptr<ReadableFile>& file) {
  if (FsError error = posix::CheckPath(path); error != FsError::Ok) return error;
  std::lock_guard lock(mutex_);
  UniqueFd fd;
  struct stat status;
  if (FsError error = OpenRegular(path, fd, status, /*follow_links=*/false); error != FsError::Ok)
    return error;
  file = std::make_unique<PosixReadableFile>(std::move(fd));
  return FsError::Ok;
}

FsError PosixFileSystem::ReadWholeFile(const std::string& path, std::size_t limit,
                                       std::string& contents) {
  if (FsError error = posix::CheckPath(path); error != FsError::Ok) return error;
  UniqueFd fd;
  struct stat status;
  {
    std::lock_guard lock(mutex_);
    if (FsError error = OpenRegular(path, fd, status, /*follow_links=*/true); error != FsError::Ok)
      return error;
  }
  std::string text(std::min<std::size_t>(limit, static_cast<std::size_t>(status.st_size)), '\0');
  std::size_t filled = 0;
  // Read until the limit or the end, whatever size fstat reported (the file may grow).
  while (filled < limit) {
    if (text.size() == filled) text.resize(std::min(limit, filled + 65536));
    ssize_t count = read(fd.get(), text.data() + filled, text.size() - filled);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return ErrorFromErrno(errno);
    if (count == 0) break;
    filled += static_cast<std::size_t>(count);
  }
  text.resize(filled);
  contents.swap(text);
  return FsError::Ok;
}

FsError PosixFileSystem::OpenLog(const std::string& path, std::unique_ptr<LogFile>& file) {
  if (FsError error = posix::CheckPath(path); error != FsError::Ok) return error;
  posix::PathParts parts = posix::SplitPath(path);
  // O_APPEND: every piece goes to the end, whoever else appends. O_RDWR: a shared lock needs
  // read access. O_NONBLOCK: a FIFO without a reader fails at once (ENXIO) instead of
  // hanging; it has no effect on a regular file. O_NOFOLLOW: a link planted in the program
  // directory must not lead a log line into another file.
  constexpr int kFlags = O_RDWR | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW;
  std::lock_guard lock(mutex_);
  UniqueFd fd;
  std::string stored_name;
  auto open_existing = [&](const std::string& candidate) {
    fd = UniqueFd(calls_.open(candidate.c_str(), kFlags, 0));
    return fd.valid() ? 0 : (errno == ENXIO ? EACCES : errno);
  };
  FsError error = Resolve(path, open_existing, stored_name);
  if (error == FsError::FileNotFound) {
    if (error = CheckNewName(parts.name); error != FsError::Ok) return error;
    // The user's alone: the logs and the journal name the user's files.
    fd = UniqueFd(calls_.open(path.c_str(), kFlags | O_CREAT, 0600));
    if (!fd.valid()) return ErrorFromErrno(errno);
    NoteCreated(parts.directory, parts.name);
    error = FsError::Ok;
  }
  if (error != FsError::Ok) return error;
  struct stat status;
  if (fstat(fd.get(), &status) != 0) return ErrorFromErrno(errno);
  if (!S_ISREG(status.st_mode)) return FsError::AccessDenied;
  file = std::make_unique<PosixLogFile>(
      std::move(fd), calls_,
      posix::JoinPath(parts.directory, stored_name.empty() ? parts.name : stored_name));
  return FsError::Ok;
}

std::unique_ptr<AheadFile> PosixFileSystem::OpenAhead(const std::string& path) {
  // No lock and no cache: this runs on other threads beside the run. Only a regular file is
  // opened (never a device or FIFO, whose opening may do something), and only as it was
  // looked at.
  if (posix::CheckPath(path) != FsError::Ok) return nullptr;
  AheadSlot slot(ahead_open_);
  if (!slot.Take(ahead_budget_)) return nullptr;
  struct stat named, opened;
  if (lstat(path.c_str(), &named) != 0 || !S_ISREG(named.st_mode)) return nullptr;
  UniqueFd fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd.valid() || fstat(fd.get(), &opened) != 0 || !S_ISREG(opened.st_mode) ||
      opened.st_ino != named.st_ino || opened.st_dev != named.st_dev) {
    return nullptr;
  }
  return std::make_unique<PosixAheadFile>(std::move(fd), opened, std::move(slot));
}

std::unique_ptr<AheadReader> PosixFileSystem::NewAheadReader() {
#ifdef QUILLOMAT_HAVE_IO_URING
  return std::make_unique<PosixAheadReader>();
#else
  return std::make_unique<AheadReader>();
#endif
}

FsError PosixFileSystem::TakeOverAhead(const std::string& path, std::unique_ptr<AheadFile> ahead,
                                       std::unique_ptr<ReadableFile>& file) {
  auto* mine = dynamic_cast<PosixAheadFile*>(ahead.get());
  if (mine != nullptr && posix::CheckPath(path) == FsError::Ok) {
    const posix::PathView parts = posix::SplitPathView(path);
    std::lock_guard lock(mutex_);
    std::shared_ptr<const UniqueFd> directory;
    posix::EntryFacts* facts = KnownFacts(parts, &directory);
    const char* name = path.c_str() + (path.size() - parts.name.size());  // it ends the path
    // The name must still hold the very file opened ahead (not a link, nor another file moved
    // in since): then it is as good as opened now, and what is read from it now is the file
    // as it is now.
    struct stat status;
    const int looked = directory != nullptr
                           ? fstatat(directory->get(), name, &status, AT_SYMLINK_NOFOLLOW)
                           : lstat(path.c_str(), &status);
    if (looked == 0 && S_ISREG(status.st_mode) && mine->Is(status)) {
      if (facts != nullptr && facts->type == DT_REG && facts->inode == status.st_ino) {
        facts->Describe(status);  // as an open would: a move of it need not read it again
      }
      file = std::make_unique<PosixReadableFile>(mine->Release());
      return FsError::Ok;
    }
  }
  ahead.reset();
  return OpenForReading(path, file);
}

}  // namespace qlm
