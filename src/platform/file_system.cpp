#include "platform/file_system.h"

namespace qlm {

FsError FileSystem::ReplaceWithTail(const std::string& path, std::uint64_t offset) {
  std::unique_ptr<ReadableFile> file;
  if (const FsError error = OpenForReading(path, file); error != FsError::Ok) return error;
  if (const FsError error = file->Skip(offset); error != FsError::Ok) return error;
  std::string tail;
  if (const FsError error = file->ReadUpTo(tail.max_size(), tail); error != FsError::Ok) {
    return error;
  }
  file.reset();  // a system that replaces no open file would refuse the replace
  return ReplaceFileAtomically(path, tail);
}

}  // namespace qlm
