#include "platform/program_directory.h"

#include "platform/path.h"

namespace qlm {
namespace {

// `path` with its last name replaced by the one the directory stores (a lookup ignores
// letter case, and the next path built on this one must name the entry exactly).
std::string WithStoredName(const std::string& path, const FileInfo& info) {
  path::Parts parts = path::Split(path);
  if (info.stored_name.empty() || !path::IsPlainName(parts.name) ||
      info.stored_name == parts.name) {
    return path;
  }
  return path::Join(parts.directory, info.stored_name);
}

// Ok when `path` is a directory afterwards: it existed (`path` then takes its stored name)
// or, with `create`, `fs` created it. Without `create` a missing directory is Ok too.
FsError EnsureDirectory(FileSystem& fs, std::string& path, bool create) {
  FileInfo info;
  if (fs.GetInfo(path, info) == FsError::Ok) {
    if (!info.is_directory) return FsError::AlreadyExists;
    path = WithStoredName(path, info);
    return FsError::Ok;
  }
  return create ? fs.CreateDirectory(path) : FsError::Ok;
}

// Makes `path` and every missing directory above it (see EnsureDirectory). Returns Ok or the
// first failure.
FsError EnsureDirectories(FileSystem& fs, std::string& path, bool create) {
  const std::size_t root = path::RootLength(path);
  std::string built = path.substr(0, root);  // the root is there, or nothing is
  for (std::size_t start = root; start < path.size();) {
    std::size_t slash = start;
    while (slash < path.size() && !path::IsSeparator(path[slash]))
      ++slash;
    const std::string_view name(path.data() + start, slash - start);
    start = slash + 1;
    if (name.empty()) continue;
    built = built.empty() ? std::string(name) : path::Join(built, name);
    if (FsError error = EnsureDirectory(fs, built, create); error != FsError::Ok) return error;
  }
  path = built;
  return FsError::Ok;
}

// True when `directory` is a portable copy's program directory (see FindProgramDirectory).
bool IsPortableDirectory(FileSystem& fs, const std::string& directory) {
  FileInfo folder, marker;
  return fs.GetInfo(directory, folder) == FsError::Ok && folder.is_directory &&
         folder.owner == CurrentUser() && (folder.permissions & 022) == 0 &&
         fs.GetInfo(path::Join(directory, kPortableMarker), marker) == FsError::Ok &&
         marker.is_regular && fs.ProbeWritable(directory) == FsError::Ok;
}

}  // namespace

FsError FindProgramDirectory(FileSystem& fs, const std::string& override_directory,
                             const std::string& executable_path,
                             const EnvironmentLookup& environment, std::string& directory,
                             bool create) {
  if (!override_directory.empty()) {
    std::string chosen = path::Key(override_directory);
    if (FsError error = EnsureDirectory(fs, chosen, create); error != FsError::Ok) return error;
    directory = chosen;
    return FsError::Ok;
  }
  if (!executable_path.empty()) {
    std::string beside = path::Split(executable_path).directory;
    if (IsPortableDirectory(fs, beside)) {
      directory = beside;
      return FsError::Ok;
    }
  }
  const std::optional<std::string> user = UserProgramDirectory(environment);
  if (!user) return FsError::PathNotFound;
  std::string chosen = *user;
  if (FsError error = EnsureDirectories(fs, chosen, create); error != FsError::Ok) return error;
  directory = chosen;
  return FsError::Ok;
}

}  // namespace qlm
