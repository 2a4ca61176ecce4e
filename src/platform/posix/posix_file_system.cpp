#include "platform/posix/posix_file_system.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/snapshot_search.h"

namespace qlm {
namespace {

using posix::DirectoryKey;
using posix::IsPlainName;
using posix::JoinPath;
using posix::PathParts;
using posix::SplitPath;

constexpr long kUdfMagic = 0x15013346;  // not in every <linux/magic.h>

// The error for a directory that cannot be used: missing ones are PathNotFound.
FsError DirectoryError(int error) {
  return (error == ENOENT || error == ENOTDIR) ? FsError::PathNotFound : ErrorFromErrno(error);
}

}  // namespace

PosixFileSystem::PosixFileSystem(const SystemCalls& calls)
    : calls_(calls), proc_fd_available_(access("/proc/self/fd", X_OK) == 0) {
  constexpr rlim_t kMostAhead = 64;
  struct rlimit files {};
  const rlim_t allowed = getrlimit(RLIMIT_NOFILE, &files) == 0 ? files.rlim_cur : 0;
  ahead_budget_ = static_cast<int>(std::min(kMostAhead, allowed / 8));
}

FsError PosixFileSystem::Resolve(const std::string& path, const Attempt& attempt,
                                 std::string& stored_name) {
  PathParts parts = SplitPath(path);
  int error = attempt(path);
  if (error == 0) stored_name = parts.name;
  if (error != ENOENT || !IsPlainName(parts.name)) return ErrorFromErrno(error);
  const std::string key = DirectoryKey(parts.directory);
  for (int pass = 0; pass < 2; ++pass) {
    FsError index_error = FsError::Ok;
    posix::NameIndex* index = cache_.Get(key, index_error);
    if (index == nullptr) return index_error;
    std::vector<std::string> candidates = index->Find(parts.name);
    std::sort(candidates.begin(), candidates.end());  // a fixed choice among a.htm and A.htm
    bool stale = false;
    for (const std::string& candidate : candidates) {
      const std::string candidate_path = JoinPath(parts.directory, candidate);
      error = candidate == parts.name ? ENOENT : attempt(candidate_path);
      if (error == 0) stored_name = candidate;
      if (error != ENOENT) return ErrorFromErrno(error);
      // ENOENT also comes from a dangling link, which is still a name of the directory.
      struct stat status;
      if (lstat(candidate_path.c_str(), &status) == 0 || errno != ENOENT) continue;
      index->Remove(candidate);
      stale = true;
    }
    if (!stale) break;
    cache_.Invalidate(key);  // the index was out of date: scan once more
  }
  return FsError::FileNotFound;
}

posix::EntryFacts* PosixFileSystem::KnownFacts(posix::PathView parts,
                                               std::shared_ptr<const posix::UniqueFd>* directory) {
  const std::string_view key = posix::DirectoryKeyView(parts.directory);
  posix::NameIndex* index = cache_.Current(key);
  if (directory != nullptr) {
    *directory = index != nullptr && IsPlainName(parts.name) ? cache_.Descriptor(key) : nullptr;
  }
  return index == nullptr ? nullptr : index->Facts(parts.name);
}

FsError PosixFileSystem::OpenRegular(const std::string& path, posix::UniqueFd& fd,
                                     struct stat& status, bool follow_links) {
  std::string stored_name;
  return Resolve(
      path,
      [&](const std::string& candidate) {
        // A device or FIFO is never opened at all: an entry the directory listing did not
        // show as a regular file is checked before opening. Every entry is checked again on
        // the descriptor, in case it was swapped in between.
        const posix::PathView parts = posix::SplitPathView(candidate);
        std::shared_ptr<const posix::UniqueFd> directory;
        posix::EntryFacts* facts = KnownFacts(parts, &directory);
        const bool listed_regular = facts != nullptr && facts->type == DT_REG;
        if (!listed_regular) {
          const int looked =
              follow_links ? stat(candidate.c_str(), &status) : lstat(candidate.c_str(), &status);
          if (looked != 0) return errno;
          if (S_ISLNK(status.st_mode)) return ELOOP;
          if (!S_ISREG(status.st_mode)) return EACCES;
        }
        // O_NOFOLLOW refuses a link swapped in after the check with ELOOP.
        const int kFlags =
            O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (follow_links ? 0 : O_NOFOLLOW);
        // The name ends `candidate`, so it ends where that string does.
        const char* name = candidate.c_str() + (candidate.size() - parts.name.size());
        posix::UniqueFd opened(directory != nullptr ? openat(directory->get(), name, kFlags)
                                                    : open(candidate.c_str(), kFlags));
        if (!opened.valid()) return errno == ENXIO ? EACCES : errno;
        if (fstat(opened.get(), &status) != 0) return errno;
        if (!S_ISREG(status.st_mode)) return EACCES;
        // The listed regular file itself (not a link to one): what was just read describes
        // the entry, and a move of it need not read it again.
        if (listed_regular && facts->inode == status.st_ino) facts->Describe(status);
        fd = std::move(opened);
        return 0;
      },
      stored_name);
}

bool PosixFileSystem::FindHolder(posix::NameIndex& index, std::string_view directory,
                                 std::string_view name, std::string_view except,
                                 std::string& holder) {
  if (!index.Contains(name)) return false;  // the usual answer, found without copying names
  std::vector<std::string> candidates = index.Find(name);
  // The exact name first, so that a replace targets it rather than a case variant.
  std::stable_partition(candidates.begin(), candidates.end(),
                        [&](const std::string& candidate) { return candidate == name; });
  for (const std::string& candidate : candidates) {
    if (candidate == except) continue;
    struct stat status;
    if (lstat(JoinPath(directory, candidate).c_str(), &status) == 0 || errno != ENOENT) {
      holder = candidate;
      return true;
    }
    index.Remove(candidate);
  }
  return false;
}

void PosixFileSystem::NoteCreated(std::string_view directory, std::string_view name) {
  const std::string_view key = posix::DirectoryKeyView(directory);
  if (posix::NameIndex* index = cache_.Peek(key)) index->Add(name);
  cache_.Touched(key);
}

void PosixFileSystem::NoteMoved(std::string_view from_key, std::string_view from_name,
                                std::string_view to_key, std::string_view to_name,
                                const posix::EntryFacts& facts) {
  if (posix::NameIndex* index = cache_.Peek(from_key)) index->Remove(from_name);
  if (posix::NameIndex* index = cache_.Peek(to_key)) index->Add(to_name, facts);
  // One stamp read per directory: a move within a directory changes it once.
  cache_.Touched(from_key);
  if (to_key != from_key) cache_.Touched(to_key);
}

void PosixFileSystem::NoteRemoved(std::string_view directory, std::string_view name) {
  const std::string_view key = posix::DirectoryKeyView(directory);
  if (posix::NameIndex* index = cache_.Peek(key)) index->Remove(name);
  cache_.Touched(key);
}

bool PosixFileSystem::NameTaken(const std::string& path) {
  if (posix::CheckPath(path) != FsError::Ok) return false;
  const posix::PathView parts = posix::SplitPathView(path);
  struct stat status;
  if (!IsPlainName(parts.name)) return lstat(path.c_str(), &status) == 0;
  std::lock_guard lock(mutex_);
  FsError error = FsError::Ok;
  posix::NameIndex* index = cache_.Get(posix::DirectoryKeyView(parts.directory), error);
  if (index == nullptr) return lstat(path.c_str(), &status) == 0;
  std::string holder;
  // The index was checked against the directory's stamp just now, so a miss is an answer:
  // a name created behind the layer's back within the same clock tick is still caught by
  // the kernel when a move or create meets it.
  return FindHolder(*index, parts.directory, parts.name, {}, holder);
}

FsError PosixFileSystem::GetInfo(const std::string& path, FileInfo& info) {
  if (FsError error = posix::CheckPath(path); error != FsError::Ok) return error;
  const std::string trimmed = posix::WithoutTrailingSlashes(path);
  std::lock_guard lock(mutex_);
  struct stat status;
  std::string stored_name;
  bool is_link = false;
  FsError error = Resolve(
      trimmed,
      [&](const std::string& candidate) {
        if (lstat(candidate.c_str(), &status) != 0) return errno;
        is_link = S_ISLNK(status.st_mode);
        if (is_link && stat(candidate.c_str(), &status) != 0) return errno;
        return 0;
      },
      stored_name);
  if (error != FsError::Ok) return error;
  info.is_link = is_link;
  info.is_directory = S_ISDIR(status.st_mode);
  info.is_regular = S_ISREG(status.st_mode);
  info.stored_name = stored_name;
  info.device = status.st_dev;
  info.inode = status.st_ino;
  info.size = static_cast<std::uint64_t>(status.st_size);
  info.mtime_ns = status.st_mtim.tv_sec * 1'000'000'000LL + status.st_mtim.tv_nsec;
  info.owner = status.st_uid;
  info.permissions = status.st_mode & 07777;
  return FsError::Ok;
}

FsError PosixFileSystem::Identify(const std::string& path, FileInfo& info) {
  if (posix::CheckPath(path) == FsError::Ok) {
    const posix::PathView parts = posix::SplitPathView(path);
    std::lock_guard lock(mutex_);
    // What the layer read itself of a regular file of an up-to-date index: no system call.
    if (const posix::EntryFacts* facts = KnownFacts(parts);
        facts != nullptr && facts->described && facts->type == DT_REG) {
      std::string stored_name = std::move(info.stored_name);  // its buffer serves again
      info = FileInfo{};
      info.is_regular = true;
      info.stored_name = std::move(stored_name.assign(parts.name));
      info.device = facts->device;
      info.inode = facts->inode;
      info.size = facts->size;
      info.mtime_ns = facts->mtime_ns;
      return FsError::Ok;
    }
  }
  return GetInfo(path, info);
}

FsError PosixFileSystem::CreateDirectory(const std::string& path) {
  if (FsError error = posix::CheckPath(path); error != FsError::Ok) return error;
  PathParts parts = SplitPath(posix::WithoutTrailingSlashes(path));
  if (FsError error = CheckNewName(parts.name); error != FsError::Ok) return error;
  std::lock_guard lock(mutex_);
  FsError error = FsError::Ok;
  posix::NameIndex* index = cache_.Get(DirectoryKey(parts.directory), error);
  if (index == nullptr) return error;
  std::string holder;
  if (FindHolder(*index, parts.directory, parts.name, {}, holder)) return FsError::AlreadyExists;
  const std::string target = JoinPath(parts.directory, parts.name);
  if (calls_.mkdir(target.c_str(), 0777) != 0) {
    int failure = errno;
    if (failure == EEXIST) index->Add(parts.name);  // created behind the layer's back
    return ErrorFromErrno(failure);
  }
  NoteCreated(parts.directory, parts.name);
  return FsError::Ok;
}

FsError PosixFileSystem::Delete(const std::string& path) {
  if (FsError error = posix::CheckPath(path); error != FsError::Ok) return error;
  PathParts parts = SplitPath(path);
  std::lock_guard lock(mutex_);
  std::string stored_name;
  FsError error = Resolve(
      path,
      [&](const std::string& candidate) {
        return calls_.unlink(candidate.c_str()) == 0 ? 0 : errno;
      },
      stored_name);
  if (error == FsError::Ok) NoteRemoved(parts.directory, stored_name);
  return error;
}

FsError PosixFileSystem::OpenSearch(const std::string& directory, SearchKind kind,
                                    std::unique_ptr<DirectorySearch>& search) {
  if (directory.empty()) return FsError::PathNotFound;
  if (FsError error = posix::CheckPath(directory); error != FsError::Ok) return error;
  const std::string key = DirectoryKey(directory);
  std::lock_guard lock(mutex_);
  posix::DirectoryStamp stamp;
  if (int error = posix::ReadStamp(key, stamp); error != 0) return DirectoryError(error);
  std::vector<std::string> names;
  if (const posix::NameIndex* index = cache_.Unchanged(key, stamp)) {
    names = index->Names();  // nothing has changed since the index was last found current
  } else {
    std::vector<posix::ListedEntry> entries;
    const posix::NameIndex* cached = cache_.Peek(key);
    if (int error = posix::ListDirectory(key, entries, cached != nullptr ? cached->size() : 0);
        error != 0) {
      return DirectoryError(error);
    }
    cache_.Put(key, entries, stamp);  // the scan is made anyway: refresh the index with it
    names.reserve(entries.size());
    for (posix::ListedEntry& entry : entries)
      names.push_back(std::move(entry.name));
  }
  auto matches = kind == SearchKind::Html ? IsHtmlName : IsScratchName;
  std::erase_if(names, [&](const std::string& name) { return !matches(name); });
  if (kind == SearchKind::Scratch) {
    // The layer never makes a link, so a link named like a scratch file is none of ours: a
    // run leaves it alone.
    posix::NameIndex* index = cache_.Peek(key);
    std::erase_if(names, [&](const std::string& name) {
      const posix::EntryFacts* facts = index != nullptr ? index->Facts(name) : nullptr;
      if (facts != nullptr && facts->type != DT_UNKNOWN) return facts->type == DT_LNK;
      struct stat status;
      return lstat(JoinPath(key, name).c_str(), &status) == 0 && S_ISLNK(status.st_mode);
    });
  }
  SortFoldedNames(names);
  search = std::make_unique<SnapshotSearch>(std::move(names), cache_.Hold(key));
  return FsError::Ok;
}

DriveKind PosixFileSystem::GetDriveKind(const std::string& directory) {
  if (directory.empty() || posix::CheckPath(directory) != FsError::Ok) return DriveKind::Fixed;
  struct statfs status;
  if (statfs(DirectoryKey(directory).c_str(), &status) != 0) return DriveKind::Fixed;
  long type = static_cast<long>(status.f_type);
  return (type == ISOFS_SUPER_MAGIC || type == kUdfMagic) ? DriveKind::CdRom : DriveKind::Fixed;
}

FsError PosixFileSystem::ProbeWritable(const std::string& directory) {
  if (directory.empty()) return FsError::PathNotFound;
  if (FsError error = posix::CheckPath(directory); error != FsError::Ok) return error;
  const std::string key = DirectoryKey(directory);
  struct statvfs mount;
  if (statvfs(key.c_str(), &mount) != 0) return DirectoryError(errno);
  if ((mount.f_flag & ST_RDONLY) != 0) return FsError::WriteProtect;
  int fd = calls_.open(key.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd >= 0) {
    close(fd);
    return FsError::Ok;
  }
  // O_TMPFILE unsupported (EISDIR from old kernels, EOPNOTSUPP from the file system): a fresh
  // name, created exclusively so that no existing file is touched, and removed at once.
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return DirectoryError(errno);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string probe = JoinPath(key, posix::TemporaryName());
    fd = calls_.open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return DirectoryError(errno);
    close(fd);
    calls_.unlink(probe.c_str());
    return FsError::Ok;
  }
  return FsError::AlreadyExists;
}

