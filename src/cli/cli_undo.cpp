#include "cli/cli_undo.h"

#include <cstdio>

#include "cli/cli_app.h"
#include "cli/terminal_view.h"
#include "engine/undo.h"
#include "platform/clock.h"
#include "platform/overlay_file_system.h"

namespace qlm::cli {

namespace {

std::string Describe(const UndoItem& item) {
  const std::string current = Printable(item.current);
  switch (item.outcome) {
    case UndoItem::Outcome::Restored:
      return current + " -> " + Printable(item.restored_name);
    case UndoItem::Outcome::Renumbered:
      return current + " -> " + Printable(item.restored_name) + " (" + Printable(item.original) +
             " is taken now)";
    case UndoItem::Outcome::Missing:
      return current + ": left alone (moved or deleted since the run; it was " +
             Printable(item.original) + ")";
    case UndoItem::Outcome::Changed:
      return current + ": left alone (changed since the run; it was " + Printable(item.original) +
             ")";
    case UndoItem::Outcome::Failed:
      return current + ": could not be put back to " + Printable(item.original) + " (" +
             std::string(ErrorText(item.error)) + ")";
  }
  return current;
}

}  // namespace

int RunUndo(FileSystem& disk, bool dry_run, const std::string& program_directory,
            const std::optional<std::string>& directory) {
  OverlayFileSystem overlay(disk);
  FileSystem& fs = dry_run ? static_cast<FileSystem&>(overlay) : disk;
  UndoResult run = FindRunToUndo(fs, program_directory, directory);
  for (const std::string& warning : run.warnings) {
    std::fprintf(stderr, "quillomat-cli: %s\n", Printable(warning).c_str());
  }
  if (!run.found) {
    std::fprintf(stderr, "quillomat-cli: no run to undo%s%s in the journal\n",
                 directory ? " on " : "", directory ? Printable(*directory).c_str() : "");
    return kExitEndedEarly;
  }
  if (dry_run) std::fputs("Dry run: nothing on disk is changed.\n", stderr);
  std::fprintf(stderr, "Undoing the run of %s on %s (%zu files)\n", run.started.c_str(),
               Printable(run.directory).c_str(), run.items.size());
  SystemClock clock;
  UndoRun(fs, clock, program_directory, run);
  for (const UndoItem& item : run.items)
    std::printf("%s\n", Describe(item).c_str());
  return kExitCompleted;
}

}  // namespace qlm::cli
