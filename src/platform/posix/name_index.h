// The folded-name index of a directory: FoldName(name) -> the names the directory stores
// under that key (a Linux directory may hold both a.htm and A.htm). It makes every "is this
// name taken regardless of case" test O(1) instead of a directory scan, and a small cache
// keeps the indexes of the last few directories used, with what the layer knows of each
// entry (see EntryFacts).
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"
#include "platform/posix/posix_paths.h"

namespace qlm::posix {

// What the layer knows of one entry without asking the kernel again: its type and inode as
// the directory listing gave them, and, once the layer has read them itself (opening the file
// or moving it), its device, size and modification time. A rename changes none of these, so
// they travel with the entry from name to name. Kept small: an index holds one per name.
struct EntryFacts {
  unsigned char type = DT_UNKNOWN;  // a dirent d_type
  bool described = false;           // device, size and mtime_ns are set
  ino_t inode = 0;                  // 0 when not known
  dev_t device = 0;
  std::uint64_t size = 0;
  std::int64_t mtime_ns = 0;

  // Takes the description from a status read of the entry itself (not through a link).
  void Describe(const struct stat& status);
};

// One entry of a directory listing.
struct ListedEntry {
  std::string name;
  unsigned char type = DT_UNKNOWN;
  ino_t inode = 0;
};

class NameIndex {
 public:
  // Adds a stored name with what is known of it (no effect when it is already there).
  void Add(std::string_view name, const EntryFacts& facts = {});
  // Removes a stored name and returns what was known of it (nothing when it is not there).
  EntryFacts Remove(std::string_view name);
  // The stored names equal to `name` regardless of case, in no particular order.
  std::vector<std::string> Find(std::string_view name) const;
  // True when some stored name equals `name` regardless of case.
  bool Contains(std::string_view name) const;
  // What is known of the stored name `name` (exactly that name); nullptr when not stored.
  // The pointer stays valid until the index next changes.
  EntryFacts* Facts(std::string_view name);
  // Makes the index hold exactly the names of a fresh listing. What the layer read itself of
  // an entry still listed under the same name and inode is kept.
  void Refresh(const std::vector<ListedEntry>& entries);
  // Every stored name, in no particular order.
  std::vector<std::string> Names() const;
  std::size_t size() const { return size_; }

 private:
  struct Stored {
    std::string name;
    EntryFacts facts;
    std::uint32_t seen = 0;  // the last Refresh that listed it
  };
  // One place of the table: the hash of a folded name and where its entry is (0: free).
  // Eight bytes a slot (a million names take 2^21 of them): the hash's low 32 bits, which
  // also choose the slot (a table never has 2^32 slots), tell most names apart at once.
  struct Slot {
    std::uint32_t hash = 0;
    std::uint32_t record = 0;  // 1 + the entry's index in records_
  };
  static std::uint32_t Low(std::size_t hash) { return static_cast<std::uint32_t>(hash); }

  // Calls `visit(stored)` for each entry stored under `hash` until it returns false.
  template <typename Visit>
  void ForEachUnderHash(std::size_t hash, Visit visit) const;
  static constexpr std::size_t kNoSlot = static_cast<std::size_t>(-1);
  // The slot of the stored name `name` (exactly that name), or kNoSlot.
  std::size_t SlotOf(std::size_t hash, std::string_view name) const;
  // The first free slot of `hash`'s probe run (the table must have one).
  std::size_t FreeSlot(std::size_t hash) const;
  Stored* FindExact(std::size_t hash, std::string_view name);
  void Insert(std::size_t hash, std::string_view name, const EntryFacts& facts);
  void EraseSlot(std::size_t slot);
  // Makes room in the table for `names` names at once.
  void Reserve(std::size_t names);

