// A FileSystem for the title tests: only OpenForReading works. It serves files from memory
// (with injectable open and read failures) or, for paths under a real directory, from disk
// through POSIX calls, and counts how many files it opened and how many were closed again.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "platform/file_system.h"

namespace qlm::testing {

struct FileCounts {
  int opened = 0;
  int closed = 0;
  int reads = 0;
};

class CountedFile : public ReadableFile {
 public:
  CountedFile(FileCounts& counts, std::string contents, FsError read_error)
      : counts_(counts), contents_(std::move(contents)), read_error_(read_error) {
    ++counts_.opened;
  }
  ~CountedFile() override { ++counts_.closed; }

  FsError Read(char* buffer, std::size_t capacity, std::size_t& bytes_read) override {
    ++counts_.reads;
    bytes_read = 0;
    if (read_error_ != FsError::Ok) return read_error_;
    bytes_read = std::min(capacity, contents_.size());
    std::memcpy(buffer, contents_.data(), bytes_read);
    return FsError::Ok;
  }
  FsError Size(std::uint64_t& size) override {
    size = contents_.size();
    return FsError::Ok;
  }

 private:
  FileCounts& counts_;
  std::string contents_;
  FsError read_error_;
};

// A real file opened with open(2): regular files only, never blocking.
class DiskFile : public ReadableFile {
 public:
  DiskFile(FileCounts& counts, int fd) : counts_(counts), fd_(fd) { ++counts_.opened; }
  ~DiskFile() override {
    ::close(fd_);
    ++counts_.closed;
  }
  FsError Read(char* buffer, std::size_t capacity, std::size_t& bytes_read) override {
    ++counts_.reads;
    const ssize_t n = ::read(fd_, buffer, capacity);
    bytes_read = n < 0 ? 0 : static_cast<std::size_t>(n);
    return n < 0 ? ErrorFromErrno(errno) : FsError::Ok;
  }
  FsError Size(std::uint64_t& size) override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return ErrorFromErrno(errno);
    size = static_cast<std::uint64_t>(st.st_size);
    return FsError::Ok;
  }

 private:
  FileCounts& counts_;
  int fd_;
};

class FakeFileSystem : public FileSystem {
 public:
  struct Entry {
    std::string contents;
    FsError open_error = FsError::Ok;
    FsError read_error = FsError::Ok;
  };

  FileCounts counts;
  std::map<std::string, Entry> files;  // in-memory files by path
  bool use_disk = false;               // paths not in `files` are opened on disk

  FsError OpenForReading(const std::string& path, std::unique_ptr<ReadableFile>& file) override {
    file.reset();
    const auto found = files.find(path);
    if (found != files.end()) {
      if (found->second.open_error != FsError::Ok) return found->second.open_error;
      file =
          std::make_unique<CountedFile>(counts, found->second.contents, found->second.read_error);
      return FsError::Ok;
    }
    if (!use_disk) return FsError::FileNotFound;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return ErrorFromErrno(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return FsError::AccessDenied;
    }
    file = std::make_unique<DiskFile>(counts, fd);
    return FsError::Ok;
  }

  // Nothing else is needed by the title reader.
  bool NameTaken(const std::string&) override { return false; }
  FsError GetInfo(const std::string&, FileInfo&) override { return FsError::GeneralFailure; }
  FsError Move(const std::string&, const std::string&) override { return FsError::GeneralFailure; }
  FsError Copy(const std::string&, const std::string&, bool) override {
    return FsError::GeneralFailure;
  }
  FsError CreateDirectory(const std::string&) override { return FsError::GeneralFailure; }
  FsError Delete(const std::string&) override { return FsError::GeneralFailure; }
  FsError OpenSearch(const std::string&, SearchKind, std::unique_ptr<DirectorySearch>&) override {
    return FsError::GeneralFailure;
  }
  DriveKind GetDriveKind(const std::string&) override { return DriveKind::Fixed; }
  FsError ProbeWritable(const std::string&) override { return FsError::GeneralFailure; }
  FsError OpenLog(const std::string&, std::unique_ptr<LogFile>&) override {
    return FsError::GeneralFailure;
  }
  FsError ReadWholeFile(const std::string&, std::size_t, std::string&) override {
    return FsError::GeneralFailure;
  }
  FsError ReplaceFileAtomically(const std::string&, std::string_view) override {
    return FsError::GeneralFailure;
  }
};

}  // namespace qlm::testing
