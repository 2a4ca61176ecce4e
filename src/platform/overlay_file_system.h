// A file system that reads through to another one but keeps every change in memory: a dry
// run works on it exactly as a real run works on the disk, and leaves the disk untouched.
// Moves, copies, new directories and deletions are recorded per name (regardless of case;
// where the disk holds a page under two names that differ only in case, as Linux allows, the
// one still in place stays visible when the other is moved);
// reads of a moved or copied file read the original, and names below a moved directory are
// read below its original, so a walk over a tree can enter it under its new name. Logs and
// settings writes are swallowed.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace qlm {

class OverlayFileSystem final : public FileSystem {
 public:
  // `inner` must outlive this object; it is only read.
  explicit OverlayFileSystem(FileSystem& inner);

  FsError OpenForReading(const std::string& path, std::unique_ptr<ReadableFile>& file) override;
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
  FsError MoveBackAndDescribe(const std::string& from, const std::string& to,
                              FileInfo& moved) override;
  FsError LockDirectory(const std::string& directory,
                        std::unique_ptr<DirectoryLock>& lock) override;

 private:
  // What the overlay knows of one name of a directory.
  struct Entry {
    bool exists = false;
    bool directory = false;
    std::string name;    // as it would be stored
    std::string origin;  // the real path whose contents it holds
    // For a name moved away: the disk's other entries of these letters (other letter case),
    // still in place and seen under this name.
    std::vector<std::string> twins;
  };
  // The overlay's record of `path`, or nullptr when the name is untouched.
  Entry* Record(const std::string& path);
  Entry& NewRecord(const std::string& path);
  // Whether `path` names an entry, and what it is (an untouched name is looked up below).
  FsError Describe(const std::string& path, Entry& entry);
  bool DirectoryExists(const std::string& directory);
  // Ok when the disk would let entries be made in `directory`, else why not.
  FsError Writable(const std::string& directory);
  // Where the disk holds what `path` names when that is untouched: below the original of a
  // directory moved in the overlay, else `path` itself; nullopt when a directory on the way
  // was moved away (the name is gone).
  std::optional<std::string> Below(const std::string& path) const;
  // The disk's entries whose names differ from `path`'s only in letter case (its own included),
  // for pages and scratch names; empty when there are none but it.
  std::vector<std::string> DiskTwins(const std::string& path);
  // Records that the entry `name` at `path` is gone (moved or deleted).
  void NoteGone(const std::string& path, const std::string& name);
  // Notes that the directory now named `to` holds the disk's directory `origin`.
  void NoteDirectoryMoved(const std::string& from, const std::string& to,
                          const std::string& origin);

  FileSystem& inner_;
  bool restoring_ = false;                   // within MoveBackAndDescribe
  std::map<std::string, FsError> writable_;  // directory key -> Writable's answer
  // directory key -> folded name -> record
  std::map<std::string, std::map<std::string, Entry>> changes_;
  // Directories moved in the overlay: new path -> the disk's path; the disk's paths moved away.
  std::map<std::string, std::string> moved_directories_;
  std::set<std::string> moved_away_;
  // directory key -> folded name -> the disk's names of those letters, where there are two or
  // more (read once per directory, when the first is moved)
  std::map<std::string, std::map<std::string, std::vector<std::string>>> disk_twins_;
};

}  // namespace qlm
