#include "platform/native_file_system.h"
#include "platform/posix/posix_file_system.h"

namespace qlm {

std::unique_ptr<FileSystem> MakeNativeFileSystem() {
  return std::make_unique<PosixFileSystem>();
}

}  // namespace qlm
