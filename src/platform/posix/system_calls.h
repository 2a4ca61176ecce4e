// The raw system calls the POSIX file layer makes where a test needs to fail them: each is a
// plain function pointer with the system call's own contract (-1 and errno on failure), so a
// test can swap one in to take a fallback path or to simulate a full or read-only disk.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace qlm {

struct SystemCalls {
  int (*renameat2)(int old_dir, const char* old_path, int new_dir, const char* new_path,
                   unsigned int flags);
  int (*link)(const char* old_path, const char* new_path);
  int (*linkat)(int old_dir, const char* old_path, int new_dir, const char* new_path, int flags);
  int (*unlink)(const char* path);
  int (*rename)(const char* old_path, const char* new_path);
  int (*open)(const char* path, int flags, mode_t mode);
  int (*openat)(int dir, const char* path, int flags, mode_t mode);
  int (*mkdir)(const char* path, mode_t mode);
  ssize_t (*write)(int fd, const void* buffer, std::size_t count);
  ssize_t (*pwrite)(int fd, const void* buffer, std::size_t count, off_t offset);
  int (*fsync)(int fd);
};

// The calls of the running kernel.
const SystemCalls& RealSystemCalls();

}  // namespace qlm
