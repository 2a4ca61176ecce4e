// The file operations the engine, the logs and the settings need, behind one interface, so
// that tests can inject faults and a dry run can work on an in-memory overlay.
//
// Semantics every implementation keeps (the engine's correctness rests on them):
//  * Paths use '/'. A path's directory is everything up to its last '/' ("." when none).
//  * Names compare without regard to letter case inside a directory for every "is this name
//    taken" test and every no-replace create, move or copy. A name held by the very file
//    being moved does not count as taken (a case-only rename succeeds).
//  * Existing names are found regardless of case: opening "INTRO.qlm" opens "Intro.qlm".
//  * Nothing is ever replaced unless the call says so; a taken destination is reported as
//    FsError::AlreadyExists and told apart from every other failure.
//  * Names the layer creates are refused with FsError::InvalidName when they hold a byte
//    1..31 or NUL, are empty, "." or "..", or are a reserved device name (CON, PRN, AUX, NUL,
//    COM1-COM9, LPT1-LPT9 in any case, alone or before an extension).
//    So are names the platform cannot hold as given (path::IsForeignName: on Windows the
//    characters it refuses and a trailing point or blank).
//  * On failure nothing is created and nothing is changed.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"

namespace qlm {

// A file opened for reading. Closed when destroyed.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // One read of at most `capacity` bytes into `buffer`; `bytes_read` is 0 on failure.
  virtual FsError Read(char* buffer, std::size_t capacity, std::size_t& bytes_read) = 0;
  // The file's size in bytes.
  virtual FsError Size(std::uint64_t& size) = 0;
  // Moves the read position `bytes` forward (past the end is allowed: reads then give 0
  // bytes). This default reads and discards them; a layer that can seek does.
  virtual FsError Skip(std::uint64_t bytes) {
    char discard[4096];
    while (bytes > 0) {
      std::size_t got = 0;
      const std::size_t want =
          bytes < sizeof discard ? static_cast<std::size_t>(bytes) : sizeof discard;
      if (const FsError error = Read(discard, want, got); error != FsError::Ok) return error;
      if (got == 0) break;
      bytes -= got;
    }
    return FsError::Ok;
  }
  // Reads on until the end of the file or until `out` holds `limit` bytes, appending to `out`.
  FsError ReadUpTo(std::size_t limit, std::string& out) {
    char piece[1 << 16];
    while (out.size() < limit) {
      std::size_t got = 0;
      const std::size_t want = std::min(sizeof piece, limit - out.size());
      if (const FsError error = Read(piece, want, got); error != FsError::Ok) return error;
      if (got == 0) break;
      out.append(piece, got);
    }
    return FsError::Ok;
  }
};

// A file a layer opened ahead of its turn, on another thread than the run's (see
// FileSystem::OpenAhead), until the run takes it over or drops it. Closed when destroyed.
class AheadFile {
 public:
  virtual ~AheadFile() = default;
  // One read of at most `capacity` bytes from the start of the file, leaving the read
  // position where it is (at the start); `bytes_read` is 0 on failure. A layer whose
  // TakeOverAhead opens the file again may let it go once it is read.
  virtual FsError ReadStart(char* buffer, std::size_t capacity, std::size_t& bytes_read) = 0;
};

// One first read of a file opened ahead, for AheadReader::ReadStarts.
struct AheadRead {
  AheadFile* file = nullptr;
  std::string bytes;            // what the read gave (empty on failure)
  FsError error = FsError::Ok;  // as ReadStart would give it
};

// Reads the first bytes of several files opened ahead of their turn, on one thread that reads
// ahead. Where the system can have many reads in flight at once, a disk nobody has read lately
// serves a batch together instead of one file after another. Used by one thread at a time.
class AheadReader {
 public:
  virtual ~AheadReader() = default;
  // How many files a batch should hold to make the most of this reader.
  virtual std::size_t BatchSize() const { return 1; }
  // Reads at most `capacity` bytes from the start of each file, as AheadFile::ReadStart does,
  // and returns when every read is done. `meanwhile` (when set) is called once during the
  // call: a reader with reads in flight calls it before it waits for them, so that the caller
  // works (opens the next batch, say) while the disk does. It must not throw.
  virtual void ReadStarts(std::vector<AheadRead>& reads, std::size_t capacity,
                          const std::function<void()>& meanwhile);

