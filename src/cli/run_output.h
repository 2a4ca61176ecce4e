// What quillomat-cli writes on standard output: one event per file, each directory's
// counters and, for a tree run, the tree's. Two forms: lines for people (TextOutput) and one
// JSON object per line for scripts (JsonOutput).
#pragma once

#include <cstdint>
#include <string>

#include "cli/file_events.h"
#include "common/types.h"

namespace qlm::cli {

// How one directory of a run (or of a tree run) ended.
struct DirectoryReport {
  enum class Status {
    Completed,   // every file was reached
    Aborted,     // stopped on Ctrl-C after the file in hand
    EndedEarly,  // a check, a No, no pages or another run there ended it
    Skipped,     // not entered (tree runs only): see reason
  };
  std::string directory;  // without a trailing '/'
  Status status = Status::Completed;
  RunStatistics statistics;
  std::string reason;   // for Skipped, a short code: link, backup, loop, repeat, unreadable,
                        // too-long, replaced
  std::string message;  // what ended or skipped it, for people; "" when nothing was said
};

// The six counters summed over a tree's directories (wide: a tree may hold more files than
// one run can count).
struct TreeTotals {
  std::int64_t FilesProcessed = 0;
  std::int64_t ReadErrors = 0;
  std::int64_t TitleErrors = 0;
  std::int64_t BackupErrors = 0;
  std::int64_t UserRenamed = 0;
  std::int64_t Unrenamed = 0;

  void Add(const RunStatistics& run) {
    FilesProcessed += run.FilesProcessed;
    ReadErrors += run.ReadErrors;
    TitleErrors += run.TitleErrors;
    BackupErrors += run.BackupErrors;
    UserRenamed += run.UserRenamed;
    Unrenamed += run.Unrenamed;
  }
};

// A tree run's end.
struct TreeReport {
  enum class Status {
    Completed,   // every directory with pages completed
    Aborted,     // stopped on Ctrl-C
    Incomplete,  // a directory ended early or could not be entered
    EndedEarly,  // no directory of the tree holds a page
  };
  std::string root;  // without a trailing '/'
  Status status = Status::Completed;
  std::int64_t directories = 0;  // directory runs made
  std::int64_t skipped = 0;      // directories not entered
  TreeTotals totals;
};

// "completed", "aborted", "incomplete" or "ended-early".
inline const char* TreeStatusName(TreeReport::Status status) {
  switch (status) {
    case TreeReport::Status::Completed:
      return "completed";
    case TreeReport::Status::Aborted:
      return "aborted";
    case TreeReport::Status::Incomplete:
      return "incomplete";
    case TreeReport::Status::EndedEarly:
      return "ended-early";
  }
  return "";
}

class RunOutput {
 public:
  virtual ~RunOutput() = default;
  // A directory run begins in `directory` (a tree's directories in walk order).
  virtual void BeginDirectory(const std::string& directory) = 0;
  // A file's event in the directory begun last.
  virtual void File(const FileEvent& event) = 0;
  virtual void EndDirectory(const DirectoryReport& report) = 0;
  // Only after a tree run, last of all.
  virtual void EndTree(const TreeReport& report) = 0;
};

}  // namespace qlm::cli
