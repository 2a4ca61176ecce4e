// The real file layer on Linux. It adds to the kernel what the engine relies on (see
// file_system.h): names compare without regard to letter case through a per-directory
// folded-name index, moves never replace, and names other desktop file systems refuse are
// refused here too.
#pragma once

#include <sys/stat.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/file_system.h"
#include "platform/posix/name_index.h"
#include "platform/posix/posix_paths.h"
#include "platform/posix/system_calls.h"

namespace qlm {

class PosixFileSystem final : public FileSystem {
 public:
  // `calls` are the system calls to use; tests pass altered ones to reach fallbacks and faults.
  explicit PosixFileSystem(const SystemCalls& calls = RealSystemCalls());

  FsError OpenForReading(const std::string& path, std::unique_ptr<ReadableFile>& file) override;
  bool NameTaken(const std::string& path) override;
  FsError GetInfo(const std::string& path, FileInfo& info) override;
  FsError Identify(const std::string& path, FileInfo& info) override;
  FsError Move(const std::string& from, const std::string& to) override;
  FsError MoveAndDescribe(const std::string& from, const std::string& to, FileInfo& moved) override;
  FsError MoveBackAndDescribe(const std::string& from, const std::string& to,
                              FileInfo& moved) override;
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
  bool CanOpenAhead() const override { return true; }
  std::unique_ptr<AheadFile> OpenAhead(const std::string& path) override;
  std::unique_ptr<AheadReader> NewAheadReader() override;
  FsError TakeOverAhead(const std::string& path, std::unique_ptr<AheadFile> ahead,
                        std::unique_ptr<ReadableFile>& file) override;
  FsError ReplaceFileAtomically(const std::string& path, std::string_view contents) override;
  FsError ReplaceWithTail(const std::string& path, std::uint64_t offset) override;
  FsError ResolvePath(const std::string& path, std::string& resolved) override;
  FsError LockDirectory(const std::string& directory,
                        std::unique_ptr<DirectoryLock>& lock) override;

 private:
  // One try at an existing path: 0 on success, else the errno value.
  using Attempt = std::function<int(const std::string& path)>;

  // The helpers below expect mutex_ to be held.

  // Runs `attempt` on `path`; when that reports ENOENT, on each other name its directory
  // stores under the same folded name (dropping names found missing, rescanning once).
  // Returns Ok with the name that worked in `stored_name`, else the failure (PathNotFound for
  // a missing directory); the file system is changed only by what `attempt` does.
  FsError Resolve(const std::string& path, const Attempt& attempt, std::string& stored_name);
  // Opens an existing regular file (found regardless of case) for reading without blocking.
  // Returns Ok with `fd` and `status` set; AccessDenied for anything but a regular file, and
  // StoppedOnSymlink for a symbolic link unless `follow_links`.
  FsError OpenRegular(const std::string& path, posix::UniqueFd& fd, struct stat& status,
                      bool follow_links);
  // True when an entry other than `except` holds `name` (regardless of case) in `directory`;
  // sets `holder` to it, the exact name preferred. Index entries found missing are dropped.
  bool FindHolder(posix::NameIndex& index, std::string_view directory, std::string_view name,
                  std::string_view except, std::string& holder);
  // MoveAndDescribe; with `restoring`, names the layer would refuse to create are allowed
  // (see MoveBackAndDescribe).
  FsError MoveNamed(const std::string& from, const std::string& to, FileInfo& moved,
                    bool restoring);
  // Moves the entry `source_name` of `source_directory`, described by `facts`, to `to`.
  // Returns Ok (filling `moved`) or the failure; `vanished` is set when the source (or a
  // directory) was missing.
  FsError MoveEntry(std::string_view source_directory, std::string_view source_name,
                    const std::string& to, const posix::EntryFacts& facts, FileInfo& moved,
                    bool& vanished);
  // Records a name the layer created in (or learned of in) `directory`.
  void NoteCreated(std::string_view directory, std::string_view name);
  // Records a move the layer made of the entry described by `facts` (directories given as
  // keys, see DirectoryKey).
  void NoteMoved(std::string_view from_key, std::string_view from_name, std::string_view to_key,
                 std::string_view to_name, const posix::EntryFacts& facts);
  // What the up-to-date index of its directory knows of the entry `parts` (exactly that
  // name); nullptr when there is no such index or entry. `directory` is set to that directory
  // held open (see DirectoryIndexCache::Descriptor) when it is, else nullptr.
  posix::EntryFacts* KnownFacts(posix::PathView parts,
                                std::shared_ptr<const posix::UniqueFd>* directory = nullptr);
  // Records a name the layer removed from `directory`.
  void NoteRemoved(std::string_view directory, std::string_view name);

  // A rename's names relative to the open directory that holds both.
  struct RelativeNames {
    int directory;
    const char* from;
    const char* to;
  };
  // rename(from, to) that never replaces: renameat2 with RENAME_NOREPLACE (through `relative`
  // when given), else link and unlink, else a checked rename. Returns 0 or the errno value
  // (EEXIST when taken); on failure both names are as they were.
  int NoReplaceRename(const std::string& from, const std::string& to,
                      const RelativeNames* relative = nullptr);
  // A case-only rename on a file system that sees both names as one: through a temporary
  // name. Returns 0 or the errno value; on failure the file keeps its old name.
  int RenameThroughTemporary(const std::string& from, const std::string& to,
                             const std::string& directory);
  // Creates a temporary file to be published in the open directory `directory`: unnamed
  // (O_TMPFILE) when the file system allows, else under a fresh hidden name returned in
  // `temporary_name`. Returns 0 or the errno value.
  int CreateTemporary(int directory, posix::UniqueFd& fd, std::string& temporary_name);
  // Writes all of `bytes` to `fd`. Returns 0 or the errno value.
  int WriteAll(int fd, std::string_view bytes);
  // Writes a file's new contents to `fd`, given the directory and the name the file has there
  // (the one replaced); 0 or the errno value.
  using Filler = std::function<int(int directory, const std::string& stored_name, int fd)>;
  // Replaces the file at `path` atomically with what `fill` writes: a temporary file beside it,
  // synced, then renamed over it.
  FsError Replace(const std::string& path, const Filler& fill);
  // Copies the first `size` bytes of `source` into `target` (the data only: holes stay
  // holes), asking `cancelled` between pieces. Returns 0, ECANCELED or the errno value.
  int CopyContents(int source, int target, std::uint64_t size, const CancelCheck* cancelled);
  // Gives the finished temporary file its name `target` in the open directory `directory`
  // (whose path is `directory_path`), replacing an existing file unless `no_replace`. Returns
  // 0 or the errno value; on failure a named temporary (`temporary_name`) is left for the
  // caller to remove.
  int Publish(posix::UniqueFd& fd, int directory, const std::string& directory_path,
              const std::string& temporary_name, const std::string& target, bool no_replace);

  SystemCalls calls_;
  // Files open ahead (see OpenAhead) and how many may be: a few descriptors always stay for
  // the run's own opens, however low the process's limit.
  std::shared_ptr<std::atomic<int>> ahead_open_ = std::make_shared<std::atomic<int>>(0);
  int ahead_budget_ = 0;
  bool proc_fd_available_ = false;  // O_TMPFILE files are published through /proc/self/fd
  std::mutex mutex_;                // guards cache_
  posix::DirectoryIndexCache cache_;
};

}  // namespace qlm