 protected:
  // One read on its own, through AheadFile::ReadStart.
  void ReadAlone(AheadRead& read, std::size_t capacity);

 private:
  std::string buffer_;
};

// A log file: created when missing, never truncated, only appended to. Several processes
// may append to one log at once. Closed when destroyed.
class LogFile {
 public:
  virtual ~LogFile() = default;
  // Appends all of `bytes` at the end of the file in one write: the piece lands whole, never
  // mixed with a piece another process appends meanwhile. A failed append may leave the
  // piece missing or cut short.
  virtual FsError Append(std::string_view bytes) = 0;
  // The file's current size.
  virtual FsError Size(std::uint64_t& size) = 0;
  // Flushes the file to stable storage.
  virtual FsError Sync() = 0;
  // Takes lock number `slot` (0 .. 7; each slot a lock of its own, apart from the contents),
  // shared or exclusive. With `wait` it blocks until the lock can be had; without, a lock
  // held elsewhere fails at once with SharingViolation. A lock lasts until Unlock, until the
  // file is closed, or until the process ends, however it ends: a killed run leaves nothing
  // that blocks the next. Taking a slot already held converts the lock.
  virtual FsError Lock(int /*slot*/, bool /*exclusive*/, bool /*wait*/) { return FsError::Ok; }
  virtual void Unlock(int /*slot*/) {}
  // False once the file's path names another file (this one was replaced since it was opened).
  virtual bool StillAtPath() { return true; }
};

// A lock on a directory that a run or an undo holds while it works there (see
// FileSystem::LockDirectory); released when destroyed.
class DirectoryLock {
 public:
  virtual ~DirectoryLock() = default;
};

// A snapshot of one directory's matching names, taken when the search opens, in the fixed
// order of CompareFoldedNames.
class DirectorySearch {
 public:
  virtual ~DirectorySearch() = default;
  // The next name (no directory part); false when there is none left.
  virtual bool Next(std::string& name) = 0;
  // The name `ahead` places after the one Next gives next (0: that one), leaving the search
  // where it is; false past the end (or for a search that cannot tell).
  virtual bool Peek(std::size_t /*ahead*/, std::string& /*name*/) const { return false; }
};

enum class SearchKind {
  Html,     // every entry whose name ends in .htm or .html (ASCII case-insensitive)
  Scratch,  // every entry whose name ends in .qlm (ASCII case-insensitive), links excepted
};

enum class DriveKind {
  Fixed,  // anything writable in principle
  CdRom,  // ISO 9660 or UDF
};

// One subdirectory found by FileSystem::ListSubdirectories.
struct Subdirectory {
  std::string name;
  bool is_link = false;  // a symbolic link to a directory, listed so a walk can say it skips it
  // The directory as a walk would enter it (a mount point gives the mounted directory's);
  // zeros for a link.
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
};

// What a walk over a tree needs of one directory.
struct DirectoryListing {
  std::uint64_t device = 0;  // the listed directory itself
  std::uint64_t inode = 0;
  std::vector<Subdirectory> subdirectories;  // in the order of CompareFoldedNames
};

// Asked between the pieces of a long operation; true stops it.
using CancelCheck = std::function<bool()>;

struct FileInfo {
  bool is_directory = false;
  bool is_regular = false;
  bool is_link = false;     // the name is a symbolic link; the rest describes its target
  std::string stored_name;  // the entry's name as the directory holds it
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t mtime_ns = 0;
  std::uint32_t owner = 0;        // the owning user's id
  std::uint32_t permissions = 0;  // the permission bits (07777)
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens an existing regular file for reading; never blocks. A symbolic link is never
  // followed (StoppedOnSymlink), and a directory, FIFO, socket or device is refused with
  // AccessDenied.
  virtual FsError OpenForReading(const std::string& path, std::unique_ptr<ReadableFile>& file) = 0;

  // True when the name (regardless of letter case) is held by any entry of its directory.
  virtual bool NameTaken(const std::string& path) = 0;

  // Looks the path up (regardless of letter case), through a symbolic link (see is_link).
  virtual FsError GetInfo(const std::string& path, FileInfo& info) = 0;

