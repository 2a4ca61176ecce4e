#include "platform/posix/posix_paths.h"

#include <limits.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <random>

namespace qlm::posix {

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
