#include "platform/name_index.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "platform/file_system.h"

namespace qlm::posix {

void EntryFacts::Describe(const struct stat& status) {
  inode = status.st_ino;
  described = true;
  device = status.st_dev;
  mode = status.st_mode;
  size = static_cast<std::uint64_t>(status.st_size);
  mtime_ns = status.st_mtim.tv_sec * 1'000'000'000LL + status.st_mtim.tv_nsec;
}

void NameIndex::Add(const std::string& name, const EntryFacts& facts) {
  std::string folded = FoldName(name);
  auto [first, inserted] = first_.try_emplace(folded, Stored{name, facts});
  if (inserted) {
    ++count_;
    return;
  }
  if (first->second.name == name) return;
  auto [begin, end] = more_.equal_range(folded);
  for (auto it = begin; it != end; ++it) {
    if (it->second.name == name) return;
  }
  more_.emplace(std::move(folded), Stored{name, facts});
  ++count_;
}

EntryFacts NameIndex::Remove(const std::string& name) {
  const std::string folded = FoldName(name);
  auto first = first_.find(folded);
  if (first == first_.end()) return {};
  EntryFacts removed;
  if (first->second.name == name) {
    removed = first->second.facts;
    auto more = more_.empty() ? more_.end() : more_.find(folded);
    if (more == more_.end()) {
      first_.erase(first);
    } else {  // another name under the same key takes the first place
      first->second = std::move(more->second);
      more_.erase(more);
    }
    --count_;
    return removed;
  }
  auto [begin, end] = more_.equal_range(folded);
  for (auto it = begin; it != end; ++it) {
    if (it->second.name == name) {
      removed = it->second.facts;
      more_.erase(it);
      --count_;
      break;
    }
  }
  return removed;
}

std::vector<std::string> NameIndex::Find(const std::string& folded) const {
  std::vector<std::string> names;
  auto first = first_.find(folded);
  if (first == first_.end()) return names;
  names.push_back(first->second.name);
  if (more_.empty()) return names;
  auto [begin, end] = more_.equal_range(folded);
  for (auto it = begin; it != end; ++it)
    names.push_back(it->second.name);
  return names;
}

EntryFacts* NameIndex::Facts(const std::string& name) {
  const std::string folded = FoldName(name);
  auto first = first_.find(folded);
  if (first == first_.end()) return nullptr;
  if (first->second.name == name) return &first->second.facts;
  auto [begin, end] = more_.equal_range(folded);
  for (auto it = begin; it != end; ++it) {
    if (it->second.name == name) return &it->second.facts;
  }
  return nullptr;
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

int ListDirectory(const std::string& directory, std::vector<ListedEntry>& entries) {
  DIR* stream = opendir(directory.c_str());
  if (stream == nullptr) return errno;
  std::vector<ListedEntry> found;
  errno = 0;
  while (const dirent* entry = readdir(stream)) {
    std::string_view name = entry->d_name;
    if (name != "." && name != "..")
      found.push_back({std::string(name), entry->d_type, entry->d_ino});
    errno = 0;
  }
  int error = errno;
  closedir(stream);
  if (error != 0) return error;
  entries.swap(found);
  return 0;
}

DirectoryIndexCache::Entry* DirectoryIndexCache::Find(const std::string& key) {
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [&](const Entry& entry) { return entry.key == key; });
  if (it == entries_.end()) return nullptr;
  entries_.splice(entries_.begin(), entries_, it);  // most recently used first
  return &entries_.front();
}

DirectoryIndexCache::Entry* DirectoryIndexCache::Check(const std::string& key,
                                                       DirectoryStamp& stamp, int& failure) {
  Entry* entry = Find(key);
  const Clock::time_point now = Clock::now();
  if (entry != nullptr && now - entry->checked < kTrustChecked) return entry;
  failure = ReadStamp(key, stamp);
  if (failure != 0 || entry == nullptr) return nullptr;
  // A stamp changed only by the layer's own operations since the last check needs no
  // rescan: the index already holds those changes (see Touched).
  if (entry->stamp != stamp && !std::exchange(entry->changed_by_us, false)) return nullptr;
  entry->stamp = stamp;
  entry->checked = now;
  return entry;
}

NameIndex* DirectoryIndexCache::Get(const std::string& key, FsError& error) {
  DirectoryStamp before;
  int failure = 0;
  if (Entry* entry = Check(key, before, failure); entry != nullptr) return &entry->index;
  std::vector<ListedEntry> entries;
  if (failure == 0) failure = ListDirectory(key, entries);
  if (failure != 0) {
    Invalidate(key);
    error =
        (failure == ENOENT || failure == ENOTDIR) ? FsError::PathNotFound : ErrorFromErrno(failure);
    return nullptr;
  }
  // A change during the scan leaves the stamp read before it, so the next check scans again.
  Put(key, entries, before);
  return &entries_.front().index;
}

NameIndex* DirectoryIndexCache::Current(const std::string& key) {
  DirectoryStamp stamp;
  int failure = 0;
  Entry* entry = Check(key, stamp, failure);
  return entry == nullptr ? nullptr : &entry->index;
}

NameIndex* DirectoryIndexCache::Peek(const std::string& key) {
  Entry* entry = Find(key);
  return entry == nullptr ? nullptr : &entry->index;
}

void DirectoryIndexCache::Put(const std::string& key, const std::vector<ListedEntry>& entries,
                              const DirectoryStamp& stamp) {
  Entry fresh{key, stamp, {}, false, Clock::now()};
  Entry* old = Find(key);
  for (const ListedEntry& listed : entries) {
    EntryFacts facts{listed.type, listed.inode};
    if (old != nullptr) {
      const EntryFacts* known = old->index.Facts(listed.name);
      if (known != nullptr && known->described && known->inode == listed.inode) facts = *known;
    }
    fresh.index.Add(listed.name, facts);
  }
  Invalidate(key);
  entries_.push_front(std::move(fresh));
  if (entries_.size() > kMaxDirectories) entries_.pop_back();
}

void DirectoryIndexCache::Touched(const std::string& key) {
  // The new stamp is read by the next check, which has to read it anyway: one system call
  // less per operation. A change another process makes between this operation and that check
  // is not told from ours; names it creates are still caught by the kernel's no-replace
  // checks.
  if (Entry* entry = Find(key)) entry->changed_by_us = true;
}

void DirectoryIndexCache::Invalidate(const std::string& key) {
  entries_.remove_if([&](const Entry& entry) { return entry.key == key; });
}

}  // namespace qlm::posix
