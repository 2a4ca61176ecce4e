#include "platform/posix/system_calls.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qlm {
namespace {

// open() is variadic; the seam needs a fixed signature.
int OpenWithMode(const char* path, int flags, mode_t mode) {
  return ::open(path, flags, mode);
}
int OpenAtWithMode(int dir, const char* path, int flags, mode_t mode) {
  return ::openat(dir, path, flags, mode);
}

}  // namespace

const SystemCalls& RealSystemCalls() {
  static const SystemCalls kCalls = {
      .renameat2 = ::renameat2,
      .link = ::link,
      .linkat = ::linkat,
      .unlink = ::unlink,
      .rename = ::rename,
      .open = OpenWithMode,
      .openat = OpenAtWithMode,
      .mkdir = ::mkdir,
      .write = ::write,
      .pwrite = ::pwrite,
      .fsync = ::fsync,
  };
  return kCalls;
}

}  // namespace qlm
