// A FileSystem that passes every call to another one, except the calls a test chose to fail:
// "fail the Nth move with ENOSPC", "fail every log write from the 3rd on". A failed call does
// nothing and reports the layer's number for the errno given, like a real failure.
#pragma once

#include <array>
#include <memory>
#include <mutex>

#include "platform/file_system.h"

namespace qlm {

enum class FsOperation {
  Open,             // OpenForReading
  Read,             // Read, Size and Skip on a file OpenForReading returned
  Move,             //
  Copy,             //
  CreateDirectory,  //
  Delete,           //
  Enumerate,        // OpenSearch
  LogWrite,         // WriteAt and Sync on a log OpenLog returned
  GetInfo,          //
  Probe,            // ProbeWritable
  ReadFile,         // ReadWholeFile
  ReplaceFile,      // ReplaceFileAtomically, ReplaceWithTail
  ListDirectories,  // ListSubdirectories
};
inline constexpr std::size_t kFsOperationCount = 13;

class FaultInjectingFileSystem final : public FileSystem {
 public:
  // `inner` must outlive this object and every file it hands out.
  explicit FaultInjectingFileSystem(FileSystem& inner);

  // Fails call number `nth` (1-based, counted from construction) of `operation` with
  // ErrorFromErrno(errno_value); with `and_after`, every later call too. Replaces any earlier
  // rule for that operation.
  void FailCall(FsOperation operation, int nth, int errno_value, bool and_after = false);
  // Removes every rule; the counts go on.
  void ClearFaults();
  // How many calls of `operation` were made so far, failed ones included.
  int Calls(FsOperation operation) const;

  FsError OpenForReading(const std::string& path, std::unique_ptr<ReadableFile>& file) override;
  // Files opened ahead are not counted; taking one over is counted and failed as an Open, and
  // its reads as Reads, so a run meets the same faults whether it read ahead or not.
  bool CanOpenAhead() const override { return inner_.CanOpenAhead(); }
  std::unique_ptr<AheadFile> OpenAhead(const std::string& path) override {
    return inner_.OpenAhead(path);
  }
  std::unique_ptr<AheadReader> NewAheadReader() override { return inner_.NewAheadReader(); }
  FsError TakeOverAhead(const std::string& path, std::unique_ptr<AheadFile> ahead,
                        std::unique_ptr<ReadableFile>& file) override;
  bool NameTaken(const std::string& path) override;
  FsError GetInfo(const std::string& path, FileInfo& info) override;
  FsError Move(const std::string& from, const std::string& to) override;
  FsError CopyFile(const std::string& from, const std::string& to, bool fail_if_exists,
                   const CancelCheck* cancelled) override;
  FsError CreateDirectory(const std::string& path) override;
  FsError Delete(const std::string& path) override;
  FsError OpenSearch(const std::string& directory, SearchKind kind,
                     std::unique_ptr<DirectorySearch>& search) override;
  FsError ListSubdirectories(const std::string& directory, DirectoryListing& listing) override;
  DriveKind GetDriveKind(const std::string& directory) override;
  FsError ProbeWritable(const std::string& directory) override;
  FsError OpenLog(const std::string& path, std::unique_ptr<LogFile>& file) override;
  FsError ReadWholeFile(const std::string& path, std::size_t limit, std::string& contents) override;
  FsError ReplaceFileAtomically(const std::string& path, std::string_view contents) override;
  FsError ReplaceWithTail(const std::string& path, std::uint64_t offset) override;
  FsError ResolvePath(const std::string& path, std::string& resolved) override;
  // Counted and failed as a Move.
  FsError MoveBackAndDescribe(const std::string& from, const std::string& to,
                              FileInfo& moved) override;
  FsError LockDirectory(const std::string& directory,
                        std::unique_ptr<DirectoryLock>& lock) override;

  // The counters and rules, shared with the files handed out (they may outlive a rule change).
  class Faults {
   public:
    // Counts one call of `operation`; the error it must fail with, or Ok to go ahead.
    FsError Count(FsOperation operation);
    void Set(FsOperation operation, int nth, int errno_value, bool and_after);
    void Clear();
    int Calls(FsOperation operation) const;

   private:
    struct Rule {
      int nth = 0;  // 0: no rule
      int errno_value = 0;
      bool and_after = false;
    };
    mutable std::mutex mutex_;
    std::array<int, kFsOperationCount> calls_{};
    std::array<Rule, kFsOperationCount> rules_{};
  };

 private:
  FileSystem& inner_;
  std::shared_ptr<Faults> faults_;
};

}  // namespace qlm
