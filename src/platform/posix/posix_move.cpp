// PosixFileSystem::Move and the no-replace rename it rests on.
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/posix_file_system.h"

namespace qlm {
namespace {

using posix::DirectoryKey;
using posix::IsPlainName;
using posix::JoinPath;

// True when `path` names (without following a link) the file `device`:`inode`.
bool IsSameEntry(const std::string& path, dev_t device, ino_t inode) {
  struct stat other;
  return lstat(path.c_str(), &other) == 0 && other.st_dev == device && other.st_ino == inode;
}

// True when both directories (given as keys, see DirectoryKey) are the same.
bool IsSameDirectory(std::string_view a, std::string_view b) {
  if (a == b) return true;
  struct stat first, second;
  return stat(std::string(a).c_str(), &first) == 0 && stat(std::string(b).c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace

int PosixFileSystem::NoReplaceRename(const std::string& from, const std::string& to,
                                     const RelativeNames* relative) {
  const int renamed =
      relative != nullptr
          ? calls_.renameat2(relative->directory, relative->from, relative->directory, relative->to,
                             RENAME_NOREPLACE)
          : calls_.renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
  if (renamed == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // The file system refuses the flag: a new link fails with EEXIST rather than replace.
  if (calls_.link(from.c_str(), to.c_str()) == 0) {
    if (calls_.unlink(from.c_str()) == 0) return 0;
    int error = errno;
    calls_.unlink(to.c_str());  // undo the link: the file keeps its old name only
    return error;
  }
  // ENOTSUP is EOPNOTSUPP on Linux. Directories and file systems without hard links (vfat)
  // refuse links; EMLINK means the file has too many already.
  if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK) return errno;
  // Last resort: look, then rename. Another process could slip in between; nothing better
  // exists on such file systems.
  struct stat status;
  if (lstat(to.c_str(), &status) == 0) return EEXIST;
  if (errno != ENOENT) return errno;
  return calls_.rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int PosixFileSystem::RenameThroughTemporary(const std::string& from, const std::string& to,
                                            const std::string& directory) {
  std::string temporary;
  int error = EEXIST;
  for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
    temporary = JoinPath(directory, posix::TemporaryName());
    error = NoReplaceRename(from, temporary);
  }
  if (error != 0) return error;
  error = NoReplaceRename(temporary, to);
  if (error != 0) NoReplaceRename(temporary, from);  // back to its old name
  return error;
}

FsError PosixFileSystem::Move(const std::string& from, const std::string& to) {
  FileInfo ignored;
  return MoveAndDescribe(from, to, ignored);
}

FsError PosixFileSystem::MoveAndDescribe(const std::string& from, const std::string& to,
                                         FileInfo& moved) {
  return MoveNamed(from, to, moved, /*restoring=*/false);
}

FsError PosixFileSystem::MoveBackAndDescribe(const std::string& from, const std::string& to,
                                             FileInfo& moved) {
  return MoveNamed(from, to, moved, /*restoring=*/true);
}

FsError PosixFileSystem::MoveNamed(const std::string& from_path, const std::string& to,
                                   FileInfo& moved, bool restoring) {
  if (FsError error = posix::CheckPath(from_path); error != FsError::Ok) return error;
  if (FsError error = posix::CheckPath(to); error != FsError::Ok) return error;
  const std::string from = posix::WithoutTrailingSlashes(from_path);
  const posix::PathView source = posix::SplitPathView(from);
  if (FsError error =
          restoring ? CheckRestoredName(to) : CheckNewName(posix::SplitPathView(to).name);
      error != FsError::Ok) {
    return error;
  }
  std::lock_guard lock(mutex_);

  // An entry the layer has lately read itself (opened or moved) is moved without reading it
  // again; should it have gone meanwhile, it is looked for as any other.
  bool vanished = false;
  if (const posix::EntryFacts* known = KnownFacts(source); known != nullptr && known->described) {
    const posix::EntryFacts facts = *known;
    const FsError error = MoveEntry(source.directory, source.name, to, facts, moved, vanished);
    if (!vanished) return error;
  }

  // The source is found regardless of case; lstat, since a link is moved, not its target.
  struct stat source_status;
  std::string source_name;
  FsError error = Resolve(
      from,
      [&](const std::string& path) { return lstat(path.c_str(), &source_status) == 0 ? 0 : errno; },
      source_name);
  if (error != FsError::Ok) return error;
  posix::EntryFacts facts;
  facts.Describe(source_status);
  return MoveEntry(source.directory, source_name, to, facts, moved, vanished);
}

FsError PosixFileSystem::MoveEntry(std::string_view source_directory, std::string_view source_name,
                                   const std::string& to, const posix::EntryFacts& facts,
                                   FileInfo& moved, bool& vanished) {
  vanished = false;
  const posix::PathView target = posix::SplitPathView(to);
  const std::string_view source_key = posix::DirectoryKeyView(source_directory);
  const std::string_view target_key = posix::DirectoryKeyView(target.directory);
  FsError error = FsError::Ok;
  posix::NameIndex* target_index = cache_.Get(target_key, error);
  if (target_index == nullptr) return error;
  const bool same_directory = IsSameDirectory(source_key, target_key);
  if (same_directory && source_name == target.name) return FsError::Ok;  // already there
  // A name held by the very file being moved is not taken (case-only renames).
  std::string holder;
  if (FindHolder(*target_index, target.directory, target.name,
                 same_directory ? source_name : std::string_view(), holder)) {
    return FsError::AlreadyExists;
  }

  const std::string source_path = JoinPath(source_directory, source_name);
  // Within one directory the layer holds open, the names are given relative to it. Each name
  // ends its path, so it ends where that string does.
  const std::shared_ptr<const posix::UniqueFd> directory =
      IsPlainName(source_name) && source_key == target_key ? cache_.Descriptor(source_key)
                                                           : nullptr;
  const RelativeNames relative{directory ? directory->get() : -1,
                               source_path.c_str() + (source_path.size() - source_name.size()),
                               to.c_str() + (to.size() - target.name.size())};
  int failure = NoReplaceRename(source_path, to, directory ? &relative : nullptr);
  if (failure == EEXIST && same_directory && FoldName(source_name) == FoldName(target.name) &&
      IsSameEntry(to, facts.device, facts.inode)) {
    // The file system itself ignores case and sees the new name as the file's own.
    failure = RenameThroughTemporary(source_path, to, std::string(source_directory));
  }
  if (failure == 0) {
    NoteMoved(source_key, source_name, target_key, target.name, facts);
    // A rename changes none of what describes the file.
    moved.is_directory = facts.type == DT_DIR;
    moved.is_regular = facts.type == DT_REG;
    moved.stored_name.assign(target.name);
    moved.device = facts.device;
    moved.inode = facts.inode;
    moved.size = facts.size;
    moved.mtime_ns = facts.mtime_ns;
    return FsError::Ok;
  }
  struct stat status;
  if (failure == EEXIST && lstat(to.c_str(), &status) == 0) {
    // Created behind the layer's back. The directory's stamp is left alone, so a later use
    // rescans and learns of any other such change too.
    if (posix::NameIndex* index = cache_.Peek(target_key)) index->Add(target.name);
  } else if (failure == ENOENT) {
    cache_.Invalidate(source_key);
    cache_.Invalidate(target_key);
    vanished = true;
  }
  return ErrorFromErrno(failure);
}

}  // namespace qlm
