// Real system calls for PosixFileSystem, except the ones a test tells to fail or to run a
// hook first (another process "winning a race"). The seam holds plain function pointers, so
// the plan is global: one SystemCallFaults object at a time.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/posix/system_calls.h"

namespace qlm::testing {

enum class Syscall { Renameat2, Link, Linkat, Unlink, Rename, Open, Mkdir, Write, Pwrite, Fsync };

class SystemCallFaults {
 public:
  SystemCallFaults();  // starts with no faults and zero counts
  ~SystemCallFaults();
  SystemCallFaults(const SystemCallFaults&) = delete;
  SystemCallFaults& operator=(const SystemCallFaults&) = delete;

  // Call number `nth` (1-based) of `call`, and with `and_after` every later one, fails with
  // `errno_value` without reaching the kernel.
  void Fail(Syscall call, int errno_value, int nth = 1, bool and_after = true);
  // Only open() calls asking for O_TMPFILE fail (the file system "does not support" it).
  // openat() counts and fails as open().
  void FailTmpfile(int errno_value);
  // Runs `hook` right before call number `nth` of `call` reaches the kernel (any number of
  // hooks per call kind).
  void Before(Syscall call, int nth, std::function<void()> hook);
  // How many calls of `call` were made.
  int Calls(Syscall call) const;
  // The seam to hand to PosixFileSystem.
  const SystemCalls& calls() const;
};

// The names in `directory` except "." and "..", sorted by bytes.
std::vector<std::string> EntryNames(const std::string& directory);

}  // namespace qlm::testing
