#include "shell/program_directory.h"

#include <unistd.h>

#include <climits>

namespace qlm {
namespace {

// `path` exists as a directory afterwards (made here, or there before).
bool MakeDirectories(FileSystem& fs, const std::string& path) {
  FileInfo info;
  if (fs.GetInfo(path, info) == FsError::Ok) return info.is_directory;
  const std::size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0 && !MakeDirectories(fs, path.substr(0, slash)))
    return false;
  const FsError made = fs.CreateDirectory(path);
  // AlreadyExists: someone made it meanwhile; a file of that name fails the check below.
  if (made != FsError::Ok && made != FsError::AlreadyExists) return false;
  return fs.GetInfo(path, info) == FsError::Ok && info.is_directory;
}

std::string WithoutTrailingSeparators(std::string path) {
  while (!path.empty() && path.back() == '/')
    path.pop_back();
  return path;
}

}  // namespace

std::optional<std::string> ExecutableDirectory() {
  char buffer[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) return std::nullopt;
  const std::string path(buffer, static_cast<std::size_t>(length));
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::nullopt;
  return path.substr(0, slash);
}

std::string ChooseProgramDirectory(FileSystem& fs,
                                   const std::optional<std::string>& executable_directory,
                                   const char* xdg_config_home, const char* home) {
  if (executable_directory) {
    const std::string probe = executable_directory->empty() ? "/" : *executable_directory;
    if (fs.ProbeWritable(probe) == FsError::Ok) return *executable_directory;
  }
  std::optional<std::string> config_home;
  if (xdg_config_home != nullptr && xdg_config_home[0] == '/')
    config_home = WithoutTrailingSeparators(xdg_config_home);
  else if (home != nullptr && home[0] == '/')
    config_home = WithoutTrailingSeparators(home) + "/.config";
  if (config_home) {
    const std::string directory = *config_home + "/quillomat";
    if (MakeDirectories(fs, directory)) return directory;
  }
  return executable_directory ? *executable_directory : std::string(".");
}

}  // namespace qlm
