// Undo of a tree run (quillomat-cli --undo --recursive): each directory run of the tree is
// undone by the per-directory undo (undo.h), newest first, so that a directory a run renamed
// (one named like a page) is undone inside before it gets its old name back.
//
// Which tree: the most recent tree run whose directories all lie in the directory given (or
// of all, without one) and that still has names to put back. A tree run is undone as a whole;
// a directory where a later run (or undo) has changed names since is left alone and reported,
// since undoing it would undo that later run instead. An undo of a tree that was interrupted
// is finished, not reversed; undoing a finished one redoes the tree.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/undo.h"

namespace qlm {

class Clock;
class FileSystem;

struct TreeUndoStep {
  enum class Status {
    Undo,        // `undo` puts back what the tree's run there did
    LaterFirst,  // a later run or undo there has to be undone first: left alone
    Nothing,     // nothing of the tree's run there is still to put back
  };
  std::int64_t run = 0;   // the tree's run in this directory
  std::string directory;  // where it worked, ending in '/'
  Status status = Status::Nothing;
  UndoResult undo;  // what FindRunToUndo found for the directory
};

struct TreeUndo {
  bool found = false;          // a tree run with names still to put back was found
  std::int64_t tree = 0;       // the tree whose runs are undone
  bool finishes_undo = false;  // an interrupted undo of that tree is finished
  bool redoes = false;         // the tree is itself an undo: undoing it redoes the tree it undid
  std::string started;         // when the tree's first run began
  std::vector<TreeUndoStep> steps;  // the tree's runs that moved something, newest first
  std::vector<std::string> warnings;
  // The number the undo's own runs name as their tree: that of the interrupted undo being
  // finished, else 0 (a new tree). Set by FindTreeToUndo, read by UndoTree.
  std::int64_t journal_tree = 0;
};

// What undoing the most recent tree run within `within` (a directory, with or without a
// trailing '/'; all tree runs without it) would do. found is false when there is none; it is
// true also when later runs block every directory of the tree (each step says so).
TreeUndo FindTreeToUndo(FileSystem& fs, const std::string& program_directory,
                        const std::optional<std::string>& within);

// Undoes each step whose status is Undo, newest first (see UndoRun), its runs journaled as one
// tree. Works on `fs` only, so a dry run passes an overlay.
void UndoTree(FileSystem& fs, const Clock& clock, const std::string& program_directory,
              TreeUndo& plan);

}  // namespace qlm
