#include "platform/overlay_file_system.h"

#include <algorithm>
#include <vector>

#include "platform/path.h"
#include "platform/snapshot_search.h"

namespace qlm {

namespace {

// A log that counts what it is given and keeps nothing.
class DiscardingLog final : public LogFile {
 public:
  FsError Append(std::string_view bytes) override {
    size_ += bytes.size();
    return FsError::Ok;
  }
  FsError Size(std::uint64_t& size) override {
    size = size_;
    return FsError::Ok;
  }
  FsError Sync() override { return FsError::Ok; }

 private:
  std::uint64_t size_ = 0;
};

bool Matches(SearchKind kind, std::string_view name) {
  return kind == SearchKind::Html ? IsHtmlName(name) : IsScratchName(name);
}

}  // namespace

OverlayFileSystem::OverlayFileSystem(FileSystem& inner) : inner_(inner) {}

OverlayFileSystem::Entry* OverlayFileSystem::Record(const std::string& path) {
  const path::Parts parts = path::Split(path);
  const auto directory = changes_.find(path::Key(parts.directory));
  if (directory == changes_.end()) return nullptr;
  const auto entry = directory->second.find(FoldName(parts.name));
  return entry == directory->second.end() ? nullptr : &entry->second;
}

OverlayFileSystem::Entry& OverlayFileSystem::NewRecord(const std::string& path) {
  const path::Parts parts = path::Split(path);
  Entry& entry = changes_[path::Key(parts.directory)][FoldName(parts.name)];
  entry.name = parts.name;
  return entry;
}

FsError OverlayFileSystem::Describe(const std::string& path, Entry& entry) {
  if (const FsError error = path::Check(path); error != FsError::Ok) return error;
  const Entry* record = Record(path);
  if (record != nullptr && record->exists) {
    entry = *record;
    return FsError::Ok;
  }
  std::string look_up = path;
  if (record != nullptr) {
    if (record->twins.empty()) return FsError::FileNotFound;
    // Another entry of these letters is still on disk: the exact name if it is one, as the
    // disk prefers it, else the first.
    const path::Parts parts = path::Split(path);
    const auto exact = std::find(record->twins.begin(), record->twins.end(), parts.name);
    look_up = path::Join(parts.directory, exact != record->twins.end() ? *exact : record->twins[0]);
  }
  const std::optional<std::string> below = Below(look_up);
  if (!below) return FsError::PathNotFound;
  FileInfo info;
  if (const FsError error = inner_.GetInfo(*below, info); error != FsError::Ok) return error;
  entry.exists = true;
  entry.directory = info.is_directory;
  entry.name = info.stored_name;
  entry.origin = path::Join(path::Split(*below).directory, info.stored_name);
  return FsError::Ok;
}

std::optional<std::string> OverlayFileSystem::Below(const std::string& path) const {
  if (moved_directories_.empty() && moved_away_.empty()) return path;  // the usual case
  const std::string trimmed = path::Key(path);
  // The nearest directory on the way (the path itself first) that the overlay moved decides.
  const auto separator_before = [&](std::size_t end) {
    while (end > 0 && !path::IsSeparator(trimmed[end - 1]))
      --end;
    return end == 0 ? std::string::npos : end - 1;
  };
  for (std::size_t end = trimmed.size(); end > 0 && end != std::string::npos;
       end = separator_before(end)) {
    const std::string prefix = trimmed.substr(0, end);
    if (const auto moved = moved_directories_.find(prefix); moved != moved_directories_.end()) {
      return moved->second + trimmed.substr(end);
    }
    if (moved_away_.contains(prefix)) return std::nullopt;
  }
  return path;
}

void OverlayFileSystem::NoteDirectoryMoved(const std::string& from, const std::string& to,
                                           const std::string& origin) {
  moved_directories_.erase(path::Key(from));
  const std::string target = path::Key(to);
  if (target == origin) {  // back where the disk holds it
    moved_directories_.erase(target);
    moved_away_.erase(origin);
    return;
  }
  moved_directories_[target] = origin;
  moved_away_.insert(origin);
}

bool OverlayFileSystem::DirectoryExists(const std::string& directory) {
  Entry entry;
  return Describe(path::Key(directory), entry) == FsError::Ok && entry.directory;
}

FsError OverlayFileSystem::OpenForReading(const std::string& path,
                                          std::unique_ptr<ReadableFile>& file) {
  const Entry* record = Record(path);
  if (record == nullptr) {
    const std::optional<std::string> below = Below(path);
    return below ? inner_.OpenForReading(*below, file) : FsError::PathNotFound;
  }
  Entry entry;
  if (const FsError error = Describe(path, entry); error != FsError::Ok) return error;
  if (entry.directory) return FsError::AccessDenied;
  return inner_.OpenForReading(entry.origin, file);
}

bool OverlayFileSystem::NameTaken(const std::string& path) {
  if (const Entry* record = Record(path)) return record->exists || !record->twins.empty();
  const std::optional<std::string> below = Below(path);
  return below && inner_.NameTaken(*below);
}

FsError OverlayFileSystem::GetInfo(const std::string& path, FileInfo& info) {
  Entry entry;
  if (const FsError error = Describe(path, entry); error != FsError::Ok) return error;
  if (entry.origin.empty()) {
    info = FileInfo{};
    info.is_directory = true;
  } else if (const FsError error = inner_.GetInfo(entry.origin, info); error != FsError::Ok) {
    return error;
  }
  info.stored_name = entry.name;
  return FsError::Ok;
}

FsError OverlayFileSystem::Move(const std::string& from, const std::string& to) {
  Entry source;
  if (const FsError error = Describe(from, source); error != FsError::Ok) return error;
  const path::Parts target = path::Split(to);
  if (const FsError error = path::Check(to); error != FsError::Ok) return error;
  if (const FsError error = restoring_ ? CheckRestoredName(to) : CheckNewName(target.name);
      error != FsError::Ok) {
    return error;
  }
  if (!DirectoryExists(target.directory)) return FsError::PathNotFound;
  if (const FsError error = Writable(target.directory); error != FsError::Ok) return error;
  const path::Parts origin = path::Split(from);
  const bool same_name = path::Key(origin.directory) == path::Key(target.directory) &&
                         FoldName(origin.name) == FoldName(target.name);
  if (!same_name && NameTaken(to)) return FsError::AlreadyExists;
  if (same_name) {
    // A change of letter case only: refused, as on disk, when another entry of these letters
    // holds the name.
    const Entry* record = Record(from);
    const std::vector<std::string> twins =
        record == nullptr ? DiskTwins(from)
                          : (record->exists ? std::vector<std::string>{} : record->twins);
    if (std::any_of(twins.begin(), twins.end(),
                    [&](const std::string& twin) { return twin != source.name; })) {
      return FsError::AlreadyExists;
    }
  }
  NoteGone(from, source.name);
  Entry& moved = NewRecord(to);
  moved.exists = true;
  moved.directory = source.directory;
  moved.origin = source.origin;
  if (source.directory && !source.origin.empty()) NoteDirectoryMoved(from, to, source.origin);
  return FsError::Ok;
}

FsError OverlayFileSystem::CopyFile(const std::string& from, const std::string& to,
                                    bool fail_if_exists, const CancelCheck* /*cancelled*/) {
  Entry source;
  if (const FsError error = Describe(from, source); error != FsError::Ok) return error;
  if (source.directory) return FsError::AccessDenied;
  const path::Parts target = path::Split(to);
  if (const FsError error = path::Check(to); error != FsError::Ok) return error;
  if (const FsError error = CheckNewName(target.name); error != FsError::Ok) return error;
  if (!DirectoryExists(target.directory)) return FsError::PathNotFound;
  if (const FsError error = Writable(target.directory); error != FsError::Ok) return error;
  if (fail_if_exists && NameTaken(to)) return FsError::AlreadyExists;
  Entry& copy = NewRecord(to);
  copy.exists = true;
  copy.directory = false;
  copy.origin = source.origin;
  return FsError::Ok;
}

FsError OverlayFileSystem::CreateDirectory(const std::string& path) {
  const path::Parts parts = path::Split(path);
  if (const FsError error = path::Check(path); error != FsError::Ok) return error;
  if (const FsError error = CheckNewName(parts.name); error != FsError::Ok) return error;
  if (!DirectoryExists(parts.directory)) return FsError::PathNotFound;
  if (NameTaken(path)) return FsError::AlreadyExists;
  if (const FsError error = Writable(parts.directory); error != FsError::Ok) return error;
  Entry& directory = NewRecord(path);
  directory.exists = true;
  directory.directory = true;
  directory.origin.clear();
  return FsError::Ok;
}

FsError OverlayFileSystem::Delete(const std::string& path) {
  Entry entry;
  if (const FsError error = Describe(path, entry); error != FsError::Ok) return error;
  if (entry.directory) return FsError::AccessDenied;
  NoteGone(path, entry.name);
  return FsError::Ok;
}

void OverlayFileSystem::NoteGone(const std::string& path, const std::string& name) {
  const Entry* before = Record(path);
  std::vector<std::string> twins;
  if (before == nullptr) {
    twins = DiskTwins(path);
  } else if (!before->exists) {
    twins = before->twins;
  }
  std::erase(twins, name);
  Entry& gone = NewRecord(path);
  gone.exists = false;
  gone.twins = std::move(twins);
}

std::vector<std::string> OverlayFileSystem::DiskTwins(const std::string& path) {
  const path::Parts parts = path::Split(path);
  const std::string key = path::Key(parts.directory);
  auto known = disk_twins_.find(key);
  if (known == disk_twins_.end()) {
    // A search gives names in folded order, those of the same letters side by side.
    std::map<std::string, std::vector<std::string>> twins;
    const std::optional<std::string> on_disk = Below(key);
    for (const SearchKind kind : {SearchKind::Html, SearchKind::Scratch}) {
      std::unique_ptr<DirectorySearch> search;
      if (!on_disk || inner_.OpenSearch(*on_disk, kind, search) != FsError::Ok) continue;
      std::string previous;
      for (std::string name; search->Next(name); previous = name) {
        if (previous.empty() || FoldName(previous) != FoldName(name)) continue;
        std::vector<std::string>& names = twins[FoldName(name)];
        if (names.empty()) names.push_back(previous);
        names.push_back(name);
      }
    }
    known = disk_twins_.emplace(key, std::move(twins)).first;
  }
  const auto found = known->second.find(FoldName(parts.name));
  return found == known->second.end() ? std::vector<std::string>{} : found->second;
}

FsError OverlayFileSystem::OpenSearch(const std::string& directory, SearchKind kind,
                                      std::unique_ptr<DirectorySearch>& search) {
  const auto changed = changes_.find(path::Key(directory));
  std::vector<std::string> names;
  std::unique_ptr<DirectorySearch> below;
  const std::optional<std::string> on_disk = Below(directory);
  const FsError error = on_disk ? inner_.OpenSearch(*on_disk, kind, below) : FsError::PathNotFound;
  if (error != FsError::Ok && changed == changes_.end()) return error;
  std::string name;
  while (below && below->Next(name)) {
    // Names the overlay knows of come from its records below, as they now are.
    if (changed == changes_.end() || !changed->second.contains(FoldName(name))) {
      names.push_back(name);
    }
  }
  if (changed != changes_.end()) {
    for (const auto& [folded, entry] : changed->second) {
      if (entry.exists && Matches(kind, entry.name)) names.push_back(entry.name);
      if (entry.exists) continue;
      for (const std::string& twin : entry.twins) {
        if (Matches(kind, twin)) names.push_back(twin);
      }
    }
  }
  SortFoldedNames(names);
  search = std::make_unique<SnapshotSearch>(std::move(names));
  return FsError::Ok;
}

FsError OverlayFileSystem::ListSubdirectories(const std::string& directory,
                                              DirectoryListing& listing) {
  Entry self;
  if (const FsError error = Describe(path::Key(directory), self); error != FsError::Ok)
    return error;
  if (!self.directory) return FsError::PathNotFound;
  DirectoryListing found;  // a directory the overlay made has nothing on disk
  if (!self.origin.empty()) {
    if (const FsError error = inner_.ListSubdirectories(self.origin, found); error != FsError::Ok)
      return error;
  }
  const auto changed = changes_.find(path::Key(directory));
  if (changed != changes_.end()) {
    // Names the overlay knows of come from its records, as they now are.
    std::erase_if(found.subdirectories, [&](const Subdirectory& entry) {
      return changed->second.contains(FoldName(entry.name));
    });
    for (const auto& [folded, entry] : changed->second) {
      if (!entry.exists || !entry.directory) continue;
      Subdirectory added{entry.name, false, 0, 0};
      FileInfo info;  // a moved directory keeps its identity; a new one has none yet
      if (!entry.origin.empty() && inner_.GetInfo(entry.origin, info) == FsError::Ok) {
        added.device = info.device;
        added.inode = info.inode;
      }
      found.subdirectories.push_back(std::move(added));
    }
    std::sort(found.subdirectories.begin(), found.subdirectories.end(),
              [](const Subdirectory& a, const Subdirectory& b) {
                return CompareFoldedNames(a.name, b.name);
              });
  }
  listing = std::move(found);
  return FsError::Ok;
}

DriveKind OverlayFileSystem::GetDriveKind(const std::string& directory) {
  return inner_.GetDriveKind(Below(directory).value_or(directory));
}

FsError OverlayFileSystem::ProbeWritable(const std::string& directory) {
  const std::optional<std::string> below = Below(directory);
  return below ? inner_.ProbeWritable(*below) : FsError::PathNotFound;
}

FsError OverlayFileSystem::Writable(const std::string& directory) {
  // A change the disk would refuse is refused here too, so that a plan says what the real
  // run or undo will do in a read-only directory. Asked once per directory.
  const std::string key = path::Key(directory);
  auto known = writable_.find(key);
  if (known == writable_.end()) {
    FsError probe = ProbeWritable(key);
    if (probe != FsError::WriteProtect && probe != FsError::AccessDenied) probe = FsError::Ok;
    known = writable_.emplace(key, probe).first;
  }
  return known->second;
}

FsError OverlayFileSystem::OpenLog(const std::string&, std::unique_ptr<LogFile>& file) {
  file = std::make_unique<DiscardingLog>();
  return FsError::Ok;
}

FsError OverlayFileSystem::ReadWholeFile(const std::string& path, std::size_t limit,
                                         std::string& contents) {
  const std::optional<std::string> below = Below(path);
  return below ? inner_.ReadWholeFile(*below, limit, contents) : FsError::PathNotFound;
}

FsError OverlayFileSystem::ReplaceFileAtomically(const std::string&, std::string_view) {
  return FsError::Ok;
}

FsError OverlayFileSystem::ReplaceWithTail(const std::string&, std::uint64_t) {
  return FsError::Ok;
}

FsError OverlayFileSystem::ResolvePath(const std::string& path, std::string& resolved) {
  return inner_.ResolvePath(path, resolved);
}

FsError OverlayFileSystem::MoveBackAndDescribe(const std::string& from, const std::string& to,
                                               FileInfo& moved) {
  restoring_ = true;
  const FsError error = MoveAndDescribe(from, to, moved);
  restoring_ = false;
  return error;
}

FsError OverlayFileSystem::LockDirectory(const std::string& directory,
                                         std::unique_ptr<DirectoryLock>& lock) {
  // A plan made while another run works there would be wrong: the same lock is asked for.
  const std::optional<std::string> below = Below(directory);
  return below ? inner_.LockDirectory(*below, lock) : FsError::PathNotFound;
}

}  // namespace qlm
