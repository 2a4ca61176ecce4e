#include "platform/posix/name_index.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>

#include "platform/file_system.h"

namespace qlm::posix {

void EntryFacts::Describe(const struct stat& status) {
  inode = status.st_ino;
  described = true;
  device = status.st_dev;
  type = IFTODT(status.st_mode);
  size = static_cast<std::uint64_t>(status.st_size);
  mtime_ns = status.st_mtim.tv_sec * 1'000'000'000LL + status.st_mtim.tv_nsec;
}

namespace {

// A name folded without allocating: on the stack up to the longest name a file system stores,
// through FoldName beyond.
class Folded {
 public:
  explicit Folded(std::string_view name) {
    if (name.size() <= sizeof small_) {
      FoldNameInto(name, small_);
      view_ = std::string_view(small_, name.size());
    } else {
      large_ = FoldName(name);
      view_ = large_;
    }
  }
  Folded(const Folded&) = delete;
  Folded& operator=(const Folded&) = delete;
  std::string_view view() const { return view_; }
  std::size_t hash() const { return HashFolded(view_); }

 private:
  char small_[256];
  std::string large_;
  std::string_view view_;
};

// HashFoldedName of a name asked about lately. A run asks about the same two names several times
// for each file it moves (what is known of it, whether its new name is taken, the move's
// bookkeeping); a name is compared faster than it is folded and hashed again.
std::size_t RecentFoldedHash(std::string_view name) {
  struct Recent {
    std::size_t length = 0;  // 0: empty (no name is)
    std::size_t hash = 0;
    char name[256];
  };
  thread_local std::array<Recent, 4> recent;
  thread_local std::size_t next = 0;
  for (const Recent& known : recent) {
    if (known.length == name.size() && std::memcmp(known.name, name.data(), name.size()) == 0) {
      return known.hash;
    }
  }
  const std::size_t hash = HashFoldedName(name);
  if (!name.empty() && name.size() <= sizeof Recent::name) {
    Recent& noted = recent[next++ % recent.size()];
    noted.length = name.size();
    noted.hash = hash;
    std::memcpy(noted.name, name.data(), name.size());
  }
  return hash;
}

}  // namespace

template <typename Visit>
void NameIndex::ForEachUnderHash(std::size_t hash, Visit visit) const {
  if (slots_.empty()) return;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask; slots_[i].record != 0; i = (i + 1) & mask) {
    if (slots_[i].hash == Low(hash) && !visit(records_[slots_[i].record - 1])) return;
  }
}

std::size_t NameIndex::SlotOf(std::size_t hash, std::string_view name) const {
  if (slots_.empty()) return kNoSlot;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask; slots_[i].record != 0; i = (i + 1) & mask) {
    if (slots_[i].hash == Low(hash) && records_[slots_[i].record - 1].name == name) return i;
  }
  return kNoSlot;
}

std::size_t NameIndex::FreeSlot(std::size_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = hash & mask;
  while (slots_[i].record != 0)
    i = (i + 1) & mask;
  return i;
}

NameIndex::Stored* NameIndex::FindExact(std::size_t hash, std::string_view name) {
  const std::size_t slot = SlotOf(hash, name);
  return slot == kNoSlot ? nullptr : &records_[slots_[slot].record - 1];
}

void NameIndex::Reserve(std::size_t names) {
  if (4 * names <= 3 * slots_.size()) return;  // at most three quarters of the slots used
  std::size_t size = std::max<std::size_t>(16, slots_.size());
  while (4 * names > 3 * size)
    size *= 2;
  std::vector<Slot> old(size);
  old.swap(slots_);
  for (const Slot& slot : old) {
    if (slot.record != 0) slots_[FreeSlot(slot.hash)] = slot;
  }
}

void NameIndex::Insert(std::size_t hash, std::string_view name, const EntryFacts& facts) {
  Reserve(size_ + 1);
  std::uint32_t record;
  if (free_.empty()) {
    records_.push_back(Stored{std::string(name), facts, generation_});
    record = static_cast<std::uint32_t>(records_.size());
  } else {
    // A freed entry's name buffer is reused: a run moving files adds and removes a name each
    // time, and this spares an allocation for each.
    record = free_.back();
    free_.pop_back();
    Stored& stored = records_[record - 1];
    stored.name.assign(name);
    stored.facts = facts;
    stored.seen = generation_;
  }
  slots_[FreeSlot(hash)] = Slot{Low(hash), record};
  ++size_;
}

