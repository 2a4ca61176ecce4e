#include "platform/path.h"

#include <cstring>

namespace qlm::path {

std::size_t NameStart(std::string_view path) {
#ifdef _WIN32
  const std::size_t last = path.find_last_of("\\/");
  return last == std::string_view::npos ? 0 : last + 1;
#else
  // Paths are split several times for every file a run handles: memrchr scans a word at a time.
  const void* last = path.empty() ? nullptr : memrchr(path.data(), '/', path.size());
  return last == nullptr ? 0 : static_cast<const char*>(last) - path.data() + 1;
#endif
}

PartsView SplitView(std::string_view path) {
  const std::size_t cut = NameStart(path);
  if (cut == 0) return {".", path};
  const std::size_t root = RootLength(path);
  // The directory keeps the root's separator, and only that one.
  std::size_t directory_end = cut - 1;
  while (directory_end > root && IsSeparator(path[directory_end - 1]))
    --directory_end;
  if (directory_end < root) directory_end = root;
  return {path.substr(0, directory_end == 0 ? 1 : directory_end), path.substr(cut)};
}

Parts Split(std::string_view path) {
  const PartsView parts = SplitView(path);
  return {std::string(parts.directory), std::string(parts.name)};
}

std::string_view KeyView(std::string_view directory) {
  const std::size_t root = RootLength(directory);
  while (directory.size() > root && directory.size() > 1 && IsSeparator(directory.back()))
    directory.remove_suffix(1);
  if (directory.empty()) return ".";
  return directory;
}

std::string Key(std::string_view directory) {
  return std::string(KeyView(directory));
}

std::string Join(std::string_view directory, std::string_view name) {
  std::string path(directory);
  if (path.empty() || !IsSeparator(path.back())) path.push_back(Separator());
  path.append(name);
  return path;
}

FsError Check(std::string_view path) {
  if (path.empty()) return FsError::FileNotFound;
  if (path.find('\0') != std::string_view::npos) return FsError::InvalidName;
  if (path.size() >= MaxLength()) return FsError::FilenameTooLong;
  return FsError::Ok;
}

std::string WithSeparator(std::string text) {
  if (text.empty() || !IsSeparator(text.back())) text.push_back(Separator());
  return text;
}

}  // namespace qlm::path
