// View Log(s) on Windows: the copies go to "Quillomat" in the user's own temporary directory
// (%TEMP%, which lies in the user's profile), through a temporary name and one rename.
#include <filesystem>
#include <random>
#include <system_error>

#include "platform/path.h"
#include "shell/log_viewer.h"

namespace qlm {

namespace {

namespace fs = std::filesystem;

fs::path Native(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// The copy directory, made when missing; "" when none can be had. A link (a junction) in its
// place is never used: it could send the copies elsewhere.
std::string CopyDirectory(const EnvironmentLookup& environment) {
  std::optional<std::string> temporary = environment("TEMP");
  if (!temporary || !path::IsAbsolute(*temporary)) temporary = environment("TMP");
  if (!temporary || !path::IsAbsolute(*temporary)) return {};
  const fs::path directory = Native(path::Join(path::Key(*temporary), "Quillomat"));
  std::error_code error;
  fs::create_directories(directory, error);
  const fs::file_status status = fs::symlink_status(directory, error);
  if (error || !fs::is_directory(status)) return {};
  return Utf8(directory);
}

}  // namespace

std::string LogCopyDirectory(const EnvironmentLookup& environment) {
  return CopyDirectory(environment);
}

ViewLogResult ViewLog(std::string_view ProgramDirectory, std::string_view log_name,
                      const EnvironmentLookup& environment, const LogOpener& open) {
  if (ProgramDirectory.empty()) return ViewLogResult::LogMissing;  // no program directory
  const fs::path source = Native(std::string(ProgramDirectory) + std::string(log_name));
  std::error_code error;
  if (!fs::is_regular_file(fs::symlink_status(source, error))) return ViewLogResult::LogMissing;
  const std::string directory = CopyDirectory(environment);
  if (directory.empty()) return ViewLogResult::NoPrivateDirectory;
  const fs::path copy = Native(path::Join(directory, log_name));
  // A fresh name beside the copy, renamed over it once whole: a viewer that still has the
  // earlier copy open keeps it, and a failed copy leaves it as it was.
  const fs::path temporary =
      Native(path::Join(directory, "." + std::string(log_name) + "." +
                                       std::to_string(std::random_device()()) + ".tmp"));
  if (!fs::copy_file(source, temporary, fs::copy_options::none, error) || error) {
    fs::remove(temporary, error);
    return ViewLogResult::CopyFailed;
  }
  fs::rename(temporary, copy, error);
  if (error) {
    fs::remove(temporary, error);
    return ViewLogResult::CopyFailed;
  }
  open(Utf8(copy));
  return ViewLogResult::Opened;
}

}  // namespace qlm
