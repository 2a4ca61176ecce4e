// The state and steps of one processing run (internal to the engine). The frame lives in
// run.cpp, the per-file pipeline and names in pipeline.cpp, the moves in moves.cpp and the
// backups in backup.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/types.h"
#include "engine/journal.h"
#include "engine/processing_run.h"
#include "engine/run_view.h"
#include "logs/run_logs.h"
#include "platform/errors.h"
#include "platform/file_system.h"

namespace qlm {

class ReadAhead;

class Run {
 public:
  Run(RunKind kind, RunEnvironment& environment);
  RunResult Execute();

 private:
  // --- frame (run.cpp) ---
  void Start();
  bool PassesChecks();
  bool RunFirstStage();  // false when the directory had no HTML file
  bool AbortRequested();
  void End();
  void ShowCount(int control, std::int32_t value);
  void SetStatus(std::string_view text);

  // --- per-file pipeline and names (pipeline.cpp) ---
  void ProcessFile();
  void ProcessInteractive(bool taken);
  void ProcessFullAuto();
  bool NameEqualsTitle() const;
  // Builds DestinationPath from RunDirectory and Title, cut after kDestinationLimit bytes of
  // both. False, leaving DestinationPath alone, when the cut leaves no title: a destination
  // always lies in RunDirectory.
  bool BuildDestination();
  bool ClashPrompt();  // true when the user chose a new name
  void GiveUp(std::string_view reason);
  void AfterMove();
  std::string_view FinalExtension() const;

  // --- moves (moves.cpp) ---
  FsError MoveLoop();
  void KeepName();
  // A symbolic link met among the directory's pages is no document of it: it is not moved at
  // all (not even through a scratch name), so it keeps its exact name and its target.
  void LeaveLink();
  void RenameScratchFiles(bool leftovers);
  void RenameBack();
  void ReportScratchMove(FsError error);
  // Journals a move about to be made, from `from` to `to` (paths in RunDirectory), of the file
  // `identity`; tells the user once when the journal cannot be written.
  void Intend(char step, std::string_view from, std::string_view to, const FileInfo& identity);
  // Makes sure the journal tells of the run before a move that is not journaled itself.
  void Announce();
  // Tells the user, once, that the journal cannot be written.
  void ReportJournal();
  // The file at `path` as the layer describes it (zeros when it cannot), in `identity`.
  void IdentityOf(const std::string& path, FileInfo& identity);
  // True when moving the file in hand to `destination` (a scratch name) and on to its final
  // extension gives it back exactly its own name: such a move is not journaled.
  bool ComesBackUnchanged(const std::string& destination) const;

  // --- backups (backup.cpp) ---
  void CreateBackupDirectory();
  void BackupBeforeMove();
  void BackupAfterMove();
  void CopyToBackup(const std::string& source, const std::string& name);

  bool directory_run() const { return kind_ == RunKind::DirectoryRun; }
  bool full_auto() const { return RunOptions.EnableFullAutoMode != 0; }

  RunKind kind_;
  RunEnvironment& env_;
  OptionSet RunOptions;
  RunStatistics statistics_;
  RunLogs logs_;
  std::unique_ptr<RunJournal> journal_;
  bool journal_reported_ = false;
  ReadAhead* ahead_ = nullptr;  // the first stage's reading ahead, while it goes on
  std::unique_ptr<DirectoryLock> directory_lock_;

  std::string RunDirectory;  // ends in '/'
  std::string CurrentName;
  std::string SourcePath;
  std::string Title;
  std::string DestinationPath;
  std::string BackupDirectory;  // ends in '/' once made
  bool DuplicateFound = false;
  bool BackedUp = false;
  bool aborted_ = false;
  std::string kept_reason_;  // why the file in hand keeps its name
  FileInfo moved_;           // the file in hand as its last successful move described it
  FileInfo identity_;        // the file in hand as its first move journals it
  JourneyStep step_;         // the step of the file in hand being reported

  // Highest number given so far to each numbered title destination (folded). Scratch names
  // are never freed during the first stage, so numbering resumes after it rather than
  // walking the whole chain again for every file of a shared title.
  std::unordered_map<std::string, std::int32_t> last_number_;
  // Hashes (HashFoldedName) of the scratch names of files that passed through the scratch name of
  // their own name unjournaled: the second stage journals them only if they do not get that name
  // back. Eight bytes a file (a run may have a million): appended in the first stage, sorted
  // once for the second.
  std::vector<std::size_t> unjournaled_;
  bool unjournaled_sorted_ = false;
};

}  // namespace qlm
