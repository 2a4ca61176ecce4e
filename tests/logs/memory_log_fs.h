// An in-memory FileSystem for the log tests: only OpenLog does anything. Files are byte
// strings keyed by path; every write is recorded, and opens or writes can be made to fail.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "support/unavailable_file_system.h"

namespace qlm::testing {

class MemoryLogFs final : public UnavailableFileSystem {
 public:
  struct WriteRecord {
    std::string path;
    std::uint64_t offset;
    std::string bytes;
  };

  // The file's bytes; "" when it was never created.
  std::string Contents(const std::string& path) const {
    const auto it = files_.find(path);
    return it == files_.end() ? std::string() : *it->second;
  }
  bool Exists(const std::string& path) const { return files_.count(path) != 0; }
  void Put(const std::string& path, std::string contents) {
    files_[path] = std::make_shared<std::string>(std::move(contents));
  }

  std::set<std::string> refuse_open;   // OpenLog fails with AccessDenied for these paths
  std::set<std::string> refuse_write;  // Append fails with DiskFull for these paths
  std::string refuse_piece;            // ... and for any piece containing this text
  bool refuse_size = false;            // LogFile::Size fails
  std::vector<WriteRecord> writes;     // every successful Append (and where it went), in order
  std::vector<std::string> opened;     // every path OpenLog was asked for

  FsError OpenLog(const std::string& path, std::unique_ptr<LogFile>& file) override {
    opened.push_back(path);
    if (refuse_open.count(path) != 0) return FsError::AccessDenied;
    auto& data = files_[path];
    if (!data) data = std::make_shared<std::string>();
    file = std::make_unique<File>(*this, path, data);
    return FsError::Ok;
  }

 private:
  class File final : public LogFile {
   public:
    File(MemoryLogFs& fs, std::string path, std::shared_ptr<std::string> data)
        : fs_(fs), path_(std::move(path)), data_(std::move(data)) {}
    FsError Append(std::string_view bytes) override {
      if (fs_.refuse_write.count(path_) != 0) return FsError::DiskFull;
      if (!fs_.refuse_piece.empty() && bytes.find(fs_.refuse_piece) != std::string_view::npos)
        return FsError::DiskFull;
      fs_.writes.push_back({path_, data_->size(), std::string(bytes)});
      data_->append(bytes);
      return FsError::Ok;
    }
    FsError Size(std::uint64_t& size) override {
      if (fs_.refuse_size) return FsError::IoDevice;
      size = data_->size();
      return FsError::Ok;
    }
    FsError Sync() override { return FsError::Ok; }

   private:
    MemoryLogFs& fs_;
    std::string path_;
    std::shared_ptr<std::string> data_;
  };

  std::map<std::string, std::shared_ptr<std::string>> files_;
};

}  // namespace qlm::testing
