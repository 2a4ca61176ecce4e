// PosixFileSystem::ListSubdirectories: one directory's subdirectories, for a walk over a tree.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/posix/posix_file_system.h"

namespace qlm {

namespace {

// The error for a directory that could not be opened: a link in its place is
// StoppedOnSymlink (O_DIRECTORY reports a link as ENOTDIR), a missing one PathNotFound.
FsError OpenError(const std::string& path, int error) {
  struct stat status;
  if ((error == ENOTDIR || error == ELOOP) && lstat(path.c_str(), &status) == 0 &&
      S_ISLNK(status.st_mode)) {
    return FsError::StoppedOnSymlink;
  }
  return (error == ENOENT || error == ENOTDIR) ? FsError::PathNotFound : ErrorFromErrno(error);
}

// Adds the entry `name` of the open directory `fd` to `found` when it is a directory or a link
// to one. `type` is the listing's d_type; an entry gone meanwhile is left out.
void Examine(int fd, const char* name, unsigned char type, std::vector<Subdirectory>& found) {
  if (type != DT_DIR && type != DT_LNK && type != DT_UNKNOWN) return;
  struct stat status;
  // Not following links: a mount point gives the mounted directory, as a walk entering it
  // would find it.
  if (fstatat(fd, name, &status, AT_SYMLINK_NOFOLLOW) != 0) return;
  if (S_ISDIR(status.st_mode)) {
    found.push_back({name, false, static_cast<std::uint64_t>(status.st_dev),
                     static_cast<std::uint64_t>(status.st_ino)});
    return;
  }
  // A link is looked through only to tell whether it leads to a directory; it is never entered.
  if (S_ISLNK(status.st_mode) && fstatat(fd, name, &status, 0) == 0 && S_ISDIR(status.st_mode)) {
    found.push_back({name, true, 0, 0});
  }
}

}  // namespace

FsError PosixFileSystem::ListSubdirectories(const std::string& directory,
                                            DirectoryListing& listing) {
  if (directory.empty()) return FsError::PathNotFound;
  if (FsError error = posix::CheckPath(directory); error != FsError::Ok) return error;
  const std::string key = posix::DirectoryKey(directory);
  posix::UniqueFd fd(open(key.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd.valid()) return OpenError(key, errno);
  struct stat self;
  if (fstat(fd.get(), &self) != 0) return ErrorFromErrno(errno);
  // The listing reads through a second descriptor: closedir closes the one it was given.
  const int stream_fd = dup(fd.get());
  DIR* stream = stream_fd >= 0 ? fdopendir(stream_fd) : nullptr;
  if (stream == nullptr) {
    const int error = errno;
    if (stream_fd >= 0) close(stream_fd);
    return ErrorFromErrno(error);
  }
  std::vector<Subdirectory> found;
  int error = 0;
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(stream);
    if (entry == nullptr) {
      error = errno;  // 0 at the end of the listing
      break;
    }
    const std::string_view name(entry->d_name);
    if (name == "." || name == "..") continue;
    Examine(fd.get(), entry->d_name, entry->d_type, found);
  }
  closedir(stream);
  if (error != 0) return ErrorFromErrno(error);  // a listing cut short would skip directories
  std::sort(found.begin(), found.end(), [](const Subdirectory& a, const Subdirectory& b) {
    return CompareFoldedNames(a.name, b.name);
  });
  listing.device = static_cast<std::uint64_t>(self.st_dev);
  listing.inode = static_cast<std::uint64_t>(self.st_ino);
  listing.subdirectories = std::move(found);
  return FsError::Ok;
}

}  // namespace qlm