  // The identity of the entry at `path` (type, inode, size, modification time and stored
  // name) as the layer last read it itself, by opening, listing or moving it, when it still
  // knows it; otherwise GetInfo. Owner and permissions are left 0. For the journal, which
  // records the identity of every file a run moves.
  virtual FsError Identify(const std::string& path, FileInfo& info) { return GetInfo(path, info); }

  // Moves `from` to `to` without ever replacing an existing entry.
  virtual FsError Move(const std::string& from, const std::string& to) = 0;

  // MoveAndDescribe for an undo putting a name back: a name the layer would refuse to create
  // (a reserved device name, a control byte) is allowed, since the file bore it before; a name
  // holding '/' or NUL, ".", ".." and the empty name are still refused with InvalidName.
  virtual FsError MoveBackAndDescribe(const std::string& from, const std::string& to,
                                      FileInfo& moved) {
    if (FsError error = CheckRestoredName(to); error != FsError::Ok) return error;
    return MoveAndDescribe(from, to, moved);
  }

  // Move, and on success describes the moved file in `moved` (a rename keeps the device,
  // inode, size and modification time). This default asks GetInfo afterwards; a layer that
  // learns them while moving fills them in for free.
  virtual FsError MoveAndDescribe(const std::string& from, const std::string& to, FileInfo& moved) {
    const FsError error = Move(from, to);
    if (error == FsError::Ok && GetInfo(to, moved) != FsError::Ok) moved = FileInfo{};
    return error;
  }

  // Copies contents (holes kept), permission bits and modification time of a regular file: a
  // symbolic link `from`, or one in the place of the target's directory, is refused with
  // StoppedOnSymlink, and the copy never reaches beyond the size `from` had when it was
  // opened. With `fail_if_exists` a taken name (regardless of case) fails with AlreadyExists;
  // otherwise an existing file is replaced. `cancelled`, when given, is asked between pieces
  // of a long copy; true stops it with Cancelled. A failed copy leaves no partial file and an
  // old file intact.
  virtual FsError CopyFile(const std::string& from, const std::string& to, bool fail_if_exists,
                           const CancelCheck* cancelled) = 0;
  // CopyFile that runs to its end.
  FsError Copy(const std::string& from, const std::string& to, bool fail_if_exists) {
    return CopyFile(from, to, fail_if_exists, nullptr);
  }

  // Creates a directory; AlreadyExists when the name is taken (regardless of case).
  virtual FsError CreateDirectory(const std::string& path) = 0;

  // Removes a file.
  virtual FsError Delete(const std::string& path) = 0;

  // Opens a snapshot search of `directory` (with or without a trailing '/').
  virtual FsError OpenSearch(const std::string& directory, SearchKind kind,
                             std::unique_ptr<DirectorySearch>& search) = 0;

  // Lists the subdirectories of `directory` (with or without a trailing '/'), for a walk over
  // a tree: every entry that is a directory, and every symbolic link to one (a dangling link
  // or one to anything else is left out). The directory is opened without following a link
  // in its last name, so a link swapped in for it is refused with StoppedOnSymlink; a
  // directory that cannot be read gives its error. `listing` is changed only on success.
  virtual FsError ListSubdirectories(const std::string& directory, DirectoryListing& listing) = 0;

  // What kind of medium holds the directory.
  virtual DriveKind GetDriveKind(const std::string& directory) = 0;

  // Checks that a file can be created in the directory without creating a visible one or
  // touching an existing one. WriteProtect means read-only.
  virtual FsError ProbeWritable(const std::string& directory) = 0;

  // Opens (creating when missing, readable and writable by the user only) a log file for
  // writing, keeping its contents. A symbolic link of that name is refused (StoppedOnSymlink).
  virtual FsError OpenLog(const std::string& path, std::unique_ptr<LogFile>& file) = 0;

