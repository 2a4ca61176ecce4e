#include "shell/command_line.h"

#include <array>
#include <string_view>

#include "common/text.h"
#include "platform/path.h"

namespace qlm {
namespace {

// The four endings that make a single-file run, compared byte for byte.
constexpr std::array<std::string_view, 4> kHtmlEndings = {".HTM", "HTML", ".htm", "html"};

bool HasHtmlEnding(std::string_view path) {
  if (path.size() < 4) return false;
  const std::string_view last4 = path.substr(path.size() - 4);
  for (std::string_view ending : kHtmlEndings) {
    if (last4 == ending) return true;
  }
  return false;
}

}  // namespace

int GetCommandArgument(int argc, const char* const* argv, std::string& TargetPath) {
  if (argc < 2 || argv == nullptr) return -1;
  std::string joined;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) joined += ' ';
    if (argv[i] != nullptr) joined += argv[i];
  }
  TrimBlanks(joined, TargetPath);
  return 0;
}

int TakeCommandArgument(FileSystem& fs, int argc, const char* const* argv,
                        std::string& TargetPath) {
  if (argc == 2 && argv != nullptr && argv[1] != nullptr && argv[1][0] != '\0') {
    const std::string whole = argv[1];
    FileInfo info;
    std::string trimmed;
    TrimBlanks(whole, trimmed);
    // Only a name with blanks at its ends needs this; any other is the same either way.
    if (trimmed != whole && fs.GetInfo(whole, info) == FsError::Ok &&
        (info.stored_name.empty() || info.stored_name == FileNamePart(whole))) {
      TargetPath = whole;
      return 0;
    }
  }
  return GetCommandArgument(argc, argv, TargetPath);
}

void ResolveArgument(FileSystem& fs, std::string& TargetPath) {
  std::string resolved;
  if (!TargetPath.empty() && fs.ResolvePath(TargetPath, resolved) == FsError::Ok)
    TargetPath = std::move(resolved);
}

RunMode ReadCommandLine(FileSystem& fs, int argc, const char* const* argv,
                        std::string& TargetPath) {
  if (TakeCommandArgument(fs, argc, argv, TargetPath) != 0) return RunMode::None;
  ResolveArgument(fs, TargetPath);
  return ClassifyArgument(fs, TargetPath);
}

RunMode ClassifyArgument(FileSystem& fs, std::string& TargetPath, FsError* lookup) {
  if (lookup != nullptr) *lookup = FsError::Ok;
  if (TargetPath.empty()) return RunMode::None;
  FileInfo info;
  if (const FsError error = fs.GetInfo(TargetPath, info); error != FsError::Ok) {
    if (lookup != nullptr) *lookup = error;
    return RunMode::None;
  }
  // The name as stored on disk: the run builds every path on it, and on this platform those
  // must name the entry exactly.
  const auto take_stored_name = [&] {
    const std::string_view name = FileNamePart(TargetPath);
    if (!info.stored_name.empty() && name != info.stored_name && name != "." && name != "..")
      TargetPath.replace(TargetPath.size() - name.size(), name.size(), info.stored_name);
  };
  if (info.is_directory) {
    TargetPath = path::Key(TargetPath);  // no trailing separator: the run appends one
    if (!path::IsSeparator(TargetPath.back())) take_stored_name();
    return RunMode::Directory;
  }
  // A special file is no document: reading it could block or never end.
  if (!info.is_regular || !HasHtmlEnding(TargetPath)) return RunMode::None;
  take_stored_name();
  return RunMode::SingleFile;
}

}  // namespace qlm
