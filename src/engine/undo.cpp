#include "engine/undo.h"

#include <map>
#include <utility>

#include "common/text.h"
#include "engine/journal.h"
#include "platform/file_system.h"

namespace qlm {

namespace {

std::string WithSlash(std::string directory) {
  if (directory.empty() || directory.back() != '/') directory += '/';
  return directory;
}

// The directory as a comparison key: one trailing '/', however many were given.
std::string DirectoryKey(std::string directory) {
  while (directory.size() > 1 && directory.back() == '/')
    directory.pop_back();
  return WithSlash(std::move(directory));
}

std::string_view ExtensionOf(std::string_view name) {
  const std::size_t point = name.rfind('.');
  return point == std::string_view::npos ? std::string_view{} : name.substr(point);
}

// Moves `from` to `target`, numbering the target (MakeNumberedName with `extension`) while
// the name is taken. Returns the result; `target` holds the name used and `moved` the file.
FsError MoveNumbered(FileSystem& fs, const std::string& from, std::string& target,
                     std::string_view extension, FileInfo& moved) {
  FsError error = fs.MoveAndDescribe(from, target, moved);
  std::string numbered = target;
  for (std::int32_t n = 1; error == FsError::AlreadyExists && n < INT32_MAX; ++n) {
    MakeNumberedName(numbered, n, extension);
    target = numbered;
    error = fs.MoveAndDescribe(from, target, moved);
  }
  return error;
}

bool StillTheSame(FileSystem& fs, const std::string& directory, UndoItem& item) {
  FileInfo info;
  if (fs.GetInfo(directory + item.current, info) != FsError::Ok ||
      info.stored_name != item.current) {
    item.outcome = UndoItem::Outcome::Missing;
    return false;
  }
  if (info.device != item.device || info.inode != item.inode || info.size != item.size ||
      info.mtime_ns != item.mtime_ns) {
    item.outcome = UndoItem::Outcome::Changed;
    return false;
  }
  return true;
}

}  // namespace

UndoResult FindRunToUndo(FileSystem& fs, const std::string& program_directory,
                         const std::optional<std::string>& directory) {
  UndoResult result;
  if (program_directory.empty()) return result;  // no program directory: no journal either
  const std::string path = WithSlash(program_directory) + std::string(kJournalName);
  const std::vector<JournalRun> runs = ReadJournal(fs, path, false, 0, result.warnings);
  const JournalRun* chosen = nullptr;
  for (const JournalRun& run : runs) {
    if (directory && DirectoryKey(run.directory) != DirectoryKey(*directory)) continue;
    if (chosen == nullptr || run.id > chosen->id) chosen = &run;
  }
  if (chosen == nullptr) return result;
  result.found = true;
  result.run_id = chosen->id;
  result.directory = DirectoryKey(chosen->directory);
  result.started = chosen->started;

  std::vector<std::string> ignored;  // the first pass reported every bad line already
  std::vector<JournalRun> with_moves = ReadJournal(fs, path, true, chosen->id, ignored);
  std::map<std::pair<std::uint64_t, std::uint64_t>, std::size_t> chains;
  for (const JournalRun& run : with_moves) {
    if (run.id != chosen->id) continue;
    for (const JournalMove& move : run.moves) {
      const auto key = std::make_pair(move.device, move.inode);
      auto [it, fresh] = chains.try_emplace(key, result.items.size());
      if (fresh) {
        UndoItem item;
        // A leftover scratch file given back its name starts from that name: its older
        // name belongs to the interrupted run that left it.
        item.original = move.step == 'L' ? move.to : move.from;
        result.items.push_back(std::move(item));
      }
      UndoItem& item = result.items[it->second];
      item.current = move.to;
      item.device = move.device;
      item.inode = move.inode;
      item.size = move.size;
      item.mtime_ns = move.mtime_ns;
    }
  }
  std::erase_if(result.items, [](const UndoItem& item) { return item.original == item.current; });
  return result;
}

void UndoRun(FileSystem& fs, const Clock& clock, const std::string& program_directory,
             UndoResult& run) {
  if (!run.found) return;
  const std::string& directory = run.directory;
  RunJournal journal(fs, clock, program_directory.empty() ? "" : WithSlash(program_directory),
                     "undo");
  // First every file to a scratch name, then each to its old name: files that swapped names
  // in the run would otherwise block each other.
  std::vector<std::pair<UndoItem*, std::string>> parked;
  for (UndoItem& item : run.items) {
    if (!StillTheSame(fs, directory, item)) continue;
    std::string base = item.original;
    StripExtension(base);
    std::string scratch = directory + base + ".qlm";
    FileInfo moved;
    item.error = MoveNumbered(fs, directory + item.current, scratch, ".qlm", moved);
    if (item.error != FsError::Ok) {
      item.outcome = UndoItem::Outcome::Failed;
      continue;
    }
    journal.RecordMove(directory, 'U', item.current, FileNamePart(scratch), moved);
    parked.emplace_back(&item, scratch);
  }
  for (auto& [item, scratch] : parked) {
    std::string target = directory + item->original;
    FileInfo moved;
    item->error = MoveNumbered(fs, scratch, target, ExtensionOf(item->original), moved);
    item->restored_name = FileNamePart(item->error == FsError::Ok ? target : scratch);
    if (item->error != FsError::Ok) {
      item->outcome = UndoItem::Outcome::Failed;
      continue;
    }
    journal.RecordMove(directory, 'U', FileNamePart(scratch), item->restored_name, moved);
    item->outcome = item->restored_name == item->original ? UndoItem::Outcome::Restored
                                                          : UndoItem::Outcome::Renumbered;
  }
  journal.End();
}

}  // namespace qlm
