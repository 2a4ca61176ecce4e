#include "cli/cli_undo.h"

#include <cstdio>

#include "cli/cli_app.h"
#include "cli/terminal_view.h"
#include "engine/tree_undo.h"
#include "engine/undo.h"
#include "platform/clock.h"
#include "platform/overlay_file_system.h"
#include "platform/path.h"

namespace qlm::cli {

namespace {

// One line per document: where it went, or why it stays where it is.
std::string Describe(const UndoItem& item) {
  const std::string current = Printable(item.current);
  const std::string original = Printable(item.original);
  switch (item.outcome) {
    case UndoItem::Outcome::Restored:
      return current + " -> " + Printable(item.restored_name);
    case UndoItem::Outcome::Renumbered:
      return current + " -> " + Printable(item.restored_name) + " (" + original + " is taken now)";
    case UndoItem::Outcome::Missing:
      return current + ": left alone (moved or deleted since the run; it was " + original + ")";
    case UndoItem::Outcome::Changed:
      return current + ": left alone (changed since the run; it was " + original + ")";
    case UndoItem::Outcome::Unknown:
      return current + ": left alone (the journal does not tell its name before the run)";
    case UndoItem::Outcome::Pending:
      return current + ": left alone (not reached)";
    case UndoItem::Outcome::Failed:
      return current + ": could not be put back to " + original + " (" +
             std::string(ErrorText(item.error)) + "); it is now " + Printable(item.restored_name);
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
  std::fprintf(
      stderr, "%s the run of %s on %s%s (%zu files)\n",
      run.finishes_undo ? "Finishing the interrupted undo of" : "Undoing", run.started.c_str(),
      Printable(run.directory).c_str(),
      run.run_ids.size() > 1 && !run.finishes_undo ? " and the killed run it continued" : "",
      run.items.size());
  SystemClock clock;
  UndoRun(fs, clock, program_directory, run);
  if (run.busy) {
    std::fprintf(stderr,
                 "quillomat-cli: another Quillomat run is working on %s; nothing was "
                 "undone\n",
                 Printable(run.directory).c_str());
    return kExitEndedEarly;
  }
  for (const UndoItem& item : run.items)
    std::printf("%s\n", Describe(item).c_str());
  return EverythingPutBack(run) ? kExitCompleted : kExitEndedEarly;
}

int RunTreeUndo(FileSystem& disk, bool dry_run, const std::string& program_directory,
                const std::optional<std::string>& directory) {
  OverlayFileSystem overlay(disk);
  FileSystem& fs = dry_run ? static_cast<FileSystem&>(overlay) : disk;
  TreeUndo plan = FindTreeToUndo(fs, program_directory, directory);
  for (const std::string& warning : plan.warnings) {
    std::fprintf(stderr, "quillomat-cli: %s\n", Printable(warning).c_str());
  }
  if (!plan.found) {
    std::fprintf(stderr, "quillomat-cli: no tree run to undo%s%s in the journal\n",
                 directory ? " within " : "", directory ? Printable(*directory).c_str() : "");
    return kExitEndedEarly;
  }
  if (dry_run) std::fputs("Dry run: nothing on disk is changed.\n", stderr);
  std::fprintf(stderr, "%s the tree run of %s (%zu directories)%s\n",
               plan.finishes_undo ? "Finishing the interrupted undo of" : "Undoing",
               plan.started.c_str(), plan.steps.size(),
               plan.redoes ? ", an undo: the tree run it undid is redone" : "");
  SystemClock clock;
  UndoTree(fs, clock, program_directory, plan);
  bool whole = true;
  bool printed = false;
  for (const TreeUndoStep& step : plan.steps) {
    const std::string where = Printable(path::Key(step.directory));
    if (step.status == TreeUndoStep::Status::LaterFirst) {
      whole = false;
      std::fflush(stdout);
      std::fprintf(stderr,
                   "quillomat-cli: %s left alone: a later run or undo there comes first "
                   "(quillomat-cli --undo %s undoes it)\n",
                   where.c_str(), where.c_str());
      continue;
    }
    if (step.status != TreeUndoStep::Status::Undo) continue;
    if (step.undo.busy) {
      whole = false;
      std::fflush(stdout);
      std::fprintf(stderr,
                   "quillomat-cli: another Quillomat run is working on %s; nothing "
                   "there was undone\n",
                   where.c_str());
      continue;
    }
    std::printf("%s%s:\n", printed ? "\n" : "", where.c_str());
    printed = true;
    for (const UndoItem& item : step.undo.items)
      std::printf("%s\n", Describe(item).c_str());
    whole = whole && EverythingPutBack(step.undo);
  }
  return whole ? kExitCompleted : kExitEndedEarly;
}

}  // namespace qlm::cli
