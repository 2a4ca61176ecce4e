#include "support/layer_probes.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <utility>

#include "support/temp_dir.h"

namespace qlm::testing {

namespace fs = std::filesystem;

std::string OpenFailure(FsError error) {
  return "<error " + std::to_string(static_cast<int>(error)) + ">";
}

std::string ReadThrough(FileSystem& fs, const std::string& path, std::unique_ptr<AheadFile> ahead) {
  std::unique_ptr<ReadableFile> file;
  const FsError error = ahead != nullptr ? fs.TakeOverAhead(path, std::move(ahead), file)
                                         : fs.OpenForReading(path, file);
  if (error != FsError::Ok) return OpenFailure(error);
  std::string contents;
  char buffer[256];
  for (std::size_t count = 0; file->Read(buffer, sizeof buffer, count) == FsError::Ok && count;)
    contents.append(buffer, count);
  return contents;
}

std::vector<std::string> SearchNames(FileSystem& fs, const std::string& directory,
                                     SearchKind kind) {
  std::unique_ptr<DirectorySearch> search;
  if (fs.OpenSearch(directory, kind, search) != FsError::Ok) return {"<failed>"};
  std::vector<std::string> names;
  for (std::string name; search->Next(name);)
    names.push_back(name);
  return names;
}

std::vector<std::string> SortedEntries(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(NativePath(directory)))
    names.push_back(Utf8(entry.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

std::map<std::string, std::string> Tree(const std::string& root) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(NativePath(root))) {
    const std::u8string generic = fs::relative(entry.path(), NativePath(root)).generic_u8string();
    const std::string relative(generic.begin(), generic.end());
    if (entry.is_symlink()) {
      tree[relative] = "@" + Utf8(fs::read_symlink(entry.path()));
    } else {
      tree[relative] = entry.is_directory() ? "/" : ReadFile(Utf8(entry.path()));
    }
  }
  return tree;
}

}  // namespace qlm::testing
