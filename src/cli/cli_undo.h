// quillomat-cli --undo: puts back the names of the most recent journaled run, or tree run.
#pragma once

#include <optional>
#include <string>

namespace qlm {
class FileSystem;
}

namespace qlm::cli {

// Undoes the most recent run on `directory` (of all runs when nullopt) with the journal in
// `program_directory`; with `dry_run` prints what it would do and changes nothing. Prints one
// line per file on stdout. Returns 0 when every name was put back; 1 when something was left
// alone or failed, when there was nothing to undo, or when another run works there.
int RunUndo(FileSystem& disk, bool dry_run, const std::string& program_directory,
            const std::optional<std::string>& directory);

// Undoes the most recent tree run within `directory` (of all tree runs when nullopt), each of
// its directories under its path on stdout. Returns 0 when every name was put back; 1 when
// something was left alone or failed (a directory a later run changed, one another run works
// in), or when there was no tree run to undo.
int RunTreeUndo(FileSystem& disk, bool dry_run, const std::string& program_directory,
                const std::optional<std::string>& directory);

}  // namespace qlm::cli
