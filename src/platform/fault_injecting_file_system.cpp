#include "platform/fault_injecting_file_system.h"

namespace qlm {
namespace {

std::size_t IndexOf(FsOperation operation) {
  return static_cast<std::size_t>(operation);
}

class FaultyReadableFile final : public ReadableFile {
 public:
  FaultyReadableFile(std::unique_ptr<ReadableFile> inner,
                     std::shared_ptr<FaultInjectingFileSystem::Faults> faults)
      : inner_(std::move(inner)), faults_(std::move(faults)) {}
  FsError Read(char* buffer, std::size_t capacity, std::size_t& bytes_read) override {
    bytes_read = 0;
    FsError error = faults_->Count(FsOperation::Read);
    return error != FsError::Ok ? error : inner_->Read(buffer, capacity, bytes_read);
  }
  FsError Size(std::uint64_t& size) override {
    FsError error = faults_->Count(FsOperation::Read);
    return error != FsError::Ok ? error : inner_->Size(size);
  }
  FsError Skip(std::uint64_t bytes) override {
    FsError error = faults_->Count(FsOperation::Read);
    return error != FsError::Ok ? error : inner_->Skip(bytes);
  }

 private:
  std::unique_ptr<ReadableFile> inner_;
  std::shared_ptr<FaultInjectingFileSystem::Faults> faults_;
};

class FaultyLogFile final : public LogFile {
 public:
  FaultyLogFile(std::unique_ptr<LogFile> inner,
                std::shared_ptr<FaultInjectingFileSystem::Faults> faults)
      : inner_(std::move(inner)), faults_(std::move(faults)) {}
  FsError Append(std::string_view bytes) override {
    FsError error = faults_->Count(FsOperation::LogWrite);
    return error != FsError::Ok ? error : inner_->Append(bytes);
  }
  FsError Size(std::uint64_t& size) override { return inner_->Size(size); }
  FsError Sync() override {
    FsError error = faults_->Count(FsOperation::LogWrite);
    return error != FsError::Ok ? error : inner_->Sync();
  }
  FsError Lock(int slot, bool exclusive, bool wait) override {
    return inner_->Lock(slot, exclusive, wait);
  }
  void Unlock(int slot) override { inner_->Unlock(slot); }
  bool StillAtPath() override { return inner_->StillAtPath(); }

