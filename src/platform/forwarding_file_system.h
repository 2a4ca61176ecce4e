// A FileSystem that hands every call to another one. Wrappers that change one or two
// operations (fault injection, stopping a run at a chosen point) derive from it and override
// only those.
#pragma once

#include <utility>

#include "platform/file_system.h"

namespace qlm {

class ForwardingFileSystem : public FileSystem {
 public:
  // `inner` must outlive this object. Reading ahead is handed on only with `forward_ahead`: a
  // file opened ahead is read at its turn without OpenForReading, so a wrapper that changes
  // what OpenForReading does must leave it off.
  explicit ForwardingFileSystem(FileSystem& inner, bool forward_ahead = false)
      : inner_(inner), forward_ahead_(forward_ahead) {}

  FsError OpenForReading(const std::string& path, std::unique_ptr<ReadableFile>& file) override {
    return inner_.OpenForReading(path, file);
  }
  bool NameTaken(const std::string& path) override { return inner_.NameTaken(path); }
  FsError GetInfo(const std::string& path, FileInfo& info) override {
    return inner_.GetInfo(path, info);
  }
  FsError Identify(const std::string& path, FileInfo& info) override {
    return inner_.Identify(path, info);
  }
  FsError Move(const std::string& from, const std::string& to) override {
    return inner_.Move(from, to);
  }
  // MoveAndDescribe is left to the base, which calls Move: a wrapper that changes Move sees
  // every move. A wrapper that changes moves must change this one too.
  FsError MoveBackAndDescribe(const std::string& from, const std::string& to,
                              FileInfo& moved) override {
    return inner_.MoveBackAndDescribe(from, to, moved);
  }
  FsError CopyFile(const std::string& from, const std::string& to, bool fail_if_exists,
                   const CancelCheck* cancelled) override {
    return inner_.CopyFile(from, to, fail_if_exists, cancelled);
  }
  FsError CreateDirectory(const std::string& path) override { return inner_.CreateDirectory(path); }
  FsError Delete(const std::string& path) override { return inner_.Delete(path); }
  FsError OpenSearch(const std::string& directory, SearchKind kind,
                     std::unique_ptr<DirectorySearch>& search) override {
    return inner_.OpenSearch(directory, kind, search);
  }
  FsError ListSubdirectories(const std::string& directory, DirectoryListing& listing) override {
    return inner_.ListSubdirectories(directory, listing);
  }
  DriveKind GetDriveKind(const std::string& directory) override {
    return inner_.GetDriveKind(directory);
  }
  FsError ProbeWritable(const std::string& directory) override {
    return inner_.ProbeWritable(directory);
  }
  FsError OpenLog(const std::string& path, std::unique_ptr<LogFile>& file) override {
    return inner_.OpenLog(path, file);
  }
  bool CanOpenAhead() const override { return forward_ahead_ && inner_.CanOpenAhead(); }
  std::unique_ptr<AheadFile> OpenAhead(const std::string& path) override {
    return forward_ahead_ ? inner_.OpenAhead(path) : nullptr;
  }
  std::unique_ptr<AheadReader> NewAheadReader() override {
    return forward_ahead_ ? inner_.NewAheadReader() : FileSystem::NewAheadReader();
  }
  FsError TakeOverAhead(const std::string& path, std::unique_ptr<AheadFile> ahead,
                        std::unique_ptr<ReadableFile>& file) override {
    return forward_ahead_ ? inner_.TakeOverAhead(path, std::move(ahead), file)
                          : FileSystem::TakeOverAhead(path, std::move(ahead), file);
  }
  FsError ReadWholeFile(const std::string& path, std::size_t limit,
                        std::string& contents) override {
    return inner_.ReadWholeFile(path, limit, contents);
  }
  FsError ReplaceFileAtomically(const std::string& path, std::string_view contents) override {
    return inner_.ReplaceFileAtomically(path, contents);
  }
  FsError ReplaceWithTail(const std::string& path, std::uint64_t offset) override {
    return inner_.ReplaceWithTail(path, offset);
  }
  FsError ResolvePath(const std::string& path, std::string& resolved) override {
    return inner_.ResolvePath(path, resolved);
  }
  FsError LockDirectory(const std::string& directory,
                        std::unique_ptr<DirectoryLock>& lock) override {
    return inner_.LockDirectory(directory, lock);
  }

 protected:
  FileSystem& inner() { return inner_; }

 private:
  FileSystem& inner_;
  bool forward_ahead_;
};

}  // namespace qlm
