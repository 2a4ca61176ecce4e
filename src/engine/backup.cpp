// Backups: the run's backup directory and the copies made before (or, for files that keep
// their names, after) a file's move.
#include "common/messages.h"
#include "common/text.h"
#include "common/ui.h"
#include "engine/run.h"
#include "engine/run_view.h"
#include "logs/run_logs.h"
#include "platform/event.h"
#include "platform/file_system.h"
#include "platform/path.h"

namespace qlm {

namespace {
// Dated directories are numbered only while the name is taken; this bound only guards
// against a file system that keeps claiming every name is taken.
constexpr std::int32_t kMaxBackupNumber = 100000;
}  // namespace

void Run::CreateBackupDirectory() {
  if (!RunOptions.BackupCreateNewDir) {
    BackupDirectory = RunDirectory;
    BackupDirectory += msg::kBackupDirectoryName;
    // An existing one is simply used, under the name it bears ("backup" is "Backup" here).
    // A link of that name is not: the copies into it then fail and are counted.
    FileInfo existing;
    if (env_.fs.CreateDirectory(BackupDirectory) == FsError::AlreadyExists &&
        env_.fs.GetInfo(BackupDirectory, existing) == FsError::Ok && existing.is_directory &&
        !existing.is_link && !existing.stored_name.empty()) {
      BackupDirectory = RunDirectory + existing.stored_name;
    }
  } else {
    // Any failure other than a taken name ends the numbering at once: the copies into the
    // missing directory then fail and are counted like every other failed copy.
    BackupDirectory = RunDirectory + FormatLocalTime(env_.clock, 0);
    FsError error = env_.fs.CreateDirectory(BackupDirectory);
    for (std::int32_t n = 1; error == FsError::AlreadyExists && n <= kMaxBackupNumber; ++n) {
      MakeNumberedName(BackupDirectory, n);
      error = env_.fs.CreateDirectory(BackupDirectory);
    }
  }
  AppendChar(BackupDirectory, path::Separator());
}

void Run::BackupBeforeMove() {
  if (full_auto() && !RunOptions.BackupUnrenamedFiles && NameEqualsTitle()) return;
  BackedUp = true;
  CopyToBackup(SourcePath, CurrentName);
}

void Run::BackupAfterMove() {
  if (!RunOptions.BackupRenamedFiles || !RunOptions.BackupUnrenamedFiles || full_auto() ||
      BackedUp) {
    return;
  }
  // The copy is named after the scratch name with ".htm", and so are this file's B line and
  // rename-log entry.
  CurrentName = FileNamePart(DestinationPath);
  if (CurrentName.size() >= 4) CurrentName.erase(CurrentName.size() - 4);
  CurrentName += ".htm";
  CopyToBackup(DestinationPath, CurrentName);
}

void Run::CopyToBackup(const std::string& source, const std::string& name) {
  SetStatus(msg::kBackingUp);
  const bool overwrite = RunOptions.BackupOverwriteExisting != 0;
  if (!overwrite) ShowCount(ctl::kBackupErrors, statistics_.BackupErrors);
  // An Abort stops a long copy at once (it leaves nothing behind); the file is still moved.
  const CancelCheck abort_requested = [this] { return !env_.ContinueEvent.IsSet(); };
  const FsError error =
      env_.fs.CopyFile(source, BackupDirectory + name, !overwrite, &abort_requested);
  if (error == FsError::Ok) return;
  if (error == FsError::DiskFull) {
    env_.view.ShowMessageBox(msg::kDiskFullText, msg::kDiskFullCaption, mb::kOk);
    RunOptions.BackupRenamedFiles = 0;
  }
  if (!overwrite) {
    ++statistics_.BackupErrors;
    logs_.LogFileEvent('B', statistics_.BackupErrors, CurrentName, msg::kLogNotBackedUp);
  }
}

}  // namespace qlm