void NameIndex::EraseSlot(std::size_t i) {
  const std::uint32_t record = slots_[i].record;
  records_[record - 1].name.clear();  // its buffer kept for the next name (see Insert)
  free_.push_back(record);
  --size_;
  // Backward shift: later slots of the same probe run move up, so no lookup stops early.
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t j = (i + 1) & mask; slots_[j].record != 0; j = (j + 1) & mask) {
    const std::size_t home = slots_[j].hash & mask;
    // The slot at j may fill the hole at i unless its home lies cyclically within (i, j].
    const bool stays = i <= j ? (i < home && home <= j) : (i < home || home <= j);
    if (stays) continue;
    slots_[i] = slots_[j];
    i = j;
  }
  slots_[i] = Slot{};
}

void NameIndex::Add(std::string_view name, const EntryFacts& facts) {
  const std::size_t hash = RecentFoldedHash(name);
  if (FindExact(hash, name) == nullptr) Insert(hash, name, facts);
}

EntryFacts NameIndex::Remove(std::string_view name) {
  const std::size_t slot = SlotOf(RecentFoldedHash(name), name);
  if (slot == kNoSlot) return {};
  const EntryFacts removed = records_[slots_[slot].record - 1].facts;
  EraseSlot(slot);
  return removed;
}

std::vector<std::string> NameIndex::Find(std::string_view name) const {
  std::vector<std::string> found;
  const Folded folded(name);
  ForEachUnderHash(folded.hash(), [&](const Stored& stored) {
    if (Folded(stored.name).view() == folded.view()) found.push_back(stored.name);
    return true;
  });
  return found;
}

bool NameIndex::Contains(std::string_view name) const {
  std::optional<Folded> folded;  // needed only when some stored name has the same hash
  bool found = false;
  ForEachUnderHash(RecentFoldedHash(name), [&](const Stored& stored) {
    if (!folded) folded.emplace(name);
    found = Folded(stored.name).view() == folded->view();
    return !found;
  });
  return found;
}

EntryFacts* NameIndex::Facts(std::string_view name) {
  Stored* stored = FindExact(RecentFoldedHash(name), name);
  return stored == nullptr ? nullptr : &stored->facts;
}

void NameIndex::Refresh(const std::vector<ListedEntry>& entries) {
  ++generation_;
  // Room for the listing at once: no table rebuilt along the way, and no records to spare
  // from growing by doubling (a directory of 100,000 names would waste megabytes).
  records_.reserve(std::max(records_.size(), entries.size()));
  Reserve(entries.size());
  for (const ListedEntry& listed : entries) {
    const std::size_t hash = HashFoldedName(listed.name);
    Stored* stored = FindExact(hash, listed.name);
    if (stored == nullptr) {
      Insert(hash, listed.name, {.type = listed.type, .inode = listed.inode});
      continue;
    }
    if (!stored->facts.described || stored->facts.inode != listed.inode) {
      stored->facts =
          EntryFacts{.type = listed.type, .inode = listed.inode};  // another entry by that name
    }
    stored->seen = generation_;
  }
  // Names no longer listed go. A backward shift may move a not yet visited slot into the
  // one just emptied, so that slot is looked at again.
  for (std::size_t i = 0; i < slots_.size();) {
    if (slots_[i].record != 0 && records_[slots_[i].record - 1].seen != generation_) {
      EraseSlot(i);
    } else {
      ++i;
    }
  }
}

