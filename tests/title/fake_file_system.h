// A FileSystem for the title tests: only OpenForReading works. It serves files from memory
// (with injectable open and read failures) or passes the open on to a real layer, and counts
// how many files it opened, read and closed again.
#pragma once

#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "platform/file_system.h"
#include "support/unavailable_file_system.h"

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

// Another layer's file, counted like the in-memory ones.
class CountedDiskFile : public ReadableFile {
 public:
  CountedDiskFile(FileCounts& counts, std::unique_ptr<ReadableFile> file)
      : counts_(counts), file_(std::move(file)) {
    ++counts_.opened;
  }
  ~CountedDiskFile() override { ++counts_.closed; }
  FsError Read(char* buffer, std::size_t capacity, std::size_t& bytes_read) override {
    ++counts_.reads;
    return file_->Read(buffer, capacity, bytes_read);
  }
  FsError Size(std::uint64_t& size) override { return file_->Size(size); }

 private:
  FileCounts& counts_;
  std::unique_ptr<ReadableFile> file_;
};

class FakeFileSystem : public UnavailableFileSystem {
 public:
  struct Entry {
    std::string contents;
    FsError open_error = FsError::Ok;
    FsError read_error = FsError::Ok;
  };

  FileCounts counts;
  std::map<std::string, Entry> files;  // in-memory files by path
  FileSystem* disk = nullptr;          // when set, opens the paths not in `files`

  FsError OpenForReading(const std::string& path, std::unique_ptr<ReadableFile>& file) override {
    file.reset();
    const auto found = files.find(path);
    if (found != files.end()) {
      if (found->second.open_error != FsError::Ok) return found->second.open_error;
      file =
          std::make_unique<CountedFile>(counts, found->second.contents, found->second.read_error);
      return FsError::Ok;
    }
    if (disk == nullptr) return FsError::FileNotFound;
    std::unique_ptr<ReadableFile> real;
    const FsError error = disk->OpenForReading(path, real);
    if (error == FsError::Ok) file = std::make_unique<CountedDiskFile>(counts, std::move(real));
    return error;
  }
};

}  // namespace qlm::testing
