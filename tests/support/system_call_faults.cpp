#include "support/system_call_faults.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <utility>

namespace qlm::testing {
namespace {

constexpr std::size_t kCallKinds = 10;

struct Plan {
  std::array<int, kCallKinds> calls{};
  std::array<int, kCallKinds> fail_nth{};
  std::array<int, kCallKinds> fail_errno{};
  std::array<bool, kCallKinds> fail_after{};
  std::array<std::vector<std::pair<int, std::function<void()>>>, kCallKinds> hooks{};
  int tmpfile_errno = 0;
};

Plan plan;

// Counts the call; true (with errno set) when it must fail.
bool Intercept(Syscall call) {
  auto index = static_cast<std::size_t>(call);
  int number = ++plan.calls[index];
  for (const auto& [nth, hook] : plan.hooks[index]) {
    if (nth == number) hook();
  }
  int nth = plan.fail_nth[index];
  if (nth > 0 && (number == nth || (plan.fail_after[index] && number > nth))) {
    errno = plan.fail_errno[index];
    return true;
  }
  return false;
}

int Renameat2(int a, const char* b, int c, const char* d, unsigned int flags) {
  return Intercept(Syscall::Renameat2) ? -1 : ::renameat2(a, b, c, d, flags);
}
int Link(const char* a, const char* b) {
  return Intercept(Syscall::Link) ? -1 : ::link(a, b);
}
int Linkat(int a, const char* b, int c, const char* d, int flags) {
  return Intercept(Syscall::Linkat) ? -1 : ::linkat(a, b, c, d, flags);
}
int Unlink(const char* a) {
  return Intercept(Syscall::Unlink) ? -1 : ::unlink(a);
}
int Rename(const char* a, const char* b) {
  return Intercept(Syscall::Rename) ? -1 : ::rename(a, b);
}
int Open(const char* path, int flags, mode_t mode) {
  if (Intercept(Syscall::Open)) return -1;
  if ((flags & O_TMPFILE) == O_TMPFILE && plan.tmpfile_errno != 0) {
    errno = plan.tmpfile_errno;
    return -1;
  }
  return ::open(path, flags, mode);
}
// Counted and failed as open(): to a test both create a file.
int Openat(int dir, const char* path, int flags, mode_t mode) {
  if (Intercept(Syscall::Open)) return -1;
  if ((flags & O_TMPFILE) == O_TMPFILE && plan.tmpfile_errno != 0) {
    errno = plan.tmpfile_errno;
    return -1;
  }
  return ::openat(dir, path, flags, mode);
}
int Mkdir(const char* path, mode_t mode) {
  return Intercept(Syscall::Mkdir) ? -1 : ::mkdir(path, mode);
}
ssize_t Write(int fd, const void* buffer, std::size_t count) {
  return Intercept(Syscall::Write) ? -1 : ::write(fd, buffer, count);
}
ssize_t Pwrite(int fd, const void* buffer, std::size_t count, off_t offset) {
  return Intercept(Syscall::Pwrite) ? -1 : ::pwrite(fd, buffer, count, offset);
}
int Fsync(int fd) {
  return Intercept(Syscall::Fsync) ? -1 : ::fsync(fd);
}

const SystemCalls kIntercepted = {Renameat2, Link,  Linkat, Unlink, Rename, Open,
                                  Openat,    Mkdir, Write,  Pwrite, Fsync};

}  // namespace

SystemCallFaults::SystemCallFaults() {
  plan = Plan{};
}
SystemCallFaults::~SystemCallFaults() {
  plan = Plan{};
}

void SystemCallFaults::Fail(Syscall call, int errno_value, int nth, bool and_after) {
  auto index = static_cast<std::size_t>(call);
  plan.fail_nth[index] = nth;
  plan.fail_errno[index] = errno_value;
  plan.fail_after[index] = and_after;
}

void SystemCallFaults::FailTmpfile(int errno_value) {
  plan.tmpfile_errno = errno_value;
}

void SystemCallFaults::Before(Syscall call, int nth, std::function<void()> hook) {
  plan.hooks[static_cast<std::size_t>(call)].emplace_back(nth, std::move(hook));
}

int SystemCallFaults::Calls(Syscall call) const {
  return plan.calls[static_cast<std::size_t>(call)];
}

const SystemCalls& SystemCallFaults::calls() const {
  return kIntercepted;
}

std::vector<std::string> EntryNames(const std::string& directory) {
  std::vector<std::string> names;
  if (DIR* stream = opendir(directory.c_str())) {
    while (const dirent* entry = readdir(stream)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(stream);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace qlm::testing
