// PosixFileSystem::CopyFile, ReplaceFileAtomically and ReplaceWithTail: all write a temporary file
// in the target's directory, opened once and used through its descriptor, and publish it only when
// complete, so a failure leaves no partial file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "platform/posix/posix_file_system.h"

namespace qlm {
namespace {

using posix::JoinPath;
using posix::UniqueFd;

constexpr int kTemporaryFlags = O_WRONLY | O_CLOEXEC;
constexpr int kMaxNameAttempts = 100;
// A copy asks whether to stop after each piece of this size.
constexpr std::size_t kCopyPiece = 1 << 16;

// Removes the named temporary `name` (if any) from the directory `directory`.
void RemoveTemporary(int directory, std::string& name) {
  if (!name.empty()) unlinkat(directory, name.c_str(), 0);
  name.clear();
}

// `directory` opened for creating entries in it; 0 or the errno value. Without `follow`, a
// symbolic link in the place of its last name is refused (ELOOP) rather than followed: a
// link planted or swapped in there must not lead a write anywhere else.
int OpenDirectory(const std::string& directory, bool follow, UniqueFd& fd) {
  const std::string key = posix::DirectoryKey(directory);
  const posix::PathParts parts = posix::SplitPath(key);
  constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  if (follow || !posix::IsPlainName(parts.name)) {
    fd = UniqueFd(open(key.c_str(), kFlags));
  } else {
    const UniqueFd parent(open(parts.directory.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!parent.valid()) return errno;
    fd = UniqueFd(openat(parent.get(), parts.name.c_str(), kFlags | O_NOFOLLOW));
    const int error = errno;
    // With O_DIRECTORY the kernel reports a link as ENOTDIR: tell the two apart.
    struct stat status;
    if (!fd.valid() && error == ENOTDIR &&
        fstatat(parent.get(), parts.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(status.st_mode)) {
      return ELOOP;
    }
    if (!fd.valid()) return error;
  }
  return fd.valid() ? 0 : errno;
}

// The error for a target directory that could not be opened.
FsError TargetDirectoryError(int error) {
  if (error == ELOOP) return FsError::StoppedOnSymlink;
  return (error == ENOENT || error == ENOTDIR) ? FsError::PathNotFound : ErrorFromErrno(error);
}

}  // namespace

int PosixFileSystem::CreateTemporary(int directory, UniqueFd& fd, std::string& temporary_name) {
  temporary_name.clear();
  if (proc_fd_available_) {
    fd = UniqueFd(calls_.openat(directory, ".", O_TMPFILE | kTemporaryFlags, 0600));
    if (fd.valid()) return 0;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return errno;
  }
  for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
    std::string name = posix::TemporaryName();
    fd = UniqueFd(calls_.openat(directory, name.c_str(),
                                O_CREAT | O_EXCL | O_NOFOLLOW | kTemporaryFlags, 0600));
    if (fd.valid()) {
      temporary_name = std::move(name);
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

int PosixFileSystem::WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t written = calls_.write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return errno;
    if (written == 0) return ENOSPC;  // no progress: the medium took nothing
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

int PosixFileSystem::CopyContents(int source, int target, std::uint64_t size,
                                  const CancelCheck* cancelled) {
  std::string buffer(std::min<std::uint64_t>(kCopyPiece, std::max<std::uint64_t>(size, 1)), '\0');
  auto end = static_cast<off_t>(size);
  off_t offset = 0;
  while (offset < end) {
    // Only the data is copied; the holes between (a sparse file's) stay holes in the copy.
    off_t data = lseek(source, offset, SEEK_DATA);
    if (data < 0 && errno == ENXIO) break;  // nothing but a hole up to the end
    if (data < 0) data = offset;            // no hole support: copy everything
    off_t hole = lseek(source, data, SEEK_HOLE);
    if (hole < 0 || hole > end) hole = end;
    if (data >= end) break;
    if (lseek(target, data, SEEK_SET) < 0) return errno;
    for (off_t at = data; at < hole;) {
      if (cancelled != nullptr && *cancelled && (*cancelled)()) return ECANCELED;
      const auto want = static_cast<std::size_t>(std::min<off_t>(hole - at, buffer.size()));
      const ssize_t count = pread(source, buffer.data(), want, at);
      if (count < 0 && errno == EINTR) continue;
      if (count < 0) return errno;
      if (count == 0) {  // the file shrank since it was opened: the copy ends where it does
        end = at;
        break;
      }
      if (int error = WriteAll(target, std::string_view(buffer.data(), count)); error != 0) {
        return error;
      }
      at += count;
    }
    offset = hole;
  }
  // The length, with a hole at the end where the source has one.
  return ftruncate(target, end) == 0 ? 0 : errno;
}

int PosixFileSystem::Publish(UniqueFd& fd, int directory, const std::string& directory_path,
                             const std::string& temporary_name, const std::string& target,
                             bool no_replace) {
  std::string named = temporary_name;
  if (named.empty()) {
    // An unnamed file gets its first name through /proc; linkat never replaces. To replace,
    // it is linked under a fresh name first and renamed over the target from there.
    const std::string proc = "/proc/self/fd/" + std::to_string(fd.get());
    if (no_replace) {
      return calls_.linkat(AT_FDCWD, proc.c_str(), directory, target.c_str(), AT_SYMLINK_FOLLOW) ==
                     0
                 ? 0
                 : errno;
    }
    int error = EEXIST;
    for (int attempt = 0; attempt < kMaxNameAttempts && error == EEXIST; ++attempt) {
      named = posix::TemporaryName();
      error =
          calls_.linkat(AT_FDCWD, proc.c_str(), directory, named.c_str(), AT_SYMLINK_FOLLOW) == 0
              ? 0
              : errno;
    }
    if (error != 0) return error;
  }
  int error;
  if (no_replace) {
    const RelativeNames relative{directory, named.c_str(), target.c_str()};
    error = NoReplaceRename(JoinPath(directory_path, named), JoinPath(directory_path, target),
                            &relative);
  } else {
    error =
        calls_.renameat2(directory, named.c_str(), directory, target.c_str(), 0) == 0 ? 0 : errno;
  }
  if (error != 0 && named != temporary_name) RemoveTemporary(directory, named);
  return error;
}

FsError PosixFileSystem::CopyFile(const std::string& from, const std::string& to,
                                  bool fail_if_exists, const CancelCheck* cancelled) {
  if (FsError error = posix::CheckPath(from); error != FsError::Ok) return error;
  if (FsError error = posix::CheckPath(to); error != FsError::Ok) return error;
  const posix::PathParts target = posix::SplitPath(to);
  if (FsError error = CheckNewName(target.name); error != FsError::Ok) return error;
  std::lock_guard lock(mutex_);

  UniqueFd source;
  struct stat source_status;
  if (FsError error = OpenRegular(from, source, source_status, /*follow_links=*/false);
      error != FsError::Ok) {
    return error;
  }
  UniqueFd directory;
  if (int failure = OpenDirectory(target.directory, /*follow=*/false, directory); failure != 0) {
    return TargetDirectoryError(failure);
  }
  FsError error = FsError::Ok;
  posix::NameIndex* index = cache_.Get(posix::DirectoryKey(target.directory), error);
  if (index == nullptr) return error;
  // An existing name of another letter case is the one replaced (or refused).
  std::string stored_name = target.name;
  if (FindHolder(*index, target.directory, target.name, {}, stored_name) && fail_if_exists) {
    return FsError::AlreadyExists;
  }

  UniqueFd copy;
  std::string temporary_name;
  int failure = CreateTemporary(directory.get(), copy, temporary_name);
  if (failure == 0) {
    failure = CopyContents(source.get(), copy.get(),
                           static_cast<std::uint64_t>(source_status.st_size), cancelled);
  }
  if (failure == 0 && fchmod(copy.get(), source_status.st_mode & 0777) != 0) failure = errno;
  const struct timespec times[2] = {source_status.st_atim, source_status.st_mtim};
  if (failure == 0 && futimens(copy.get(), times) != 0) failure = errno;
  if (failure == 0) {
    failure = Publish(copy, directory.get(), target.directory, temporary_name, stored_name,
                      fail_if_exists);
  }
  if (failure != 0) {
    RemoveTemporary(directory.get(), temporary_name);  // an unnamed one vanishes when closed
    return ErrorFromErrno(failure);
  }
  NoteCreated(target.directory, stored_name);
  return FsError::Ok;
}

FsError PosixFileSystem::ReplaceFileAtomically(const std::string& path, std::string_view contents) {
  return Replace(path, [&](int, const std::string&, int fd) { return WriteAll(fd, contents); });
}

FsError PosixFileSystem::ReplaceWithTail(const std::string& path, std::uint64_t offset) {
  return Replace(path, [&](int directory, const std::string& stored_name, int fd) {
    const UniqueFd source(
        openat(directory, stored_name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat status;
    if (!source.valid()) return errno;
    if (fstat(source.get(), &status) != 0) return errno;
    if (!S_ISREG(status.st_mode)) return EACCES;
    std::string buffer(kCopyPiece, '\0');
    for (auto at = static_cast<off_t>(offset);;) {
      const ssize_t count = pread(source.get(), buffer.data(), buffer.size(), at);
      if (count < 0 && errno == EINTR) continue;
      if (count < 0) return errno;
      if (count == 0) return 0;
      if (int error = WriteAll(fd, std::string_view(buffer.data(), count)); error != 0) {
        return error;
      }
      at += count;
    }
  });
}

FsError PosixFileSystem::Replace(const std::string& path, const Filler& fill) {
  if (FsError error = posix::CheckPath(path); error != FsError::Ok) return error;
  const posix::PathParts target = posix::SplitPath(path);
  if (FsError error = CheckNewName(target.name); error != FsError::Ok) return error;
  std::lock_guard lock(mutex_);
  UniqueFd directory;
  if (int failure = OpenDirectory(target.directory, /*follow=*/true, directory); failure != 0) {
    return TargetDirectoryError(failure);
  }
  FsError error = FsError::Ok;
  posix::NameIndex* index = cache_.Get(posix::DirectoryKey(target.directory), error);
  if (index == nullptr) return error;
  std::string stored_name = target.name;
  FindHolder(*index, target.directory, target.name, {}, stored_name);
  // The new file keeps the read and write bits of the regular file it replaces; a new file,
  // or one replacing a link (whose target's mode is somebody else's), is the user's alone.
  struct stat old_status;
  mode_t mode = 0600;
  if (fstatat(directory.get(), stored_name.c_str(), &old_status, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISDIR(old_status.st_mode)) return FsError::AccessDenied;
    if (S_ISREG(old_status.st_mode)) mode = old_status.st_mode & 0666;
  }

  // A named temporary: rename() needs a name to move from.
  UniqueFd fd;
  std::string temporary_name;
  int failure = EEXIST;
  for (int attempt = 0; attempt < kMaxNameAttempts && failure == EEXIST; ++attempt) {
    temporary_name = posix::TemporaryName();
    fd = UniqueFd(calls_.openat(directory.get(), temporary_name.c_str(),
                                O_CREAT | O_EXCL | O_NOFOLLOW | kTemporaryFlags, 0600));
    failure = fd.valid() ? 0 : errno;
  }
  if (failure != 0) return ErrorFromErrno(failure);
  failure = fill(directory.get(), stored_name, fd.get());
  if (failure == 0 && fchmod(fd.get(), mode) != 0) failure = errno;
  if (failure == 0 && calls_.fsync(fd.get()) != 0) failure = errno;
  if (failure == 0 && close(fd.Release()) != 0) failure = errno;
  if (failure == 0 && calls_.renameat2(directory.get(), temporary_name.c_str(), directory.get(),
                                       stored_name.c_str(), 0) != 0) {
    failure = errno;
  }
  if (failure != 0) {
    RemoveTemporary(directory.get(), temporary_name);
    return ErrorFromErrno(failure);
  }
  // Make the rename itself durable. The new contents are in place whatever this gives.
  calls_.fsync(directory.get());
  NoteCreated(target.directory, stored_name);
  return FsError::Ok;
}

}  // namespace qlm
