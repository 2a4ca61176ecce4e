// Small helpers of the POSIX file layer: path splitting, path checks, owned descriptors and
// unique temporary names. Internal to src/platform.
#pragma once

#include <string>
#include <string_view>

#include "platform/errors.h"
#include "platform/path.h"

namespace qlm::posix {

// The platform's path helpers (platform/path.h), under the names this layer has long used.
using PathParts = path::Parts;
inline PathParts SplitPath(std::string_view path) {
  return path::Split(path);
}
// The forms without copies, for the calls a run makes for every file.
using PathView = path::PartsView;
inline PathView SplitPathView(std::string_view path) {
  return path::SplitView(path);
}
inline std::string DirectoryKey(std::string_view directory) {
  return path::Key(directory);
}
inline std::string_view DirectoryKeyView(std::string_view directory) {
  return path::KeyView(directory);
}
// The path without trailing '/' ("/" stays "/"); an entry named with a trailing '/' (a
// directory) is the same entry without it.
inline std::string WithoutTrailingSlashes(std::string_view path) {
  return path::Key(path);
}
inline std::string JoinPath(std::string_view directory, std::string_view name) {
  return path::Join(directory, name);
}
using path::IsPlainName;

// Ok for a path the layer can hand to the kernel (see path::Check).
inline FsError CheckPath(std::string_view path) {
  return path::Check(path);
}

// A fresh hidden name that no search matches (".quillomat-<random>.tmp"); the caller creates
// it exclusively and retries with another on EEXIST.
std::string TemporaryName();

// Owns a file descriptor; closes it when destroyed.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd();

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int Release();

 private:
  int fd_ = -1;
};

}  // namespace qlm::posix
