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

void AheadReader::ReadStarts(std::vector<AheadRead>& reads, std::size_t capacity,
                             const std::function<void()>& meanwhile) {
  for (AheadRead& read : reads)
    ReadAlone(read, capacity);
  if (meanwhile) meanwhile();  // nothing is in flight: the reads come first
}

void AheadReader::ReadAlone(AheadRead& read, std::size_t capacity) {
  if (buffer_.size() < capacity) buffer_.resize(capacity);
  std::size_t length = 0;
  read.error = read.file->ReadStart(buffer_.data(), capacity, length);
  read.bytes.assign(buffer_.data(), read.error == FsError::Ok ? std::min(length, capacity) : 0);
}

}  // namespace qlm
