#include "engine/undo.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <utility>

#include "common/text.h"
#include "engine/journal.h"
#include "platform/file_system.h"
#include "platform/path.h"

namespace qlm {

namespace {

std::string WithSlash(std::string directory) {
  return path::WithSeparator(std::move(directory));
}

// The directory as a comparison key: one trailing separator, however many were given.
std::string DirectoryKey(const std::string& directory) {
  return WithSlash(path::Key(directory));
}

std::string_view ExtensionOf(std::string_view name) {
  const std::size_t point = name.rfind('.');
  return point == std::string_view::npos ? std::string_view{} : name.substr(point);
}

std::string Stem(std::string name) {
  StripExtension(name);
  return name;
}

// One document's way through the runs of a unit: the names it was given, in order.
struct Chain {
  std::vector<std::string> names;  // names[0] is the name before the runs
  bool original_known = true;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t mtime_ns = 0;
  std::string last_from;  // the source of its latest move (where it is if that was not made)
};

// The runs of a unit, oldest first, with their moves.
struct Unit {
  std::vector<std::int64_t> ids;
  bool finishes_undo = false;
};

// Follows the documents through the moves of `runs` (in `ids` order). A move continues the
// chain that ended at its source (the move before it was made) or retries the chain whose
// latest move had the same source (that move was not made: the name was taken); otherwise it
// starts a document. Names are followed, not identities alone, so that two names of one file
// (hard links) stay two documents.
std::vector<Chain> FollowChains(const std::vector<JournalRun>& runs,
                                const std::vector<std::int64_t>& ids) {
  std::vector<Chain> chains;
  // The chains whose latest move gives them a name, and those whose latest move leaves one
  // (several: a move that was not made names a file that another chain holds).
  std::map<std::string, std::vector<std::size_t>> at;
  std::map<std::string, std::vector<std::size_t>> leaving;
  // The chain of the file `inode` in `names` under `name`, or chains.size(); removes it there.
  const auto take = [&](std::map<std::string, std::vector<std::size_t>>& names,
                        const std::string& name, std::uint64_t inode) {
    const auto it = names.find(name);
    if (it == names.end()) return chains.size();
    for (auto c = it->second.begin(); c != it->second.end(); ++c) {
      if (chains[*c].inode != inode) continue;
      const std::size_t found = *c;
      it->second.erase(c);
      return found;
    }
    return chains.size();
  };
  // Forgets that `chain` is listed in `names` under `name`.
  const auto drop = [&](std::map<std::string, std::vector<std::size_t>>& names,
                        const std::string& name, std::size_t chain) {
    const auto it = names.find(name);
    if (it != names.end()) std::erase(it->second, chain);
  };
  // Scratch files of a killed run given back their names by the next run: their original is
  // their stem with the killed run's extension when that run did not journal them (a file
  // passing through the scratch name of its own name is not journaled).
  std::string killed_extension;
  for (const std::int64_t id : ids) {
    const auto run =
        std::find_if(runs.begin(), runs.end(), [&](const JournalRun& r) { return r.id == id; });
    if (run == runs.end()) continue;
    for (const JournalMove& move : run->moves) {
      std::size_t chain = take(at, move.from, move.inode);
      if (chain != chains.size()) {
        drop(leaving, chains[chain].last_from, chain);
        chains[chain].names.push_back(move.to);
      } else if (chain = take(leaving, move.from, move.inode); chain != chains.size()) {
        drop(at, chains[chain].names.back(), chain);  // that move was not made
        chains[chain].names.back() = move.to;
      } else {
        Chain fresh;
        fresh.names = {move.from, move.to};
        if (move.step == 'L' && !killed_extension.empty() && IsScratchName(move.from)) {
          fresh.names.front() = Stem(move.from) + killed_extension;
        } else if (IsScratchName(move.from) && move.step != 'L') {
          fresh.original_known = false;  // its first move is missing from the journal
        }
        chains.push_back(std::move(fresh));
      }
      Chain& c = chains[chain];
      c.inode = move.inode;
      c.size = move.size;
      c.mtime_ns = move.mtime_ns;
      c.last_from = move.from;
      at[move.to].push_back(chain);
      leaving[move.from].push_back(chain);
    }
    killed_extension = (run->kind != "undo" && !run->ended) ? run->extension : std::string();
    if (killed_extension == "-") killed_extension.clear();
  }
  return chains;
}

// Where the document of `chain` is now in `directory`: the latest of its names that holds a
// file of its identity. Fills the item's current name and outcome.
UndoItem Locate(FileSystem& fs, const std::string& directory, const Chain& chain) {
  UndoItem item;
  item.original = chain.names.front();
  item.inode = chain.inode;
  item.size = chain.size;
  item.mtime_ns = chain.mtime_ns;
  item.current = chain.names.back();
  item.outcome = UndoItem::Outcome::Missing;
  // Where a document parked by an interrupted undo goes when its old name cannot be had: the
  // last name it bore that is no scratch name.
  for (auto name = chain.names.rbegin(); name != chain.names.rend(); ++name) {
    FileInfo info;
    if (fs.GetInfo(directory + *name, info) != FsError::Ok || info.is_link ||
        info.stored_name != *name || info.inode != chain.inode) {
      continue;
    }
    item.current = *name;
    for (auto before = name; before != chain.names.rend(); ++before) {
      if (!IsScratchName(*before)) {
        item.fallback = *before;
        break;
      }
    }
    // A directory named like a page is renamed like one; its modification time changes with
    // every name made inside it (a tree run's next run there, to begin with), so its inode
    // alone tells it.
    item.outcome = info.is_directory || (info.size == chain.size && info.mtime_ns == chain.mtime_ns)
                       ? UndoItem::Outcome::Pending
                       : UndoItem::Outcome::Changed;
    break;
  }
  if (!chain.original_known && item.outcome == UndoItem::Outcome::Pending) {
    item.outcome = UndoItem::Outcome::Unknown;
  }
  return item;
}

// The unit that undoing `chosen` puts back (see undo.h), from `candidates` (the runs on the
// same directory, newest first, `chosen` among them).
Unit UnitOf(const std::vector<const JournalRun*>& candidates, std::size_t chosen) {
  const JournalRun& run = *candidates[chosen];
  Unit unit;
  if (run.kind == "undo") {
    if (!run.ended) {
      unit.ids = run.undoes;  // finish it: the runs it was putting back, then its own moves
      unit.finishes_undo = true;
    }
    unit.ids.push_back(run.id);
    return unit;
  }
  unit.ids.push_back(run.id);
  for (std::size_t older = chosen + 1; older < candidates.size(); ++older) {
    const JournalRun& previous = *candidates[older];
    if (previous.kind == "undo" || previous.ended) break;
    unit.ids.insert(unit.ids.begin(), previous.id);  // a killed run this one continued
  }
  return unit;
}

// The scratch files a killed run left that no journaled move accounts for: files it passed
// through the scratch name of their own name, which it does not journal. They go back to that
// name with the run's extension, as the next run would give it them.
void AddUnjournaledLeftovers(FileSystem& fs, const std::string& directory, const JournalRun& run,
                             const std::set<std::string>& accounted, std::vector<UndoItem>& items) {
  std::unique_ptr<DirectorySearch> search;
  if (fs.OpenSearch(directory, SearchKind::Scratch, search) != FsError::Ok) return;
  const std::string extension =
      run.extension == ".htm" || run.extension == ".html" ? run.extension : ".htm";
  for (std::string name; search->Next(name);) {
    FileInfo info;
    if (accounted.count(name) != 0 || fs.GetInfo(directory + name, info) != FsError::Ok ||
        !info.is_regular || info.is_link) {
      continue;
    }
    UndoItem item;
    item.original = Stem(name) + extension;
    item.current = name;
    item.fallback = item.original;
    item.inode = info.inode;
    item.size = info.size;
    item.mtime_ns = info.mtime_ns;
    items.push_back(std::move(item));
  }
}

// True when `run` worked in the directory whose path is `key` and inode `inode` (0: gone).
bool WorkedIn(const JournalRun& run, const std::string& key, std::uint64_t inode) {
  if (run.directory_inode != 0 && inode != 0) return run.directory_inode == inode;
  return DirectoryKey(run.directory) == key;
}

}  // namespace

UndoResult FindRunToUndo(FileSystem& fs, const std::string& program_directory,
                         const std::optional<std::string>& directory) {
  UndoResult result;
  if (program_directory.empty()) return result;  // no program directory: no journal either
  const std::string path = WithSlash(program_directory) + std::string(kJournalName);
  const std::vector<JournalRun> headers = ReadJournal(fs, path, {}, result.warnings);
  std::string key;
  std::uint64_t inode = 0;
  if (directory) {
    key = DirectoryKey(*directory);
    FileInfo info;
    if (fs.GetInfo(key, info) == FsError::Ok && info.is_directory) inode = info.inode;
  }
  // Newest first; without a directory, the newest run's directory decides.
  std::vector<const JournalRun*> candidates;
  for (auto run = headers.rbegin(); run != headers.rend(); ++run) {
    if (!directory && candidates.empty()) {
      key = DirectoryKey(run->directory);
      FileInfo info;
      if (fs.GetInfo(key, info) == FsError::Ok && info.is_directory) inode = info.inode;
    }
    if (WorkedIn(*run, key, inode)) candidates.push_back(&*run);
  }
  for (std::size_t chosen = 0; chosen < candidates.size(); ++chosen) {
    if (candidates[chosen]->move_count == 0) continue;
    const Unit unit = UnitOf(candidates, chosen);
    std::vector<std::string> ignored;  // the first pass reported every bad line already
    const std::vector<JournalRun> runs = ReadJournal(fs, path, unit.ids, ignored);
    std::vector<UndoItem> items;
    std::set<std::string> accounted;
    for (const Chain& chain : FollowChains(runs, unit.ids)) {
      UndoItem item = Locate(fs, key, chain);
      accounted.insert(item.current);
      // A document already under its old name has nothing to undo; one the journal cannot
      // place is reported only when the unit has something else to put back.
      if (item.current != item.original) items.push_back(std::move(item));
    }
    if (const JournalRun& newest = *candidates[chosen]; newest.kind != "undo" && !newest.ended) {
      AddUnjournaledLeftovers(fs, key, newest, accounted, items);
    }
    const bool effective = std::any_of(items.begin(), items.end(), [](const UndoItem& item) {
      return item.outcome != UndoItem::Outcome::Unknown;
    });
    if (!effective) continue;  // this run renamed nothing that is still renamed: look further
    result.found = true;
    result.run_ids = unit.ids;
    result.finishes_undo = unit.finishes_undo;
    result.directory = key;
    result.started = candidates[chosen]->started;
    result.items = std::move(items);
    if (inode == 0) {
      result.warnings.push_back("the directory " + key +
                                " is not where the run left it (renamed or moved since?): "
                                "undo it by its new path");
    }
    return result;
  }
  return result;
}

namespace {

// Moves `from` to `target` in `directory` (names), numbering the target with its extension
// while the name is taken; journals each try first. Returns the result; `target` holds the
// name used. `back` allows the names an undo may put back (see MoveBackAndDescribe).
FsError MoveNumbered(FileSystem& fs, RunJournal& journal, const std::string& directory,
                     const std::string& from, std::string& target, const UndoItem& item,
                     bool back) {
  FileInfo identity;
  identity.inode = item.inode;
  identity.size = item.size;
  identity.mtime_ns = item.mtime_ns;
  const std::string extension(ExtensionOf(target));
  std::string numbered = target;
  FsError error = FsError::AlreadyExists;
  for (std::int32_t n = 0; error == FsError::AlreadyExists && n < INT32_MAX; ++n) {
    if (n > 0) MakeNumberedName(numbered, n, extension);
    journal.Intend('U', from, numbered, identity);
    FileInfo moved;
    error = back ? fs.MoveBackAndDescribe(directory + from, directory + numbered, moved)
                 : fs.MoveAndDescribe(directory + from, directory + numbered, moved);
    if (error == FsError::Ok) target = numbered;
  }
  return error;
}

}  // namespace

void UndoRun(FileSystem& fs, const Clock& clock, const std::string& program_directory,
             UndoResult& run, JournalTree* tree) {
  if (!run.found) return;
  const std::string& directory = run.directory;
  std::unique_ptr<DirectoryLock> lock;
  if (fs.LockDirectory(directory, lock) == FsError::SharingViolation) {
    run.busy = true;
    return;
  }
  FileInfo folder;
  fs.GetInfo(directory, folder);
  // An undo's own undo (a redo) is undone by undoing it; the runs it undid are named in it.
  RunJournal journal(fs, clock, program_directory.empty() ? "" : WithSlash(program_directory),
                     "undo", directory, folder.inode, "", run.run_ids, tree);
  // First every document to a scratch name, then each to its old name: documents that swapped
  // names in the run would otherwise block each other.
  std::vector<std::pair<UndoItem*, std::string>> parked;
  for (UndoItem& item : run.items) {
    if (item.outcome != UndoItem::Outcome::Pending) continue;
    // Parked under its present name's stem: a name the run made, valid everywhere (the old
    // name's stem may be one only an undo may make, such as "con").
    std::string scratch = Stem(item.current) + ".qlm";
    if (IsScratchName(item.current)) {
      scratch = item.current;  // already parked by an undo that was interrupted
    } else {
      item.error = MoveNumbered(fs, journal, directory, item.current, scratch, item, false);
      if (item.error != FsError::Ok) {
        item.outcome = UndoItem::Outcome::Failed;
        item.restored_name = item.current;
        continue;
      }
    }
    parked.emplace_back(&item, scratch);
  }
  for (auto& [item, scratch] : parked) {
    std::string target = item->original;
    item->error = MoveNumbered(fs, journal, directory, scratch, target, *item, true);
    if (item->error == FsError::Ok) {
      item->restored_name = target;
      item->outcome =
          target == item->original ? UndoItem::Outcome::Restored : UndoItem::Outcome::Renumbered;
      continue;
    }
    // Never left under a scratch name: back to the name it had when the undo began.
    item->outcome = UndoItem::Outcome::Failed;
    std::string back = item->fallback.empty() ? item->current : item->fallback;
    if (MoveNumbered(fs, journal, directory, scratch, back, *item, true) == FsError::Ok) {
      item->restored_name = back;
    } else {
      item->restored_name = scratch;
    }
  }
  journal.End();
}

bool EverythingPutBack(const UndoResult& run) {
  return run.found && !run.busy &&
         std::all_of(run.items.begin(), run.items.end(), [](const UndoItem& item) {
           return item.outcome == UndoItem::Outcome::Restored ||
                  item.outcome == UndoItem::Outcome::Renumbered;
         });
}

}  // namespace qlm
