// The file layer a test or a benchmark constructs itself on Windows.
#pragma once

#include "platform/win32/win32_file_system.h"

namespace qlm {
using NativeFileSystem = Win32FileSystem;
}  // namespace qlm
