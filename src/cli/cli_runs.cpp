#include "cli/cli_runs.h"

#include <memory>

#include "cli/cli_app.h"
#include "cli/json_output.h"
#include "cli/terminal_view.h"
#include "cli/text_output.h"
#include "common/text.h"
#include "engine/journal.h"
#include "engine/processing_run.h"
#include "engine/tree_walk.h"
#include "platform/clock.h"
#include "platform/event.h"
#include "platform/file_system.h"
#include "platform/path.h"

namespace qlm::cli {

namespace {

// How many entries a search of `directory` finds (counting stops at `limit`).
std::int64_t Count(FileSystem& fs, const std::string& directory, SearchKind kind,
                   std::int64_t limit = INT64_MAX) {
  std::unique_ptr<DirectorySearch> search;
  if (fs.OpenSearch(directory, kind, search) != FsError::Ok) return 0;
  std::int64_t count = 0;
  std::string name;
  while (count < limit && search->Next(name))
    ++count;
  return count;
}

// True when a run in `directory` has something to do: a page, or a scratch file an
// interrupted run left there. A tree's other directories (images, style sheets) get no run:
// it would only say that they hold no page.
bool HasWork(FileSystem& fs, const std::string& directory) {
  return Count(fs, directory, SearchKind::Html, 1) > 0 ||
         Count(fs, directory, SearchKind::Scratch, 1) > 0;
}

std::unique_ptr<RunOutput> MakeOutput(const RunSetup& setup, bool tree) {
  if (setup.json) return std::make_unique<JsonOutput>(setup.out);
  return std::make_unique<TextOutput>(setup.out, tree);
}

DirectoryReport::Status StatusOf(RunEnd end) {
  switch (end) {
    case RunEnd::Completed:
      return DirectoryReport::Status::Completed;
    case RunEnd::Aborted:
      return DirectoryReport::Status::Aborted;
    case RunEnd::EndedEarly:
      return DirectoryReport::Status::EndedEarly;
  }
  return DirectoryReport::Status::Completed;
}

std::string WithoutSlash(const std::string& directory) {
  return path::Key(directory);
}

// Counts the pages of a tree for the progress bar: the same walk, without the runs.
class PageCounter final : public TreeVisitor {
 public:
  explicit PageCounter(FileSystem& fs) : fs_(fs) {}
  bool Visit(const std::string& directory) override {
    pages += Count(fs_, directory, SearchKind::Html);
    return true;
  }
  void Skip(const std::string&, TreeSkip, FsError) override {}
  std::int64_t pages = 0;

 private:
  FileSystem& fs_;
};

// What the user reads for each way a directory is left out, and its code in JSON output.
struct SkipText {
  const char* code;
  const char* text;
};
SkipText Describe(TreeSkip why) {
  switch (why) {
    case TreeSkip::Link:
      return {"link", "a symbolic link: links are never followed"};
    case TreeSkip::Backup:
      return {"backup", "a backup directory"};
    case TreeSkip::Loop:
      return {"loop", "it is a directory above it again (a bind mount?): the walk would never end"};
    case TreeSkip::Repeat:
      return {"repeat", "it is a directory processed already in this run (a bind mount?)"};
    case TreeSkip::Unreadable:
      return {"unreadable", "it cannot be read"};
    case TreeSkip::TooLong:
      return {"too-long", "its path is longer than the system allows"};
    case TreeSkip::Replaced:
      return {"replaced", "it was replaced while the tree was walked"};
  }
  return {"", ""};
}

// Runs each directory the walk visits and reports what it skips.
class TreeRunner final : public TreeVisitor {
 public:
  TreeRunner(RunSetup& setup, TerminalView& view, RunOutput& output, Event& continue_event,
             const std::atomic<bool>& finish_then_stop)
      : setup_(setup),
        view_(view),
        output_(output),
        continue_event_(continue_event),
        finish_then_stop_(finish_then_stop) {}

  bool Visit(const std::string& directory) override {
    if (finish_then_stop_) return Stop();
    if (!HasWork(setup_.fs, directory)) return true;
    view_.BeginDirectory(report.totals.FilesProcessed);
    output_.BeginDirectory(directory);
    RunEnvironment environment{setup_.fs,
                               view_,
                               clock_,
                               setup_.options,
                               directory,
                               setup_.program_directory,
                               setup_.last_directory,
                               continue_event_,
                               run_active_,
                               &journal_tree_};
    run_active_ = true;
    const RunResult result = ProcessingRun(RunKind::DirectoryRun, environment);
    view_.ClearProgress();
    output_.EndDirectory(DirectoryReport{directory, StatusOf(result.end), result.statistics, "",
                                         view_.last_message()});
    ++report.directories;
    report.totals.Add(result.statistics);
    if (result.end == RunEnd::EndedEarly) incomplete_ = true;
    if (result.end == RunEnd::Aborted || finish_then_stop_) return Stop();
    return true;
  }

