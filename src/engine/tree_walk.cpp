#include "engine/tree_walk.h"

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/path.h"

namespace qlm {

namespace {

using Identity = std::pair<std::uint64_t, std::uint64_t>;  // device, inode; zeros: unknown

bool Known(const Identity& identity) {
  return identity.first != 0 || identity.second != 0;
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// A directory waiting to be walked.
struct Pending {
  std::string path;
  std::string name;      // empty for the root
  std::size_t depth;     // 0 for the root
  bool is_link = false;  // a link to a directory, as its parent's listing found it
  Identity listed;       // as its parent's listing found it
};

// Why a directory that could not be listed is skipped.
TreeSkip SkipFor(FsError error) {
  // Its parent listed it as a directory: a link in its place now was swapped in since.
  if (error == FsError::StoppedOnSymlink) return TreeSkip::Replaced;
  if (error == FsError::FilenameTooLong) return TreeSkip::TooLong;
  return TreeSkip::Unreadable;
}

}  // namespace

bool IsBackupDirectoryName(std::string_view name) {
  if (name.size() == 6) {
    constexpr std::string_view kBackup = "backup";
    for (std::size_t i = 0; i < name.size(); ++i) {
      const char c = name[i] >= 'A' && name[i] <= 'Z' ? static_cast<char>(name[i] + 32) : name[i];
      if (c != kBackup[i]) return false;
    }
    return true;
  }
  // A date stamp: eight digits that make a month and a day, then "-N" when numbered.
  if (name.size() < 8 || !AllDigits(name.substr(0, 8))) return false;
  const int month = (name[4] - '0') * 10 + (name[5] - '0');
  const int day = (name[6] - '0') * 10 + (name[7] - '0');
  if (month < 1 || month > 12 || day < 1 || day > 31) return false;
  if (name.size() == 8) return true;
  const std::string_view number = name.substr(9);
  return name[8] == '-' && AllDigits(number) && number[0] != '0';
}

bool WalkTree(FileSystem& fs, const std::string& root, TreeVisitor& visitor) {
  std::vector<Pending> pending{{root, "", 0, false, {}}};
  std::vector<Identity> above;  // the directories on the way to the one in hand
  std::set<Identity> entered;
  while (!pending.empty()) {
    const Pending next = std::move(pending.back());
    pending.pop_back();
    above.resize(next.depth);
    if (next.is_link) {
      visitor.Skip(next.path, TreeSkip::Link, FsError::Ok);
      continue;
    }
    if (next.depth > 0 && IsBackupDirectoryName(next.name)) {
      visitor.Skip(next.path, TreeSkip::Backup, FsError::Ok);
      continue;
    }
    DirectoryListing listing;
    if (const FsError error = fs.ListSubdirectories(next.path, listing); error != FsError::Ok) {
      visitor.Skip(next.path, SkipFor(error), error);
      continue;
    }
    const Identity self{listing.device, listing.inode};
    if (next.depth > 0 && Known(next.listed) && self != next.listed) {
      visitor.Skip(next.path, TreeSkip::Replaced, FsError::Ok);
      continue;
    }
    if (Known(self)) {
      if (std::find(above.begin(), above.end(), self) != above.end()) {
        visitor.Skip(next.path, TreeSkip::Loop, FsError::Ok);
        continue;
      }
      if (!entered.insert(self).second) {
        visitor.Skip(next.path, TreeSkip::Repeat, FsError::Ok);
        continue;
      }
    }
    if (!visitor.Visit(next.path)) return false;
    // Listed again: the visit may have renamed a subdirectory. Should that fail, the listing
    // taken before the visit still says where to go on.
    DirectoryListing after;
    if (fs.ListSubdirectories(next.path, after) == FsError::Ok) {
      if (Known(self) && Identity{after.device, after.inode} != self) {
        visitor.Skip(next.path, TreeSkip::Replaced, FsError::Ok);
        continue;
      }
      listing = std::move(after);
    }
    above.push_back(self);
    // Pushed last to first, so that they are taken first to last.
    for (auto entry = listing.subdirectories.rbegin(); entry != listing.subdirectories.rend();
         ++entry) {
      pending.push_back(Pending{path::Join(next.path, entry->name), entry->name, next.depth + 1,
                                entry->is_link, Identity{entry->device, entry->inode}});
    }
  }
  return true;
}

}  // namespace qlm
