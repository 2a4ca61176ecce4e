#include "platform/program_directory.h"

#include <limits.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/posix_paths.h"

namespace qlm {
namespace {

// Ok when `path` is a directory afterwards: it existed or `fs` created it.
FsError EnsureDirectory(FileSystem& fs, const std::string& path) {
  FileInfo info;
  if (fs.GetInfo(path, info) == FsError::Ok) {
    return info.is_directory ? FsError::Ok : FsError::AlreadyExists;
  }
  return fs.CreateDirectory(path);
}

// Creates `path` and every missing directory above it. Returns Ok or the first failure.
FsError EnsureDirectories(FileSystem& fs, const std::string& path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    if (slash + 1 == path.size()) break;  // a trailing '/': the whole path comes last
    if (FsError error = EnsureDirectory(fs, path.substr(0, slash)); error != FsError::Ok) {
      return error;
    }
  }
  return EnsureDirectory(fs, path);
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

FsError FindProgramDirectory(FileSystem& fs, const std::string& override_directory,
                             const std::string& executable_path,
                             const EnvironmentLookup& environment, std::string& directory) {
  if (!override_directory.empty()) {
    std::string chosen = posix::DirectoryKey(override_directory);
    if (FsError error = EnsureDirectory(fs, chosen); error != FsError::Ok) return error;
    directory = chosen;
    return FsError::Ok;
  }
  if (!executable_path.empty()) {
    std::string beside = posix::SplitPath(executable_path).directory;
    if (fs.ProbeWritable(beside) == FsError::Ok) {
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
  if (FsError error = EnsureDirectories(fs, chosen); error != FsError::Ok) return error;
  directory = chosen;
  return FsError::Ok;
}

}  // namespace qlm