  // Reading ahead: while a run works on one file, other threads open the next ones, so that
  // the run does not wait for the disk at their turn. True when this layer opens files ahead
  // at all; a layer that does not (or that changes what OpenForReading gives) says false.
  virtual bool CanOpenAhead() const { return false; }
  // Opens the regular file at `path` for a read that comes soon; nullptr when it is not a
  // regular file (a link, a device or FIFO is never opened), cannot be opened, or too many
  // are open ahead already. Changes nothing and reports nothing. Safe to call from several
  // threads at once, beside any other call.
  virtual std::unique_ptr<AheadFile> OpenAhead(const std::string& /*path*/) { return nullptr; }
  // A reader of the first bytes of files this layer opened ahead, for one thread.
  virtual std::unique_ptr<AheadReader> NewAheadReader() { return std::make_unique<AheadReader>(); }
  // OpenForReading at the file's turn, taking over `ahead` (what OpenAhead gave for `path`)
  // when `path` still names the file it opened; otherwise `ahead` is closed and `path` opened
  // as OpenForReading opens it. The file handed out reads from its start.
  virtual FsError TakeOverAhead(const std::string& path, std::unique_ptr<AheadFile> ahead,
                                std::unique_ptr<ReadableFile>& file) {
    ahead.reset();
    return OpenForReading(path, file);
  }

  // Reads at most `limit` bytes of a regular file (through symbolic links) into `contents`.
  virtual FsError ReadWholeFile(const std::string& path, std::size_t limit,
                                std::string& contents) = 0;

  // Replaces the file at `path` with `contents` atomically (temporary file, sync, rename).
  // SharingViolation: the file is open and this system replaces no open file (Windows without
  // POSIX renames); it may once the caller's own handle is closed.
  virtual FsError ReplaceFileAtomically(const std::string& path, std::string_view contents) = 0;
  // ReplaceFileAtomically with the file's own bytes from `offset` to its end: how an
  // append-only file drops its oldest part. The file is read without following a link in its
  // last name. This version reads the part kept into memory; a layer that can copies it piece
  // by piece, so that a long file costs little memory.
  virtual FsError ReplaceWithTail(const std::string& path, std::uint64_t offset);

  // The absolute path of what `path` names, resolved as the kernel resolves it (not as text:
  // "link/.." is the parent of the link's target): every directory on the way is followed
  // through links, "." and "..", and so is a last name that is a directory (or a link to
  // one); any other last name is kept as given, a link not followed. Relative paths start
  // from the working directory. Fails when a directory on the way cannot be resolved.
  virtual FsError ResolvePath(const std::string& path, std::string& resolved) = 0;

  // Takes the exclusive lock on `directory` that a run or an undo holds while it works there,
  // without waiting: SharingViolation when another process (or this one) holds it. The lock
  // goes when `lock` is destroyed or the process ends, however it ends.
  virtual FsError LockDirectory(const std::string& directory,
                                std::unique_ptr<DirectoryLock>& lock) = 0;

 protected:
  // InvalidName for a name an undo may not put back (see MoveBackAndDescribe), else Ok.
  static FsError CheckRestoredName(const std::string& path);
};

// True when the name ends in .htm or .html, in any ASCII letter case.
bool IsHtmlName(std::string_view name);
// True when the name ends in .qlm, in any ASCII letter case.
bool IsScratchName(std::string_view name);
// The enumeration order: ASCII letters folded, ties broken by the raw bytes.
bool CompareFoldedNames(std::string_view a, std::string_view b);
// Sorts `names` into the order of CompareFoldedNames (a directory's names: no two equal).
void SortFoldedNames(std::vector<std::string>& names);
// The key under which a name counts as taken: ASCII letters and the simple Latin-1, Latin
// Extended-A, Greek and Cyrillic case pairs folded to lower case. Invalid UTF-8 stays raw.
std::string FoldName(std::string_view name);
// Writes FoldName(name), which is exactly as long as `name`, to `out` (which may be
// name.data() itself).
void FoldNameInto(std::string_view name, char* out);
// A hash of folded bytes (a name FoldName has folded), and the same hash of FoldName(name)
// computed without building it: HashFoldedName(n) == HashFolded(FoldName(n)).
std::size_t HashFolded(std::string_view folded);
std::size_t HashFoldedName(std::string_view name);
// True for a reserved device name (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9 in any case),
// alone or before an extension.
bool IsReservedDeviceName(std::string_view name);
// InvalidName for a name the layer refuses to create, FilenameTooLong when too long, else Ok.
FsError CheckNewName(std::string_view name);

}  // namespace qlm
