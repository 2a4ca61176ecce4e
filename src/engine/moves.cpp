// The moves of both stages: the move loop with its numbered retries, the keep-name step,
// and the second stage that gives every scratch file its final name.
#include <algorithm>
#include <limits>
#include <memory>

#include "common/messages.h"
#include "common/text.h"
#include "common/ui.h"
#include "engine/run.h"
#include "engine/run_view.h"
#include "platform/file_system.h"

namespace qlm {

namespace {
constexpr std::string_view kScratchExtension = ".qlm";
constexpr int kScratchSearchAttempts = 3;
constexpr std::size_t kJournalBatch = 64;  // second-stage moves recorded by one journal write
}  // namespace

FsError Run::MoveLoop() {
  // With DuplicateFound the title's destination is numbered, otherwise the file's own name.
  const bool numbering_title = full_auto() && DuplicateFound;
  const std::string_view extension = directory_run() ? kScratchExtension : FinalExtension();
  std::string numbered;  // made at the first retry
  const std::string memo_key = numbering_title ? FoldName(DestinationPath) : std::string();
  FileInfo& identity = identity_;
  IdentityOf(SourcePath, identity);
  // A file that would only pass through the scratch name of its own name is journaled only
  // if that name is taken (or its final name turns out to be taken, in the second stage).
  const bool unchanged = directory_run() && ComesBackUnchanged(DestinationPath);

  std::int32_t retry = 0;
  const auto next_number = [&] {
    if (retry == 0) numbered = numbering_title ? DestinationPath : SourcePath;
    if (retry == 0 && numbering_title) {
      // Every number up to the last one given for this title is still taken.
      if (const auto known = last_number_.find(memo_key); known != last_number_.end()) {
        retry = known->second;
        StripExtension(numbered);
        numbered += '-';
        numbered += IntToText(retry);
        numbered += extension;
      }
    }
    ++retry;
    MakeNumberedName(numbered, retry, extension);
    DestinationPath = numbered;
  };
  // The title's own name was found taken just now: numbering starts at once, without a
  // journaled move to that name that could only fail.
  if (numbering_title) next_number();
  FsError error;
  for (;;) {
    ShowCount(ctl::kUnrenamed, statistics_.Unrenamed);
    const char step = directory_run() ? '1' : 'S';
    if (unchanged && retry == 0) {
      Announce();
    } else if (DestinationPath != SourcePath) {
      Intend(step, SourcePath, DestinationPath, identity);
    }
    error = env_.fs.MoveAndDescribe(SourcePath, DestinationPath, moved_);
    if (error != FsError::AlreadyExists || retry == std::numeric_limits<std::int32_t>::max()) {
      break;
    }
    next_number();
  }
  if (error == FsError::Ok) {
    if (numbering_title && retry > 0) last_number_[memo_key] = retry;
    if (unchanged && retry == 0) {
      unjournaled_.push_back(HashFoldedName(FileNamePart(DestinationPath)));
      unjournaled_sorted_ = false;
    }
  }
  return error;
}

bool Run::ComesBackUnchanged(const std::string& destination) const {
  // The destination's name with the final extension for its own: compared in pieces.
  std::string_view stem = FileNamePart(destination);
  stem = stem.substr(0, std::min(stem.size(), stem.rfind('.')));
  const std::string_view extension = FinalExtension();
  return CurrentName.size() == stem.size() + extension.size() && CurrentName.starts_with(stem) &&
         CurrentName.ends_with(extension);
}

void Run::IdentityOf(const std::string& path, FileInfo& identity) {
  if (env_.fs.Identify(path, identity) != FsError::Ok) identity = FileInfo{};
}

void Run::Intend(char step, std::string_view from, std::string_view to, const FileInfo& identity) {
  if (!journal_->Intend(step, FileNamePart(from), FileNamePart(to), identity)) ReportJournal();
}

void Run::Announce() {
  if (!journal_->Announce()) ReportJournal();
}

void Run::ReportJournal() {
  // Without a program directory the front end has said so already.
  if (journal_reported_ || !journal_->expected()) return;
  journal_reported_ = true;
  env_.view.ShowMessageBox(msg::kJournalFailedText, msg::kJournalFailedCaption,
                           mb::kIconExclamation);
}

void Run::KeepName() {
  ShowCount(ctl::kUnrenamed, statistics_.Unrenamed);
  SetStatus(msg::kRenamingToTemporary);
  if (!directory_run()) {
    ShowCount(ctl::kUserRenamed, statistics_.UserRenamed);
    // Only the last byte decides, and only a lower-case "l" counts as ".html".
    const bool ends_in_l = !SourcePath.empty() && SourcePath.back() == 'l';
    if (!env_.options.RenameAsHtm && !ends_in_l) {
      DestinationPath = SourcePath + "l";
    } else if (env_.options.RenameAsHtm && ends_in_l) {
      DestinationPath = SourcePath.substr(0, SourcePath.size() - 1);
    } else {
      DestinationPath = SourcePath;
      ReportScratchMove(FsError::Ok);
      return;
    }
    ReportScratchMove(MoveLoop());
    return;
  }
  DestinationPath = SourcePath;
  StripExtension(DestinationPath);
  DestinationPath += kScratchExtension;
  ReportScratchMove(MoveLoop());
  BackupAfterMove();
  AfterMove();
}

void Run::LeaveLink() {
  ShowCount(ctl::kUnrenamed, statistics_.Unrenamed);
  if (!directory_run()) ShowCount(ctl::kUserRenamed, statistics_.UserRenamed);
  DestinationPath = SourcePath;
  ReportScratchMove(FsError::StoppedOnSymlink);
  if (directory_run()) AfterMove();
}

void Run::RenameScratchFiles(bool leftovers) {
  std::unique_ptr<DirectorySearch> search;
  std::string name;
  // A search that fails once (EIO, EMFILE, ENOMEM) must not leave every handled document
  // under its scratch name while the run reports success: try again before giving up.
  FsError opened = FsError::GeneralFailure;
  for (int attempt = 0; attempt < kScratchSearchAttempts && opened != FsError::Ok; ++attempt)
    opened = env_.fs.OpenSearch(RunDirectory, SearchKind::Scratch, search);
  if (opened != FsError::Ok || !search->Next(name)) return;
  // Scratch files left by an interrupted run are the user's documents: they get their final
  // names back here and are then processed like any other file.
  if (leftovers) logs_.LogCheckResult(Severity::Warning, msg::kScratchFilesRenamedBack);
  if (!unjournaled_sorted_) {
    std::sort(unjournaled_.begin(), unjournaled_.end());
    unjournaled_sorted_ = true;
  }
  // Each file's first move, planned a batch at a time so that one journal write records a
  // whole batch before its moves are made.
  struct Planned {
    std::string from;
    std::string to;
    FileInfo identity;
    bool unjournaled = false;  // came here unjournaled from its own name, and goes back so
  };
  // Plans are made into the entries of the batch before, so that their buffers serve again.
  std::vector<Planned> batch;
  std::size_t planned_count = 0;  // batch[0, planned_count) is the current batch
  const auto plan = [&](const std::string& scratch) {
    if (planned_count == batch.size()) batch.emplace_back();
    Planned& planned = batch[planned_count++];
    planned.from.assign(RunDirectory).append(scratch);
    planned.to.assign(planned.from, 0, planned.from.size() - kScratchExtension.size());
    planned.to += FinalExtension();
    IdentityOf(planned.from, planned.identity);
    planned.unjournaled = !leftovers && std::binary_search(unjournaled_.begin(), unjournaled_.end(),
                                                           HashFoldedName(scratch));
  };
  std::size_t next = 0;  // batch[next] is the plan of `name`
  std::vector<RunJournal::Intent> intents;
  JourneyStep& step = step_;
  do {
    if (!leftovers) SetStatus(msg::kRenamingBack);
    // (A search that cannot tell what comes next gives batches of one.)
    if (next == planned_count || FileNamePart(batch[next].from) != name) {
      planned_count = 0;
      next = 0;
      plan(name);
      std::string later;
      for (std::size_t ahead = 0; planned_count < kJournalBatch && search->Peek(ahead, later);
           ++ahead)
        plan(later);
      intents.clear();
      for (std::size_t i = 0; i < planned_count; ++i) {
        const Planned& planned = batch[i];
        if (planned.unjournaled) continue;
        intents.push_back({leftovers ? 'L' : '2', FileNamePart(planned.from),
                           FileNamePart(planned.to), &planned.identity});
      }
      if (!journal_->IntendAll(intents)) ReportJournal();
    }
    Planned& planned = batch[next++];
    const std::string& from = planned.from;
    std::string& to = planned.to;
    std::string numbered;  // made at the first retry
    bool unjournaled = planned.unjournaled;
    std::int32_t retry = 0;
    FsError error;
    FileInfo moved;
    for (;;) {
      if (!unjournaled && retry > 0) Intend(leftovers ? 'L' : '2', from, to, planned.identity);
      error = env_.fs.MoveAndDescribe(from, to, moved);
      if (error != FsError::AlreadyExists || retry == std::numeric_limits<std::int32_t>::max())
        break;
      if (unjournaled) {
        // Its own name is taken now: its first move is journaled after all, before this one.
        Intend('1', to, from, planned.identity);
        unjournaled = false;
      }
      if (retry == 0) numbered = from;
      MakeNumberedName(numbered, ++retry, kScratchExtension);
      to = numbered.substr(0, numbered.size() - kScratchExtension.size());
      to += FinalExtension();
    }
    step.stage = JourneyStep::Stage::Final;
    step.from.assign(name);
    step.to.assign(error == FsError::Ok ? FileNamePart(to) : std::string_view());
    step.error = error;
    step.kept_reason.clear();
    env_.view.ReportJourney(step);
  } while (search->Next(name));
}

void Run::RenameBack() {
  env_.view.EnableControl(ctl::kExit, false);
  env_.view.SetControlText(ctl::kFileName, msg::kNotAvailable);
  env_.view.SetControlText(ctl::kTitle, msg::kNotAvailable);
  RenameScratchFiles(/*leftovers=*/false);
  SetStatus(msg::kIdle);
  env_.RunActive = false;
}

void Run::ReportScratchMove(FsError error) {
  JourneyStep& step = step_;  // its buffers serve every file
  step.stage = directory_run() ? JourneyStep::Stage::Scratch : JourneyStep::Stage::SingleFile;
  step.from.assign(CurrentName);
  step.to.assign(error == FsError::Ok ? FileNamePart(DestinationPath) : std::string_view());
  step.error = error;
  step.kept_reason.assign(kept_reason_);
  env_.view.ReportJourney(step);
}

}  // namespace qlm