  void Skip(const std::string& directory, TreeSkip why, FsError error) override {
    ++report.skipped;
    const SkipText text = Describe(why);
    std::string message = text.text;
    if (error != FsError::Ok && why == TreeSkip::Unreadable)
      message += std::string(" (") + std::string(ErrorText(error)) + ")";
    view_.ClearProgress();
    if (why != TreeSkip::Link && why != TreeSkip::Backup) {
      // Not by design: said at once, whatever the output. A loop's directory was processed
      // where the walk met it first; anything else may hold pages no run reached.
      std::fflush(setup_.out);  // in its place, should both streams go to one terminal
      std::fprintf(setup_.err, "quillomat-cli: %s: not entered (%s)\n",
                   Printable(directory).c_str(), message.c_str());
      if (why != TreeSkip::Loop && why != TreeSkip::Repeat) incomplete_ = true;
    }
    output_.EndDirectory(
        DirectoryReport{directory, DirectoryReport::Status::Skipped, {}, text.code, message});
  }

  // Completes the report once the walk is over.
  void Finish() {
    if (report.status == TreeReport::Status::Aborted) return;
    if (report.directories == 0) {
      report.status = TreeReport::Status::EndedEarly;
    } else if (incomplete_) {
      report.status = TreeReport::Status::Incomplete;
    }
  }

  TreeReport report;

 private:
  bool Stop() {
    report.status = TreeReport::Status::Aborted;
    return false;
  }

  RunSetup& setup_;
  TerminalView& view_;
  RunOutput& output_;
  Event& continue_event_;
  const std::atomic<bool>& finish_then_stop_;
  SystemClock clock_;
  std::atomic<bool> run_active_{false};
  JournalTree journal_tree_;
  bool incomplete_ = false;
};

}  // namespace

int RunSingle(RunSetup& setup, Event& continue_event) {
  const bool directory_run = setup.kind == RunKind::DirectoryRun;
  const std::unique_ptr<RunOutput> output = MakeOutput(setup, /*tree=*/false);
  const bool progress = setup.progress && directory_run;
  TerminalView view(setup.in, setup.err, *output, progress,
                    progress ? Count(setup.fs, setup.target, SearchKind::Html) : 0);
  SystemClock clock;
  std::atomic<bool> run_active(directory_run);
  RunEnvironment environment{setup.fs,
                             view,
                             clock,
                             setup.options,
                             setup.target,
                             setup.program_directory,
                             setup.last_directory,
                             continue_event,
                             run_active};
  const std::string directory =
      directory_run ? setup.target : WithoutSlash(std::string(DirectoryPart(setup.target)));
  output->BeginDirectory(directory);
  const RunResult result = ProcessingRun(setup.kind, environment);
  view.ClearProgress();
  output->EndDirectory(
      DirectoryReport{directory, StatusOf(result.end), result.statistics, "", view.last_message()});
  switch (result.end) {
    case RunEnd::Completed:
      return kExitCompleted;
    case RunEnd::Aborted:
      return kExitAborted;
    case RunEnd::EndedEarly:
      return kExitEndedEarly;
  }
  return kExitCompleted;
}

int RunTree(RunSetup& setup, Event& continue_event, const std::atomic<bool>& finish_then_stop) {
  const std::unique_ptr<RunOutput> output = MakeOutput(setup, /*tree=*/true);
  std::int64_t total = 0;
  if (setup.progress) {
    PageCounter counter(setup.fs);
    WalkTree(setup.fs, setup.target, counter);
    total = counter.pages;
  }
  TerminalView view(setup.in, setup.err, *output, setup.progress, total);
  TreeRunner runner(setup, view, *output, continue_event, finish_then_stop);
  runner.report.root = setup.target;
  WalkTree(setup.fs, setup.target, runner);
  runner.Finish();
  view.ClearProgress();
  if (runner.report.status == TreeReport::Status::EndedEarly) {
    std::fflush(setup.out);
    std::fprintf(setup.err, "quillomat-cli: no .htm or .html file in the tree at %s\n",
                 Printable(setup.target).c_str());
  }
  output->EndTree(runner.report);
  switch (runner.report.status) {
    case TreeReport::Status::Completed:
      return kExitCompleted;
    case TreeReport::Status::Aborted:
      return kExitAborted;
    case TreeReport::Status::Incomplete:
    case TreeReport::Status::EndedEarly:
      return kExitEndedEarly;
  }
  return kExitCompleted;
}

}  // namespace qlm::cli
