#include "platform/posix_paths.h"

#include <limits.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <random>

namespace qlm::posix {

PathParts SplitPath(std::string_view path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {".", std::string(path)};
  // Built in one go: assigning "/" afterwards trips a false -Wrestrict of g++ 12 at -O3.
  std::string_view directory = slash == 0 ? std::string_view("/") : path.substr(0, slash);
  return {std::string(directory), std::string(path.substr(slash + 1))};
}

std::string DirectoryKey(std::string_view directory) {
  while (directory.size() > 1 && directory.back() == '/')
    directory.remove_suffix(1);
  if (directory.empty()) return ".";
  return std::string(directory);
}

std::string JoinPath(std::string_view directory, std::string_view name) {
  std::string path(directory);
  if (path.empty() || path.back() != '/') path.push_back('/');
  path.append(name);
  return path;
}

FsError CheckPath(std::string_view path) {
  if (path.empty()) return FsError::FileNotFound;
  if (path.find('\0') != std::string_view::npos) return FsError::InvalidName;
  if (path.size() >= PATH_MAX) return FsError::FilenameTooLong;
  return FsError::Ok;
}

std::string TemporaryName() {
  // A per-process random start plus a counter: unique within the process, unlikely to meet
  // another process's names; creation with O_EXCL or RENAME_NOREPLACE settles the rest.
  static const std::uint64_t kSeed = std::random_device{}() ^ static_cast<std::uint64_t>(getpid());
  static std::atomic<std::uint64_t> counter{0};
  std::uint64_t value = kSeed * 0x9E3779B97F4A7C15ull + counter.fetch_add(1);
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, ".quillomat-%016llx.tmp",
                static_cast<unsigned long long>(value));
  return buffer;
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) close(fd_);
    fd_ = other.Release();
  }
  return *this;
}

UniqueFd::~UniqueFd() {
  if (fd_ >= 0) close(fd_);
}

int UniqueFd::Release() {
  int fd = fd_;
  fd_ = -1;
  return fd;
}

}  // namespace qlm::posix