  // Open addressing with linear probing over the hashes of the folded names; the entries
  // themselves live apart in records_. A lookup reads one or two adjacent slots and, on a
  // hash match, the one entry it points to: nearly always a single entry per hash, several
  // for case variants (a.htm beside A.htm) and the rare collision, told apart by comparing
  // names. No second copy of a name is kept and a lookup allocates nothing.
  std::vector<Slot> slots_;      // a power of two in size, at most three quarters used
  std::vector<Stored> records_;  // entries; freed ones are listed in free_ for reuse
  std::vector<std::uint32_t> free_;
  std::size_t size_ = 0;
  std::uint32_t generation_ = 0;
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
// value (0 on success); `entries` is left unchanged on failure. `expected` (how many entries
// the directory held when last listed) sizes the list at once: a large directory's listing
// then takes no more memory than its entries need.
int ListDirectory(const std::string& directory, std::vector<ListedEntry>& entries,
                  std::size_t expected = 0);

class DirectoryIndexCache {
 public:
  static constexpr std::size_t kMaxDirectories = 4;

  // An index found up to date less than this long ago is taken as current without reading
  // the stamp again. A run works on its directory many times a millisecond; reading the stamp
  // on every operation would cost a system call each time. Names another process creates
  // meanwhile are still caught by the kernel's no-replace checks.
  static constexpr std::chrono::microseconds kTrustChecked{1000};

  // The up-to-date index of the directory with key `key` (see DirectoryKey), scanned when it
  // is not cached or has changed since; nullptr with `error` set when the directory cannot be
  // read. The pointer stays valid until the next call that changes the cache.
  NameIndex* Get(std::string_view key, FsError& error);
  // The cached index of `key` when it is up to date, found as Get finds it but never scanned:
  // nullptr when not cached, changed or unreadable. Leaves earlier pointers valid.
  NameIndex* Current(std::string_view key);
  // The cached index of `key` without any check or scan; nullptr when not cached.
  NameIndex* Peek(std::string_view key);
  // The cached index of `key` when the directory's stamp `now` (just read) is the one it was
  // last found up to date under and the layer has not changed the directory since: what a
  // listing made now would give. Otherwise nullptr.
  NameIndex* Unchanged(std::string_view key, const DirectoryStamp& now);
  // The directory of `key` held open (O_PATH), for system calls relative to it that spare the
  // kernel walking its path; nullptr when not cached or not held. It is held only while a
  // search of it is in progress (see Hold), so that no directory stays busy (a removable
  // disk that cannot be unmounted) once a run is over.
  std::shared_ptr<const UniqueFd> Descriptor(std::string_view key);
  // Opens the cached directory `key` as the one its stamp describes, for as long as the
  // returned handle (or a copy) lives; nullptr when not cached or it cannot be opened so.
  std::shared_ptr<const UniqueFd> Hold(std::string_view key);
  // Makes the index of `key` that of a fresh listing, `entries`, read under `stamp` (see
  // NameIndex::Refresh).
  void Put(std::string_view key, const std::vector<ListedEntry>& entries,
           const DirectoryStamp& stamp);
  // Notes that the layer changed the directory itself (its index already says how), so that
  // the next check takes the new stamp without a rescan.
  void Touched(std::string_view key);
  // Forces a rescan on the next Get.
  void Invalidate(std::string_view key);

 private:
  using Clock = std::chrono::steady_clock;
  struct Entry {
    std::string key;
    DirectoryStamp stamp;
    NameIndex index;
    bool changed_by_us = false;  // the layer changed the directory since `stamp` was read
    Clock::time_point checked;   // when the index was last found up to date
    std::weak_ptr<const UniqueFd> directory;  // the directory `stamp` describes, while held
  };
  // Most recently used first.
  std::list<Entry> entries_;
  Entry* Find(std::string_view key);
  // The cached entry of `key` when it is up to date; otherwise nullptr, with the stamp just
  // read in `stamp` (or the errno value in `failure` when it could not be read).
  Entry* Check(std::string_view key, DirectoryStamp& stamp, int& failure);
};

}  // namespace qlm::posix
