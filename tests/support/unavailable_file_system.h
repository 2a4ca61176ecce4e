// A FileSystem on which every operation fails (and no name is taken). Test fakes derive from
// it and override only the operations the code under test uses.
#pragma once

#include "platform/file_system.h"

namespace qlm::testing {

class UnavailableFileSystem : public FileSystem {
 public:
  FsError OpenForReading(const std::string&, std::unique_ptr<ReadableFile>&) override {
    return FsError::GeneralFailure;
  }
  bool NameTaken(const std::string&) override { return false; }
  FsError GetInfo(const std::string&, FileInfo&) override { return FsError::GeneralFailure; }
  FsError Move(const std::string&, const std::string&) override { return FsError::GeneralFailure; }
  FsError CopyFile(const std::string&, const std::string&, bool, const CancelCheck*) override {
    return FsError::GeneralFailure;
  }
  FsError CreateDirectory(const std::string&) override { return FsError::GeneralFailure; }
  FsError Delete(const std::string&) override { return FsError::GeneralFailure; }
  FsError OpenSearch(const std::string&, SearchKind, std::unique_ptr<DirectorySearch>&) override {
    return FsError::GeneralFailure;
  }
  FsError ListSubdirectories(const std::string&, DirectoryListing&) override {
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
  FsError ResolvePath(const std::string&, std::string&) override { return FsError::GeneralFailure; }
  // Runs on a fake are never busy.
  FsError LockDirectory(const std::string&, std::unique_ptr<DirectoryLock>& lock) override {
    lock = std::make_unique<DirectoryLock>();
    return FsError::Ok;
  }
};

}  // namespace qlm::testing
