// The per-file pipeline: title, same-name test, destination and duplicate search, the clash
// prompt and the manual rename dialog, then the move.
#include "common/messages.h"
#include "common/text.h"
#include "common/ui.h"
#include "engine/manual_rename.h"
#include "engine/read_ahead.h"
#include "engine/run.h"
#include "engine/run_view.h"
#include "platform/file_system.h"
#include "title/read_title.h"

namespace qlm {

namespace {

constexpr std::size_t kDestinationLimit = 219;  // bytes of directory and title together

// The low 32 bits of a file's size as a signed number, or -1 when it cannot be opened.
std::int32_t SizeForPrompt(FileSystem& fs, const std::string& path) {
  std::unique_ptr<ReadableFile> file;
  std::uint64_t size = 0;
  if (fs.OpenForReading(path, file) != FsError::Ok || file->Size(size) != FsError::Ok) return -1;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(size));
}

}  // namespace

void Run::ProcessFile() {
  RunView& view = env_.view;
  BackedUp = false;
  kept_reason_.clear();
  ShowCount(ctl::kUnrenamed, statistics_.Unrenamed);
  SetStatus(msg::kParsing);
  view.SetControlText(ctl::kFileName, CurrentName);
  SourcePath.assign(RunDirectory).append(CurrentName);  // the buffer of the last file reused

  FsError open_error = FsError::Ok;
  const std::unique_ptr<EarlyTitle> early = ahead_ != nullptr ? ahead_->Take(CurrentName) : nullptr;
  const std::int32_t outcome = ReadTitle(env_.fs, SourcePath, env_.options.ParseHTMLEntities != 0,
                                         statistics_, Title, &open_error, early.get());
  view.SetControlText(ctl::kTitle, Title);
  ShowCount(ctl::kFilesProcessed, statistics_.FilesProcessed);
  ShowCount(ctl::kReadErrors, statistics_.ReadErrors);
  ShowCount(ctl::kTitleErrors, statistics_.TitleErrors);

  if (outcome != TitleOk) {
    logs_.LogTitleFailure(outcome, CurrentName, Title, statistics_);
    if (open_error == FsError::StoppedOnSymlink) {
      GiveUp("it is a symbolic link, not a document of this directory");
      LeaveLink();
      return;
    }
    GiveUp(outcome == ReadError ? "it could not be read" : "it has no usable title");
    KeepName();
    return;
  }
  if (NameEqualsTitle()) {
    GiveUp("it is already named after its title");
    if (!full_auto()) {
      KeepName();
      return;
    }
  }
  SetStatus(msg::kSearchingDuplicates);
  if (!BuildDestination()) {
    // The directory's path leaves no room for the title: a move would leave the directory
    // (or make a nameless hidden file), beyond the second stage and undo.
    if (kept_reason_.empty()) GiveUp("its directory's path leaves no room for a new name");
    KeepName();
    return;
  }
  const bool taken = HeldByAnotherFile(env_.fs, DestinationPath, SourcePath);
  if (full_auto()) {
    if (taken) DuplicateFound = true;
    ProcessFullAuto();
  } else {
    ProcessInteractive(taken);
  }
}

void Run::ProcessFullAuto() {
  if (RunOptions.BackupRenamedFiles) BackupBeforeMove();
  const FsError error = MoveLoop();
  if (error != FsError::Ok && kept_reason_.empty()) {
    // A name the file system refuses (a control byte, a reserved device name) must not drop
    // the file from the counts: it is given up and keeps its name, as after a failed direct
    // move.
    DuplicateFound = false;
    GiveUp("it could not be moved (" + std::string(ErrorText(error)) + ")");
    KeepName();
    return;
  }
  ReportScratchMove(error);
  AfterMove();
}

void Run::ProcessInteractive(bool taken) {
  bool prompt = taken;
  for (;;) {
    if (prompt && !ClashPrompt()) {
      KeepName();
      return;
    }
    // A file already copied before an earlier attempt is not copied again: the second copy
    // would only fail on the first one and count a backup error that did not happen.
    if (RunOptions.BackupRenamedFiles && !BackedUp) BackupBeforeMove();
    SetStatus(msg::kRenamingToTemporary);
    IdentityOf(SourcePath, identity_);
    Intend(directory_run() ? '1' : 'S', SourcePath, DestinationPath, identity_);
    const FsError error = env_.fs.MoveAndDescribe(SourcePath, DestinationPath, moved_);
    if (error == FsError::Ok) {
      ReportScratchMove(error);
      AfterMove();
      return;
    }
    if (error == FsError::AlreadyExists) {
      prompt = true;
      continue;
    }
    GiveUp("it could not be moved (" + std::string(ErrorText(error)) + ")");
    KeepName();
    return;
  }
}

bool Run::NameEqualsTitle() const {
  std::string base = CurrentName;
  StripExtension(base);
  return base == Title;
}

bool Run::BuildDestination() {
  if (RunDirectory.size() >= kDestinationLimit) return false;
  // Built in place, in the buffer of the last file's destination.
  DestinationPath.assign(Title);
  TruncateOnCharBoundary(DestinationPath, kDestinationLimit - RunDirectory.size());
  if (DestinationPath.empty()) return false;
  DestinationPath.insert(0, RunDirectory);
  DestinationPath += directory_run() ? std::string_view(".qlm") : FinalExtension();
  return true;
}

bool Run::ClashPrompt() {
  std::string text(msg::kClash1);
  text.append(CurrentName).append(msg::kClashSep);
  text.append(IntToText(SizeForPrompt(env_.fs, SourcePath))).append(msg::kClash2);
  text.append(Title).append(msg::kClashSep);
  text.append(IntToText(SizeForPrompt(env_.fs, DestinationPath))).append(msg::kClash3);
  if (env_.view.ShowMessageBox(text, msg::kFilenameExistsCaption,
                               mb::kOkCancel | mb::kIconInformation) != mb::kIdOk) {
    GiveUp("the user declined to rename it");
    return false;
  }
  ManualRename dialog(env_.fs, kind_, CurrentName, Title, RunDirectory,
                      env_.options.RenameAsHtm != 0, DestinationPath);
  if (env_.view.ShowManualRenameDialog(dialog) != 0) {
    GiveUp("the user cancelled the rename");
    return false;
  }
  ++statistics_.UserRenamed;
  std::string new_name(FileNamePart(DestinationPath));
  if (new_name.size() >= 4) new_name.erase(new_name.size() - 4);
  new_name += ".htm";
  logs_.LogFileEvent('M', statistics_.UserRenamed, CurrentName,
                     std::string(msg::kLogManuallyRenamed) + new_name);
  return true;
}

void Run::GiveUp(std::string_view reason) {
  ++statistics_.Unrenamed;
  logs_.LogFileEvent('U', statistics_.Unrenamed, CurrentName, msg::kLogNotRenamed);
  kept_reason_ = reason;
}

void Run::AfterMove() {
  DuplicateFound = false;
  if (!full_auto()) {
    ShowCount(ctl::kUnrenamed, statistics_.Unrenamed);
    ShowCount(ctl::kUserRenamed, statistics_.UserRenamed);
  }
  if (directory_run()) {
    logs_.LogRenameEntry(CurrentName, Title, FileNamePart(DestinationPath));
  }
}

std::string_view Run::FinalExtension() const {
  return env_.options.RenameAsHtm ? std::string_view(".htm") : std::string_view(".html");
}

}  // namespace qlm
