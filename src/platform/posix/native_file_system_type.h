// The file layer a test or a benchmark constructs itself on Linux.
#pragma once

#include "platform/posix/posix_file_system.h"

namespace qlm {
using NativeFileSystem = PosixFileSystem;
}  // namespace qlm