std::vector<std::string> NameIndex::Names() const {
  std::vector<std::string> names;
  names.reserve(size_);
  for (const Slot& slot : slots_) {
    if (slot.record != 0) names.push_back(records_[slot.record - 1].name);
  }
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

int ListDirectory(const std::string& directory, std::vector<ListedEntry>& entries,
                  std::size_t expected) {
  DIR* stream = opendir(directory.c_str());
  if (stream == nullptr) return errno;
  std::vector<ListedEntry> found;
  if (expected > 0) found.reserve(expected + expected / 32 + 16);
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

DirectoryIndexCache::Entry* DirectoryIndexCache::Find(std::string_view key) {
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [&](const Entry& entry) { return entry.key == key; });
  if (it == entries_.end()) return nullptr;
  entries_.splice(entries_.begin(), entries_, it);  // most recently used first
  return &entries_.front();
}

DirectoryIndexCache::Entry* DirectoryIndexCache::Check(std::string_view key, DirectoryStamp& stamp,
                                                       int& failure) {
  Entry* entry = Find(key);
  const Clock::time_point now = Clock::now();
  if (entry != nullptr && now - entry->checked < kTrustChecked) return entry;
  failure = ReadStamp(std::string(key), stamp);
  if (failure != 0 || entry == nullptr) return nullptr;
  // A stamp changed only by the layer's own operations since the last check needs no
  // rescan: the index already holds those changes (see Touched).
  if (entry->stamp != stamp && !std::exchange(entry->changed_by_us, false)) return nullptr;
  entry->stamp = stamp;
  entry->checked = now;
  return entry;
}

NameIndex* DirectoryIndexCache::Get(std::string_view key, FsError& error) {
  DirectoryStamp before;
  int failure = 0;
  if (Entry* entry = Check(key, before, failure); entry != nullptr) return &entry->index;
  std::vector<ListedEntry> entries;
  if (failure == 0) {
    const Entry* cached = Find(key);
    failure =
        ListDirectory(std::string(key), entries, cached != nullptr ? cached->index.size() : 0);
  }
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

NameIndex* DirectoryIndexCache::Current(std::string_view key) {
  DirectoryStamp stamp;
  int failure = 0;
  Entry* entry = Check(key, stamp, failure);
  return entry == nullptr ? nullptr : &entry->index;
}

NameIndex* DirectoryIndexCache::Peek(std::string_view key) {
  Entry* entry = Find(key);
  return entry == nullptr ? nullptr : &entry->index;
}

NameIndex* DirectoryIndexCache::Unchanged(std::string_view key, const DirectoryStamp& now) {
  Entry* entry = Find(key);
  if (entry == nullptr || entry->changed_by_us || entry->stamp != now) return nullptr;
  entry->checked = Clock::now();
  return &entry->index;
}

std::shared_ptr<const UniqueFd> DirectoryIndexCache::Descriptor(std::string_view key) {
  Entry* entry = Find(key);
  return entry == nullptr ? nullptr : entry->directory.lock();
}

std::shared_ptr<const UniqueFd> DirectoryIndexCache::Hold(std::string_view key) {
  Entry* entry = Find(key);
  if (entry == nullptr) return nullptr;
  if (auto held = entry->directory.lock()) return held;
  // Held only when it is the very directory listed: the path may have been pointed
  // elsewhere since the stamp was read.
  UniqueFd directory(open(std::string(key).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  struct stat status;
  if (!directory.valid() || fstat(directory.get(), &status) != 0 ||
      status.st_dev != entry->stamp.device || status.st_ino != entry->stamp.inode) {
    return nullptr;
  }
  auto held = std::make_shared<const UniqueFd>(std::move(directory));
  entry->directory = held;
  return held;
}

void DirectoryIndexCache::Put(std::string_view key, const std::vector<ListedEntry>& entries,
                              const DirectoryStamp& stamp) {
  Entry* entry = Find(key);
  if (entry == nullptr) {
    entries_.push_front(Entry{std::string(key), stamp, {}, false, {}, {}});
    if (entries_.size() > kMaxDirectories) entries_.pop_back();
    entry = &entries_.front();
  }
  // Another directory now at the path: the one held is not it.
  if (entry->stamp.device != stamp.device || entry->stamp.inode != stamp.inode) {
    entry->directory.reset();
  }
  entry->index.Refresh(entries);
  entry->stamp = stamp;
  entry->changed_by_us = false;
  entry->checked = Clock::now();
}

void DirectoryIndexCache::Touched(std::string_view key) {
  // The new stamp is read by the next check, which has to read it anyway: one system call
  // less per operation. A change another process makes between this operation and that check
  // is not told from ours; names it creates are still caught by the kernel's no-replace
  // checks.
  if (Entry* entry = Find(key)) entry->changed_by_us = true;
}

void DirectoryIndexCache::Invalidate(std::string_view key) {
  entries_.remove_if([&](const Entry& entry) { return entry.key == key; });
}

}  // namespace qlm::posix
