// Puts back the names of journaled runs. What is undone is a unit a user recognises: the
// latest run on a directory that changed names there; together with the killed run it
// continued, if any (back to the names before the killed run); an interrupted undo is
// finished, not reversed; a finished undo is undone (which redoes its runs).
//
// Each document is found by its identity (inode, size, modification time) at the names its
// journaled moves gave it, and goes back to the name it had before, through a scratch name
// first so that documents that swapped names cannot block each other; when that name is taken
// now, to a numbered one. An undo never leaves a document under a scratch name: a step it
// cannot complete is put back. A document moved, deleted or changed since is left alone. The
// undo is itself journaled.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/errors.h"

namespace qlm {

class Clock;
class FileSystem;
class JournalTree;

struct UndoItem {
  enum class Outcome {
    Pending,     // not tried yet
    Restored,    // back under its old name
    Renumbered,  // its old name is taken now: it got a numbered one (restored_name)
    Missing,     // no longer there under any name the runs gave it
    Changed,     // there, but edited since
    Unknown,     // the journal does not tell its name before the run
    Failed,      // the move failed (error); it is where restored_name says
  };
  std::string original;       // the name before the run(s)
  std::string current;        // the name it bore when the undo began
  std::string restored_name;  // where it is after the undo (Restored, Renumbered, Failed)
  std::string fallback;       // the name it goes back to when its old name cannot be had
  Outcome outcome = Outcome::Pending;
  FsError error = FsError::Ok;
  // The identity the journal gives the document.
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t mtime_ns = 0;
};

struct UndoResult {
  bool found = false;                 // a run to undo was found
  std::vector<std::int64_t> run_ids;  // the runs put back, oldest first
  bool finishes_undo = false;         // an interrupted undo is finished
  bool busy = false;                  // another run works on the directory: nothing was done
  std::string directory;              // where the runs worked, ending in '/'
  std::string started;                // when the newest of them began
  std::vector<UndoItem> items;
  std::vector<std::string> warnings;  // journal lines that could not be read, and the like
};

// What undo would put back on `directory` (with or without a trailing '/'; a directory renamed
// since is found by its new path) or, without it, in the most recent unit of all. found is
// false when there is none.
UndoResult FindRunToUndo(FileSystem& fs, const std::string& program_directory,
                         const std::optional<std::string>& directory);

// Undoes what FindRunToUndo found, filling each item's outcome. Works on `fs` only, so a dry
// run passes an overlay. Holds the directory's run lock meanwhile; when another run holds it,
// nothing is done and `busy` is set. `tree`, when given, is the undo of a tree run this undo
// is one directory of (see JournalTree).
void UndoRun(FileSystem& fs, const Clock& clock, const std::string& program_directory,
             UndoResult& run, JournalTree* tree = nullptr);

// True when every item was put back (under its old or a numbered name).
bool EverythingPutBack(const UndoResult& run);

}  // namespace qlm
