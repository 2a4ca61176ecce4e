// PosixFileSystem::Copy and ReplaceFileAtomically: both write a temporary file beside the
// target and publish it only when complete, so a failure leaves no partial file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/posix_file_system.h"

namespace qlm {
namespace {

using posix::JoinPath;
using posix::UniqueFd;

constexpr int kTemporaryFlags = O_WRONLY | O_CLOEXEC;
constexpr int kMaxNameAttempts = 100;

// Removes a named temporary file, if any; the temporary name is forgotten.
void RemoveTemporary(const SystemCalls& calls, std::string& temporary_path) {
  if (!temporary_path.empty()) calls.unlink(temporary_path.c_str());
  temporary_path.clear();
}

}  // namespace

int PosixFileSystem::CreateTemporary(const std::string& directory, UniqueFd& fd,
                                     std::string& temporary_path) {
  temporary_path.clear();
  if (proc_fd_available_) {
    fd = UniqueFd(calls_.open(directory.c_str(), O_TMPFILE | kTemporaryFlags, 0600));
    if (fd.valid()) return 0;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return errno;
  }
  for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
    std::string path = JoinPath(directory, posix::TemporaryName());
    fd = UniqueFd(calls_.open(path.c_str(), O_CREAT | O_EXCL | O_NOFOLLOW | kTemporaryFlags, 0600));
    if (fd.valid()) {
      temporary_path = std::move(path);
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

int PosixFileSystem::CopyContents(int source, int target) {
  std::string buffer(1 << 16, '\0');
  for (;;) {
    ssize_t count = read(source, buffer.data(), buffer.size());
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return errno;
    if (count == 0) return 0;
    if (int error = WriteAll(target, std::string_view(buffer.data(), count)); error != 0) {
      return error;
    }
  }
}

int PosixFileSystem::Publish(UniqueFd& fd, const std::string& temporary_path,
                             const std::string& target, bool no_replace) {
  std::string named = temporary_path;
  if (named.empty()) {
    // An unnamed file gets its first name through /proc; linkat never replaces. To replace,
    // it is linked under a fresh name first and renamed over the target from there.
    const std::string proc = "/proc/self/fd/" + std::to_string(fd.get());
    if (no_replace) {
      return calls_.linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0
                 ? 0
                 : errno;
    }
    const std::string directory = posix::SplitPath(target).directory;
    int error = EEXIST;
    for (int attempt = 0; attempt < kMaxNameAttempts && error == EEXIST; ++attempt) {
      named = JoinPath(directory, posix::TemporaryName());
      error = calls_.linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, named.c_str(), AT_SYMLINK_FOLLOW) == 0
                  ? 0
                  : errno;
    }
    if (error != 0) return error;
  }
  int error = no_replace ? NoReplaceRename(named, target)
                         : (calls_.rename(named.c_str(), target.c_str()) == 0 ? 0 : errno);
  if (error != 0 && named != temporary_path) RemoveTemporary(calls_, named);
  return error;
}

FsError PosixFileSystem::Copy(const std::string& from, const std::string& to, bool fail_if_exists) {
  if (FsError error = posix::CheckPath(from); error != FsError::Ok) return error;
  if (FsError error = posix::CheckPath(to); error != FsError::Ok) return error;
  const posix::PathParts target = posix::SplitPath(to);
  if (FsError error = CheckNewName(target.name); error != FsError::Ok) return error;
  std::lock_guard lock(mutex_);

  UniqueFd source;
  struct stat source_status;
  if (FsError error = OpenRegular(from, source, source_status, /*follow_links=*/false);
      error != FsError::Ok)
    return error;
  FsError error = FsError::Ok;
  posix::NameIndex* index = cache_.Get(posix::DirectoryKey(target.directory), error);
  if (index == nullptr) return error;
  // An existing name of another letter case is the one replaced (or refused).
  std::string stored_name = target.name;
  if (FindHolder(*index, target.directory, target.name, {}, stored_name) && fail_if_exists) {
    return FsError::AlreadyExists;
  }
  const std::string target_path = JoinPath(target.directory, stored_name);

  UniqueFd copy;
  std::string temporary_path;
  int failure = CreateTemporary(target.directory, copy, temporary_path);
  if (failure == 0) failure = CopyContents(source.get(), copy.get());
  if (failure == 0 && fchmod(copy.get(), source_status.st_mode & 0777) != 0) failure = errno;
  const struct timespec times[2] = {source_status.st_atim, source_status.st_mtim};
  if (failure == 0 && futimens(copy.get(), times) != 0) failure = errno;
  if (failure == 0) failure = Publish(copy, temporary_path, target_path, fail_if_exists);
  if (failure != 0) {
    RemoveTemporary(calls_, temporary_path);  // an unnamed one vanishes when closed
    return ErrorFromErrno(failure);
  }
  NoteCreated(target.directory, stored_name);
  return FsError::Ok;
}

FsError PosixFileSystem::ReplaceFileAtomically(const std::string& path, std::string_view contents) {
  if (FsError error = posix::CheckPath(path); error != FsError::Ok) return error;
  const posix::PathParts target = posix::SplitPath(path);
  if (FsError error = CheckNewName(target.name); error != FsError::Ok) return error;
  std::lock_guard lock(mutex_);
  FsError error = FsError::Ok;
  posix::NameIndex* index = cache_.Get(posix::DirectoryKey(target.directory), error);
  if (index == nullptr) return error;
  std::string stored_name = target.name;
  FindHolder(*index, target.directory, target.name, {}, stored_name);
  const std::string target_path = JoinPath(target.directory, stored_name);
  // The new file keeps the old one's permissions; a new file gets the usual ones.
  struct stat old_status;
  const bool replacing = stat(target_path.c_str(), &old_status) == 0;
  if (replacing && !S_ISREG(old_status.st_mode)) return FsError::AccessDenied;

  // A named temporary: rename() needs a name to move from.
  UniqueFd fd;
  std::string temporary_path;
  int failure = EEXIST;
  for (int attempt = 0; attempt < kMaxNameAttempts && failure == EEXIST; ++attempt) {
    temporary_path = JoinPath(target.directory, posix::TemporaryName());
    fd = UniqueFd(
        calls_.open(temporary_path.c_str(), O_CREAT | O_EXCL | O_NOFOLLOW | kTemporaryFlags, 0666));
    failure = fd.valid() ? 0 : errno;
  }
  if (failure != 0) return ErrorFromErrno(failure);
  failure = WriteAll(fd.get(), contents);
  if (failure == 0 && replacing && fchmod(fd.get(), old_status.st_mode & 07777) != 0) {
    failure = errno;
  }
  if (failure == 0 && calls_.fsync(fd.get()) != 0) failure = errno;
  if (failure == 0 && close(fd.Release()) != 0) failure = errno;
  if (failure == 0 && calls_.rename(temporary_path.c_str(), target_path.c_str()) != 0) {
    failure = errno;
  }
  if (failure != 0) {
    RemoveTemporary(calls_, temporary_path);
    return ErrorFromErrno(failure);
  }
  // Make the rename itself durable. The new contents are in place whatever this gives.
  UniqueFd directory(
      open(posix::DirectoryKey(target.directory).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.valid()) calls_.fsync(directory.get());
  NoteCreated(target.directory, stored_name);
  return FsError::Ok;
}

}  // namespace qlm
