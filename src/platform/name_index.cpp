#include "platform/name_index.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "platform/file_system.h"

namespace qlm::posix {

void NameIndex::Add(const std::string& name) {
  std::string folded = FoldName(name);
  auto [first, inserted] = first_.try_emplace(folded, name);
  if (inserted) {
    ++count_;
    return;
  }
  if (first->second == name) return;
  auto [begin, end] = more_.equal_range(folded);
  for (auto it = begin; it != end; ++it) {
    if (it->second == name) return;
  }
  more_.emplace(std::move(folded), name);
  ++count_;
}

void NameIndex::Remove(const std::string& name) {
  const std::string folded = FoldName(name);
  auto first = first_.find(folded);
  if (first == first_.end()) return;
  auto more = more_.find(folded);
  if (first->second == name) {
    if (more == more_.end()) {
      first_.erase(first);
    } else {  // another name under the same key takes the first place
      first->second = std::move(more->second);
      more_.erase(more);
    }
    --count_;
    return;
  }
  auto [begin, end] = more_.equal_range(folded);
  for (auto it = begin; it != end; ++it) {
    if (it->second == name) {
      more_.erase(it);
      --count_;
      return;
    }
  }
}

std::vector<std::string> NameIndex::Find(const std::string& folded) const {
  std::vector<std::string> names;
  auto first = first_.find(folded);
  if (first == first_.end()) return names;
  names.push_back(first->second);
  auto [begin, end] = more_.equal_range(folded);
  for (auto it = begin; it != end; ++it)
    names.push_back(it->second);
  return names;
}

int ReadStamp(const std::string& directory, DirectoryStamp& stamp) {
  struct stat status;
  if (stat(directory.c_str(), &status) != 0) return errno;
  if (!S_ISDIR(status.st_mode)) return ENOTDIR;
  stamp.device = status.st_dev;
  stamp.inode = status.st_ino;
  stamp.mtime_ns = status.st_mtim.tv_sec * 1'000'000'000LL + status.st_mtim.tv_nsec;
  stamp.ctime_ns = status.st_ctim.tv_sec * 1'000'000'000LL + status.st_ctim.tv_nsec;
  return 0;
}

int ListDirectory(const std::string& directory, std::vector<std::string>& names) {
  DIR* stream = opendir(directory.c_str());
  if (stream == nullptr) return errno;
  std::vector<std::string> found;
  errno = 0;
  while (const dirent* entry = readdir(stream)) {
    std::string_view name = entry->d_name;
    if (name != "." && name != "..") found.emplace_back(name);
    errno = 0;
  }
  int error = errno;
  closedir(stream);
  if (error != 0) return error;
  names.swap(found);
  return 0;
}

DirectoryIndexCache::Entry* DirectoryIndexCache::Find(const std::string& key) {
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [&](const Entry& entry) { return entry.key == key; });
  if (it == entries_.end()) return nullptr;
  entries_.splice(entries_.begin(), entries_, it);  // most recently used first
  return &entries_.front();
}

NameIndex* DirectoryIndexCache::Get(const std::string& key, FsError& error) {
  DirectoryStamp before;
  int failure = ReadStamp(key, before);
  if (failure != 0) {
    Invalidate(key);
    error =
        (failure == ENOENT || failure == ENOTDIR) ? FsError::PathNotFound : ErrorFromErrno(failure);
    return nullptr;
  }
  if (Entry* entry = Find(key); entry != nullptr) {
    // A stamp changed only by the layer's own operations since the last check needs no
    // rescan: the index already holds those changes (see Touched).
    if (entry->stamp == before || std::exchange(entry->changed_by_us, false)) {
      entry->stamp = before;
      return &entry->index;
    }
  }
  std::vector<std::string> names;
  failure = ListDirectory(key, names);
  if (failure != 0) {
    error =
        (failure == ENOENT || failure == ENOTDIR) ? FsError::PathNotFound : ErrorFromErrno(failure);
    return nullptr;
  }
  // A change during the scan leaves the stamp read before it, so the next Get scans again.
  Put(key, names, before);
  return &entries_.front().index;
}

NameIndex* DirectoryIndexCache::Peek(const std::string& key) {
  Entry* entry = Find(key);
  return entry == nullptr ? nullptr : &entry->index;
}

void DirectoryIndexCache::Put(const std::string& key, const std::vector<std::string>& names,
                              const DirectoryStamp& stamp) {
  Invalidate(key);
  Entry fresh{key, stamp, {}, false};
  for (const std::string& name : names)
    fresh.index.Add(name);
  entries_.push_front(std::move(fresh));
  if (entries_.size() > kMaxDirectories) entries_.pop_back();
}

void DirectoryIndexCache::Touched(const std::string& key) {
  // The new stamp is read by the next Get, which has to read it anyway: one system call less
  // per operation. A change another process makes between this operation and that Get is not
  // told from ours; names it creates are still caught by the kernel's no-replace checks.
  if (Entry* entry = Find(key)) entry->changed_by_us = true;
}

void DirectoryIndexCache::Invalidate(const std::string& key) {
  entries_.remove_if([&](const Entry& entry) { return entry.key == key; });
}

bool DirectoryIndexCache::Identity(const std::string& key, dev_t& device, ino_t& inode) {
  Entry* entry = Find(key);
  if (entry == nullptr) return false;
  device = entry->stamp.device;
  inode = entry->stamp.inode;
  return true;
}

}  // namespace qlm::posix
