// Small helpers of the POSIX file layer: path splitting, path checks, owned descriptors and
// unique temporary names. Internal to src/platform.
#pragma once

#include <string>
#include <string_view>

#include "platform/errors.h"

namespace qlm::posix {

// A path cut at its last '/': `directory` is everything before it ("." when there is none,
// "/" for a name right under the root), `name` everything after it.
struct PathParts {
  std::string directory;
  std::string name;
};
PathParts SplitPath(std::string_view path);

// `directory` without trailing '/' ("/" stays "/", "" becomes "."): the key under which the
// layer caches a directory's index.
std::string DirectoryKey(std::string_view directory);

// The path without trailing '/' ("/" stays "/"); an entry named with a trailing '/' (a
// directory) is the same entry without it.
inline std::string WithoutTrailingSlashes(std::string_view path) {
  return DirectoryKey(path);
}

// directory + "/" + name, without doubling a trailing '/'.
std::string JoinPath(std::string_view directory, std::string_view name);

// True for a name that designates an entry of its directory ("" and the dot names do not).
inline bool IsPlainName(std::string_view name) {
  return !name.empty() && name != "." && name != "..";
}

// Ok for a path the layer can hand to the kernel; InvalidName for one holding a NUL byte
// (the kernel would silently cut it there), FilenameTooLong for PATH_MAX bytes or more,
// FileNotFound for the empty path.
FsError CheckPath(std::string_view path);

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
