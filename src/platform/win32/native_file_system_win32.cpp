#include "platform/native_file_system.h"
#include "platform/win32/win32_file_system.h"

namespace qlm {

std::unique_ptr<FileSystem> MakeNativeFileSystem() {
  return std::make_unique<Win32FileSystem>();
}

}  // namespace qlm
