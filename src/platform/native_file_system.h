// The platform's real file layer: PosixFileSystem on Linux, Win32FileSystem on Windows.
#pragma once

#include <memory>

#include "platform/file_system.h"

namespace qlm {

std::unique_ptr<FileSystem> MakeNativeFileSystem();

}  // namespace qlm
