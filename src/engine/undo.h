// Puts back the names of one journaled run: each file whose identity (device, inode, size,
// modification time) still matches goes back to the name it had before that run, through a
// scratch name first so that files that swapped names cannot block each other. A file moved,
// deleted or changed since is left alone. The undo is itself journaled, so undoing it redoes
// the run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/errors.h"

namespace qlm {

class Clock;
class FileSystem;

struct UndoItem {
  enum class Outcome {
    Restored,    // back under its old name
    Renumbered,  // its old name is taken now: it got a numbered one (restored_name)
    Missing,     // no longer there under the name the run gave it
    Changed,     // there, but another file or edited since
    Failed,      // the move failed (error)
  };
  std::string original;       // the name before the run
  std::string current;        // the name the run left it with
  std::string restored_name;  // what it is called now (Restored, Renumbered)
  Outcome outcome = Outcome::Restored;
  FsError error = FsError::Ok;
  // The identity the run left the file with.
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t mtime_ns = 0;
};

struct UndoResult {
  bool found = false;  // a run to undo was found
  std::int64_t run_id = 0;
  std::string directory;  // the run's directory, ending in '/'
  std::string started;
  std::vector<UndoItem> items;
  std::vector<std::string> warnings;  // journal lines that could not be read
};

// The most recent journaled run, on `directory` when given (with or without a trailing '/'),
// with its moves; found is false when there is none.
UndoResult FindRunToUndo(FileSystem& fs, const std::string& program_directory,
                         const std::optional<std::string>& directory);

// Undoes the run FindRunToUndo found, filling each item's outcome. Works on `fs` only, so a
// dry run passes an overlay.
void UndoRun(FileSystem& fs, const Clock& clock, const std::string& program_directory,
             UndoResult& run);

}  // namespace qlm
