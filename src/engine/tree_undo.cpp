#include "engine/tree_undo.h"

#include <algorithm>
#include <map>

#include "engine/journal.h"
#include "platform/path.h"

namespace qlm {

namespace {

// A directory as a prefix of the directories below it: one trailing separator.
std::string Key(std::string_view directory) {
  return path::WithSeparator(path::Key(directory));
}

bool Contains(const std::vector<std::int64_t>& ids, std::int64_t id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

struct Tree {
  std::vector<const JournalRun*> runs;  // in the journal's order
  std::int64_t newest = 0;
};

const JournalRun* Find(const std::vector<JournalRun>& headers, std::int64_t id) {
  const auto run = std::find_if(headers.begin(), headers.end(),
                                [&](const JournalRun& header) { return header.id == id; });
  return run == headers.end() ? nullptr : &*run;
}

// What undoing the step's run would do now, from FindRunToUndo on its directory.
void Classify(FileSystem& fs, const std::string& program_directory,
              const std::vector<JournalRun>& headers, TreeUndoStep& step) {
  step.undo = FindRunToUndo(fs, program_directory, step.directory);
  const std::vector<std::int64_t>& found = step.undo.run_ids;
  step.status = TreeUndoStep::Status::Nothing;
  if (step.undo.found && Contains(found, step.run)) {
    step.status = TreeUndoStep::Status::Undo;
  } else if (step.undo.found && *std::max_element(found.begin(), found.end()) > step.run) {
    // A later unit comes first there, unless it is the undo of this very run.
    const JournalRun* later = Find(headers, found.back());
    const bool undid_it = later != nullptr && later->kind == "undo" && later->ended &&
                          Contains(later->undoes, step.run);
    if (!undid_it) step.status = TreeUndoStep::Status::LaterFirst;
  }
}

// What undoing each run of `tree` that moved something would do, newest first.
std::vector<TreeUndoStep> Plan(FileSystem& fs, const std::string& program_directory,
                               const std::vector<JournalRun>& headers, const Tree& tree,
                               std::vector<std::string>& warnings) {
  std::vector<TreeUndoStep> steps;
  for (auto run = tree.runs.rbegin(); run != tree.runs.rend(); ++run) {
    if ((*run)->move_count == 0) continue;
    TreeUndoStep step;
    step.run = (*run)->id;
    step.directory = (*run)->directory;
    Classify(fs, program_directory, headers, step);
    for (const std::string& warning : step.undo.warnings) {
      // Each directory's undo reads the journal again: its bad lines are told once.
      if (std::find(warnings.begin(), warnings.end(), warning) == warnings.end())
        warnings.push_back(warning);
    }
    steps.push_back(std::move(step));
  }
  return steps;
}

bool Any(const std::vector<TreeUndoStep>& steps, TreeUndoStep::Status status) {
  return std::any_of(steps.begin(), steps.end(),
                     [&](const TreeUndoStep& step) { return step.status == status; });
}

// True when the undo `tree` was interrupted: its latest run in some directory did not end
// (one that finished it there later is its latest run there).
bool Interrupted(const Tree& tree) {
  std::map<std::string, const JournalRun*> latest;
  for (const JournalRun* run : tree.runs)
    latest[Key(run->directory)] = run;  // the journal's order is the runs' order
  return std::any_of(latest.begin(), latest.end(),
                     [](const auto& entry) { return !entry.second->ended; });
}

// The tree whose runs the runs of the undo `tree` put back; 0 when there is none.
std::int64_t UndoneTree(const std::vector<JournalRun>& headers, const Tree& tree) {
  for (const JournalRun* run : tree.runs) {
    for (const std::int64_t undone : run->undoes) {
      if (const JournalRun* header = Find(headers, undone); header != nullptr && header->tree != 0)
        return header->tree;
    }
  }
  return 0;
}

}  // namespace

TreeUndo FindTreeToUndo(FileSystem& fs, const std::string& program_directory,
                        const std::optional<std::string>& within) {
  TreeUndo result;
  if (program_directory.empty()) return result;  // no program directory: no journal either
  const std::string path = Key(program_directory) + std::string(kJournalName);
  const std::vector<JournalRun> headers = ReadJournal(fs, path, {}, result.warnings);
  std::map<std::int64_t, Tree> trees;
  for (const JournalRun& run : headers) {
    if (run.tree == 0) continue;
    Tree& tree = trees[run.tree];
    tree.runs.push_back(&run);
    tree.newest = std::max(tree.newest, run.id);
  }
  std::vector<std::pair<std::int64_t, std::int64_t>> candidates;  // newest run, tree
  for (const auto& [id, tree] : trees) {
    const bool inside =
        !within || std::all_of(tree.runs.begin(), tree.runs.end(), [&](const JournalRun* run) {
          return Key(run->directory).starts_with(Key(*within));
        });
    if (inside) candidates.emplace_back(tree.newest, id);
  }
  std::sort(candidates.rbegin(), candidates.rend());
  for (const auto& [newest, id] : candidates) {
    const Tree& tree = trees[id];
    const bool is_undo = std::all_of(tree.runs.begin(), tree.runs.end(),
                                     [](const JournalRun* run) { return run->kind == "undo"; });
    std::int64_t target = id;
    std::vector<TreeUndoStep> steps;
    if (is_undo) {
      // An undo of a tree that still has names of that tree to put back was interrupted:
      // it is finished, and its runs go on naming it.
      if (const std::int64_t undone = UndoneTree(headers, tree); trees.contains(undone)) {
        steps = Plan(fs, program_directory, headers, trees[undone], result.warnings);
        if (Any(steps, TreeUndoStep::Status::Undo)) {
          target = undone;
          result.finishes_undo = true;
          result.journal_tree = id;
        }
      }
    }
    // An interrupted undo is finished, never reversed: with nothing left to finish, it has
    // nothing to undo either.
    if (is_undo && !result.finishes_undo && Interrupted(tree)) continue;
    if (!result.finishes_undo) steps = Plan(fs, program_directory, headers, tree, result.warnings);
    // A tree with nothing left to put back does not hide an older one; one whose names later
    // runs changed since does, and says where.
    if (!Any(steps, TreeUndoStep::Status::Undo) && !Any(steps, TreeUndoStep::Status::LaterFirst))
      continue;
    result.found = true;
    result.tree = target;
    result.redoes = is_undo && !result.finishes_undo;
    result.steps = std::move(steps);
    const JournalRun* first = Find(headers, target);
    if (first == nullptr) {
      result.warnings.push_back(
          "the journal no longer holds the first runs of this tree run: "
          "the directories they renamed cannot be undone");
      first = trees[target].runs.front();
    }
    result.started = first->started;
    return result;
  }
  return result;
}

void UndoTree(FileSystem& fs, const Clock& clock, const std::string& program_directory,
              TreeUndo& plan) {
  if (!plan.found) return;
  std::vector<std::string> warnings;  // told by FindTreeToUndo already
  const std::vector<JournalRun> headers =
      ReadJournal(fs, Key(program_directory) + std::string(kJournalName), {}, warnings);
  JournalTree tree(plan.journal_tree);
  for (TreeUndoStep& step : plan.steps) {
    if (step.status != TreeUndoStep::Status::Undo) continue;
    // Found again first: a step before may have given this directory back its name (one a
    // run renamed like a page), and only now do its documents lie where the journal says.
    Classify(fs, program_directory, headers, step);
    if (step.status == TreeUndoStep::Status::Undo)
      UndoRun(fs, clock, program_directory, step.undo, &tree);
  }
}

}  // namespace qlm
