// The folded-name index of a directory: FoldName(name) -> the names the directory stores
// under that key (a Linux directory may hold both a.htm and A.htm). It makes every "is this
// name taken regardless of case" test O(1) instead of a directory scan, and a small cache
// keeps the indexes of the last few directories used.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/errors.h"

namespace qlm::posix {

class NameIndex {
 public:
  // Adds a stored name (no effect when it is already there).
  void Add(const std::string& name);
  // Removes a stored name (no effect when it is not there).
  void Remove(const std::string& name);
  // The stored names whose folded form is `folded`, in no particular order; empty when none.
  std::vector<std::string> Find(const std::string& folded) const;
  std::size_t size() const { return count_; }

 private:
  // Folded name -> the one name stored under it, which is nearly always all there is; the
  // rare further names (a.htm beside A.htm) live in more_. One string per name rather than a
  // vector per key keeps a directory of 100,000 names several megabytes smaller.
  std::unordered_map<std::string, std::string> first_;
  std::unordered_multimap<std::string, std::string> more_;
  std::size_t count_ = 0;
};

// What a directory looked like when its index was last brought up to date; a different stamp
// means someone else changed it. Coarse file-system clocks can hide a change made within the
// same tick as one of ours, so this only narrows the window: the kernel's no-replace checks
// remain the guard against exact-name races.
struct DirectoryStamp {
  dev_t device = 0;
  ino_t inode = 0;
  std::int64_t mtime_ns = 0;
  std::int64_t ctime_ns = 0;
  bool operator==(const DirectoryStamp&) const = default;
};

// Reads the stamp of `directory`; the errno value on failure (0 on success).
int ReadStamp(const std::string& directory, DirectoryStamp& stamp);

// Lists every entry of `directory` except "." and "..", in readdir order. Returns the errno
// value (0 on success); `names` is left unchanged on failure.
int ListDirectory(const std::string& directory, std::vector<std::string>& names);

class DirectoryIndexCache {
 public:
  static constexpr std::size_t kMaxDirectories = 4;

  // The up-to-date index of the directory with key `key` (see DirectoryKey), scanned when it
  // is not cached or has changed since; nullptr with `error` set when the directory cannot be
  // read. The pointer stays valid until the next call that changes the cache.
  NameIndex* Get(const std::string& key, FsError& error);
  // The cached index of `key` without any check or scan; nullptr when not cached.
  NameIndex* Peek(const std::string& key);
  // Stores a fresh index built from `names`, read under `stamp`.
  void Put(const std::string& key, const std::vector<std::string>& names,
           const DirectoryStamp& stamp);
  // Notes that the layer changed the directory itself (its index already says how), so that
  // the next Get takes the new stamp without a rescan.
  void Touched(const std::string& key);
  // Forces a rescan on the next Get.
  void Invalidate(const std::string& key);
  // The device and inode of a cached directory; false when not cached.
  bool Identity(const std::string& key, dev_t& device, ino_t& inode);

 private:
  struct Entry {
    std::string key;
    DirectoryStamp stamp;
    NameIndex index;
    bool changed_by_us = false;  // the layer changed the directory since `stamp` was read
  };
  // Most recently used first.
  std::list<Entry> entries_;
  Entry* Find(const std::string& key);
};

}  // namespace qlm::posix
