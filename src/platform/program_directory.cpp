#include "platform/program_directory.h"

#include <limits.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/posix_paths.h"

namespace qlm {
namespace {

// `path` with its last name replaced by the one the directory stores (a lookup ignores
// letter case, and the next path built on this one must name the entry exactly).
std::string WithStoredName(const std::string& path, const FileInfo& info) {
  posix::PathParts parts = posix::SplitPath(path);
  if (info.stored_name.empty() || !posix::IsPlainName(parts.name) ||
      info.stored_name == parts.name) {
    return path;
  }
  return posix::JoinPath(parts.directory, info.stored_name);
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
  std::string built;
  for (std::size_t start = 0; start < path.size();) {
    std::size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    const std::string_view name(path.data() + start, slash - start);
    start = slash + 1;
    if (name.empty()) {
      if (built.empty()) built = "/";
      continue;
    }
    built = built.empty() ? std::string(name) : posix::JoinPath(built, name);
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
         fs.GetInfo(posix::JoinPath(directory, kPortableMarker), marker) == FsError::Ok &&
         marker.is_regular && fs.ProbeWritable(directory) == FsError::Ok;
}

}  // namespace

std::optional<std::string> ProcessEnvironment(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) return {};
  return std::string(buffer, static_cast<std::size_t>(length));
}

std::uint32_t CurrentUser() {
  return static_cast<std::uint32_t>(geteuid());
}

FsError FindProgramDirectory(FileSystem& fs, const std::string& override_directory,
                             const std::string& executable_path,
                             const EnvironmentLookup& environment, std::string& directory,
                             bool create) {
  if (!override_directory.empty()) {
    std::string chosen = posix::DirectoryKey(override_directory);
    if (FsError error = EnsureDirectory(fs, chosen, create); error != FsError::Ok) return error;
    directory = chosen;
    return FsError::Ok;
  }
  if (!executable_path.empty()) {
    std::string beside = posix::SplitPath(executable_path).directory;
    if (IsPortableDirectory(fs, beside)) {
      directory = beside;
      return FsError::Ok;
    }
  }
  // Relative or empty XDG_CONFIG_HOME values are to be ignored.
  std::string base;
  if (auto xdg = environment("XDG_CONFIG_HOME"); xdg && xdg->starts_with('/')) {
    base = *xdg;
  } else if (auto home = environment("HOME"); home && home->starts_with('/')) {
    base = posix::JoinPath(*home, ".config");
  } else {
    return FsError::PathNotFound;
  }
  std::string chosen = posix::JoinPath(posix::DirectoryKey(base), "quillomat");
  if (FsError error = EnsureDirectories(fs, chosen, create); error != FsError::Ok) return error;
  directory = chosen;
  return FsError::Ok;
}

}  // namespace qlm