FsError PosixFileSystem::ResolvePath(const std::string& path, std::string& resolved) {
  if (FsError error = posix::CheckPath(path); error != FsError::Ok) return error;
  const auto real = [](const std::string& text, std::string& out) {
    char* found = realpath(text.c_str(), nullptr);
    if (found == nullptr) return ErrorFromErrno(errno);
    out = found;
    std::free(found);
    return FsError::Ok;
  };
  struct stat status;
  if (stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return real(path, resolved);
  const PathParts parts = SplitPath(posix::WithoutTrailingSlashes(path));
  if (!IsPlainName(parts.name)) return real(path, resolved);  // "." or ".." that is gone
  std::string directory;
  if (FsError error = real(parts.directory, directory); error != FsError::Ok) return error;
  resolved = JoinPath(directory, parts.name);
  return FsError::Ok;
}

namespace {

// flock on the directory itself: nothing is created, and a killed holder releases it.
class PosixDirectoryLock final : public DirectoryLock {
 public:
  explicit PosixDirectoryLock(posix::UniqueFd fd) : fd_(std::move(fd)) {}

 private:
  posix::UniqueFd fd_;
};

}  // namespace

FsError PosixFileSystem::LockDirectory(const std::string& directory,
                                       std::unique_ptr<DirectoryLock>& lock) {
  if (FsError error = posix::CheckPath(directory); error != FsError::Ok) return error;
  posix::UniqueFd fd(open(DirectoryKey(directory).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.valid()) return DirectoryError(errno);
  while (flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    return errno == EWOULDBLOCK ? FsError::SharingViolation : ErrorFromErrno(errno);
  }
  lock = std::make_unique<PosixDirectoryLock>(std::move(fd));
  return FsError::Ok;
}

}  // namespace qlm