 private:
  std::unique_ptr<LogFile> inner_;
  std::shared_ptr<FaultInjectingFileSystem::Faults> faults_;
};

}  // namespace

FsError FaultInjectingFileSystem::Faults::Count(FsOperation operation) {
  std::lock_guard lock(mutex_);
  int call = ++calls_[IndexOf(operation)];
  const Rule& rule = rules_[IndexOf(operation)];
  bool fails = rule.nth > 0 && (call == rule.nth || (rule.and_after && call > rule.nth));
  if (!fails) return FsError::Ok;
  FsError error = ErrorFromErrno(rule.errno_value);
  return error == FsError::Ok ? FsError::GeneralFailure : error;  // errno 0 still fails
}

void FaultInjectingFileSystem::Faults::Set(FsOperation operation, int nth, int errno_value,
                                           bool and_after) {
  std::lock_guard lock(mutex_);
  rules_[IndexOf(operation)] = Rule{nth, errno_value, and_after};
}

void FaultInjectingFileSystem::Faults::Clear() {
  std::lock_guard lock(mutex_);
  rules_.fill(Rule{});
}

int FaultInjectingFileSystem::Faults::Calls(FsOperation operation) const {
  std::lock_guard lock(mutex_);
  return calls_[IndexOf(operation)];
}

FaultInjectingFileSystem::FaultInjectingFileSystem(FileSystem& inner)
    : inner_(inner), faults_(std::make_shared<Faults>()) {}

void FaultInjectingFileSystem::FailCall(FsOperation operation, int nth, int errno_value,
                                        bool and_after) {
  faults_->Set(operation, nth, errno_value, and_after);
}

void FaultInjectingFileSystem::ClearFaults() {
  faults_->Clear();
}

int FaultInjectingFileSystem::Calls(FsOperation operation) const {
  return faults_->Calls(operation);
}

FsError FaultInjectingFileSystem::OpenForReading(const std::string& path,
                                                 std::unique_ptr<ReadableFile>& file) {
  if (FsError error = faults_->Count(FsOperation::Open); error != FsError::Ok) return error;
  std::unique_ptr<ReadableFile> opened;
  FsError error = inner_.OpenForReading(path, opened);
  if (error == FsError::Ok) file = std::make_unique<FaultyReadableFile>(std::move(opened), faults_);
  return error;
}

FsError FaultInjectingFileSystem::TakeOverAhead(const std::string& path,
                                                std::unique_ptr<AheadFile> ahead,
                                                std::unique_ptr<ReadableFile>& file) {
  if (FsError error = faults_->Count(FsOperation::Open); error != FsError::Ok) return error;
  std::unique_ptr<ReadableFile> opened;
  FsError error = inner_.TakeOverAhead(path, std::move(ahead), opened);
  if (error == FsError::Ok) file = std::make_unique<FaultyReadableFile>(std::move(opened), faults_);
  return error;
}

bool FaultInjectingFileSystem::NameTaken(const std::string& path) {
  return inner_.NameTaken(path);
}

FsError FaultInjectingFileSystem::GetInfo(const std::string& path, FileInfo& info) {
  FsError error = faults_->Count(FsOperation::GetInfo);
  return error != FsError::Ok ? error : inner_.GetInfo(path, info);
}

FsError FaultInjectingFileSystem::Move(const std::string& from, const std::string& to) {
  FsError error = faults_->Count(FsOperation::Move);
  return error != FsError::Ok ? error : inner_.Move(from, to);
}

FsError FaultInjectingFileSystem::CopyFile(const std::string& from, const std::string& to,
                                           bool fail_if_exists, const CancelCheck* cancelled) {
  FsError error = faults_->Count(FsOperation::Copy);
  return error != FsError::Ok ? error : inner_.CopyFile(from, to, fail_if_exists, cancelled);
}

FsError FaultInjectingFileSystem::CreateDirectory(const std::string& path) {
  FsError error = faults_->Count(FsOperation::CreateDirectory);
  return error != FsError::Ok ? error : inner_.CreateDirectory(path);
}

FsError FaultInjectingFileSystem::Delete(const std::string& path) {
  FsError error = faults_->Count(FsOperation::Delete);
  return error != FsError::Ok ? error : inner_.Delete(path);
}

FsError FaultInjectingFileSystem::OpenSearch(const std::string& directory, SearchKind kind,
                                             std::unique_ptr<DirectorySearch>& search) {
  FsError error = faults_->Count(FsOperation::Enumerate);
  return error != FsError::Ok ? error : inner_.OpenSearch(directory, kind, search);
}

FsError FaultInjectingFileSystem::ListSubdirectories(const std::string& directory,
                                                     DirectoryListing& listing) {
  FsError error = faults_->Count(FsOperation::ListDirectories);
  return error != FsError::Ok ? error : inner_.ListSubdirectories(directory, listing);
}

DriveKind FaultInjectingFileSystem::GetDriveKind(const std::string& directory) {
  return inner_.GetDriveKind(directory);
}

FsError FaultInjectingFileSystem::ProbeWritable(const std::string& directory) {
  FsError error = faults_->Count(FsOperation::Probe);
  return error != FsError::Ok ? error : inner_.ProbeWritable(directory);
}

FsError FaultInjectingFileSystem::OpenLog(const std::string& path, std::unique_ptr<LogFile>& file) {
  std::unique_ptr<LogFile> opened;
  FsError error = inner_.OpenLog(path, opened);
  if (error == FsError::Ok) file = std::make_unique<FaultyLogFile>(std::move(opened), faults_);
  return error;
}

FsError FaultInjectingFileSystem::ReadWholeFile(const std::string& path, std::size_t limit,
                                                std::string& contents) {
  FsError error = faults_->Count(FsOperation::ReadFile);
  return error != FsError::Ok ? error : inner_.ReadWholeFile(path, limit, contents);
}

FsError FaultInjectingFileSystem::ReplaceFileAtomically(const std::string& path,
                                                        std::string_view contents) {
  FsError error = faults_->Count(FsOperation::ReplaceFile);
  return error != FsError::Ok ? error : inner_.ReplaceFileAtomically(path, contents);
}

FsError FaultInjectingFileSystem::ReplaceWithTail(const std::string& path, std::uint64_t offset) {
  FsError error = faults_->Count(FsOperation::ReplaceFile);
  return error != FsError::Ok ? error : inner_.ReplaceWithTail(path, offset);
}

FsError FaultInjectingFileSystem::ResolvePath(const std::string& path, std::string& resolved) {
  return inner_.ResolvePath(path, resolved);
}

FsError FaultInjectingFileSystem::MoveBackAndDescribe(const std::string& from,
                                                      const std::string& to, FileInfo& moved) {
  FsError error = faults_->Count(FsOperation::Move);
  return error != FsError::Ok ? error : inner_.MoveBackAndDescribe(from, to, moved);
}

FsError FaultInjectingFileSystem::LockDirectory(const std::string& directory,
                                                std::unique_ptr<DirectoryLock>& lock) {
  return inner_.LockDirectory(directory, lock);
}

}  // namespace qlm
