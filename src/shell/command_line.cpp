#include "shell/command_line.h"

#include <array>
#include <string_view>

#include "common/text.h"

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

RunMode ClassifyArgument(FileSystem& fs, std::string& TargetPath) {
  if (TargetPath.empty()) return RunMode::None;
  FileInfo info;
  if (fs.GetInfo(TargetPath, info) != FsError::Ok) return RunMode::None;
  if (info.is_directory) {
    while (TargetPath.size() > 1 && TargetPath.back() == '/')
      TargetPath.pop_back();
    return RunMode::Directory;
  }
  // A special file is no document: reading it could block or never end.
  if (!info.is_regular || !HasHtmlEnding(TargetPath)) return RunMode::None;
  const std::string_view name = FileNamePart(TargetPath);
  if (!info.stored_name.empty() && name != info.stored_name)
    TargetPath.replace(TargetPath.size() - name.size(), name.size(), info.stored_name);
  return RunMode::SingleFile;
}

}  // namespace qlm
