#include "shell/options_dialog_model.h"

#include "common/messages.h"
#include "common/ui.h"

namespace qlm {

namespace {

constexpr std::array<OptionBox, 10> kBoxes = {{
    {ctl::kBackupRenamedFiles, msg::kBoxBackupRenamedFiles, 10, 10, 121, 9},
    {ctl::kBackupCreateNewDir, msg::kBoxBackupCreateNewDir, 20, 23, 131, 9},
    {ctl::kBackupUnrenamedFiles, msg::kBoxBackupUnrenamedFiles, 20, 36, 137, 9},
    {ctl::kBackupOverwriteExisting, msg::kBoxBackupOverwriteExisting, 20, 49, 142, 9},
    {ctl::kEnableFullAutoMode, msg::kBoxEnableFullAutoMode, 10, 63, 122, 9},
    {ctl::kEnableShellExts, msg::kBoxEnableShellExts, 10, 76, 96, 9},
    {ctl::kParseHTMLEntities, msg::kBoxParseHTMLEntities, 10, 89, 121, 9},
    {ctl::kRenameAsHtm, msg::kBoxRenameAsHtm, 10, 102, 121, 9},
    {ctl::kWriteErrorLog, msg::kBoxWriteErrorLog, 10, 115, 79, 9},
    {ctl::kWriteRenameLog, msg::kBoxWriteRenameLog, 10, 128, 79, 9},
}};

bool IsSubOption(int id) {
  return id == ctl::kBackupCreateNewDir || id == ctl::kBackupUnrenamedFiles ||
         id == ctl::kBackupOverwriteExisting;
}

}  // namespace

const std::array<OptionBox, 10>& OptionBoxes() {
  return kBoxes;
}

OptionSet OptionsDialogModel::ResetValues() {
  OptionSet reset;
  reset.BackupRenamedFiles = 1;
  reset.BackupCreateNewDir = 1;
  reset.BackupUnrenamedFiles = 1;
  reset.BackupOverwriteExisting = 0;
  reset.EnableFullAutoMode = 1;
  reset.EnableShellExts = 1;
  reset.ParseHTMLEntities = 0;
  reset.RenameAsHtm = 1;
  reset.WriteErrorLog = 0;
  reset.WriteRenameLog = 0;
  return reset;
}

OptionsDialogModel::OptionsDialogModel(const OptionSet& options) {
  // A flag byte other than 0 counts as on, as a checked box does.
  boxes_.backup_unrenamed = options.BackupUnrenamedFiles != 0;
  boxes_.overwrite_existing = options.BackupOverwriteExisting != 0;
  boxes_.create_new_dir = options.BackupCreateNewDir != 0;
  boxes_.full_auto = options.EnableFullAutoMode != 0;
  boxes_.shell_exts = options.EnableShellExts != 0;
  boxes_.rename_as_htm = options.RenameAsHtm != 0;
  boxes_.parse_entities = options.ParseHTMLEntities != 0;
  boxes_.rename_log = options.WriteRenameLog != 0;
  boxes_.error_log = options.WriteErrorLog != 0;
  shell_exts_on_open_ = boxes_.shell_exts;
  // Set to the opposite, then toggled back by the box's own command, which also sets the
  // sub-options' enabled state.
  boxes_.backup_renamed = options.BackupRenamedFiles == 0;
  ToggleBackupRenamedFiles();
}

const bool* OptionsDialogModel::Box(int id) const {
  switch (id) {
    case ctl::kBackupRenamedFiles:
      return &boxes_.backup_renamed;
    case ctl::kBackupCreateNewDir:
      return &boxes_.create_new_dir;
    case ctl::kBackupUnrenamedFiles:
      return &boxes_.backup_unrenamed;
    case ctl::kBackupOverwriteExisting:
      return &boxes_.overwrite_existing;
    case ctl::kEnableFullAutoMode:
      return &boxes_.full_auto;
    case ctl::kEnableShellExts:
      return &boxes_.shell_exts;
    case ctl::kParseHTMLEntities:
      return &boxes_.parse_entities;
    case ctl::kRenameAsHtm:
      return &boxes_.rename_as_htm;
    case ctl::kWriteErrorLog:
      return &boxes_.error_log;
    case ctl::kWriteRenameLog:
      return &boxes_.rename_log;
    default:
      return nullptr;
  }
}

bool OptionsDialogModel::Checked(int id) const {
  const bool* box = Box(id);
  return box != nullptr && *box;
}

bool OptionsDialogModel::Enabled(int id) const {
  if (Box(id) == nullptr) return false;
  return !IsSubOption(id) || sub_options_enabled_;
}

void OptionsDialogModel::ToggleBackupRenamedFiles() {
  boxes_.backup_renamed = !boxes_.backup_renamed;
  sub_options_enabled_ = boxes_.backup_renamed;  // marks stay as they are
}

void OptionsDialogModel::Reset() {
  const OptionSet reset = ResetValues();
  boxes_.backup_unrenamed = reset.BackupUnrenamedFiles != 0;
  boxes_.overwrite_existing = reset.BackupOverwriteExisting != 0;
  boxes_.create_new_dir = reset.BackupCreateNewDir != 0;
  boxes_.full_auto = reset.EnableFullAutoMode != 0;
  boxes_.shell_exts = reset.EnableShellExts != 0;
  boxes_.rename_as_htm = reset.RenameAsHtm != 0;
  boxes_.parse_entities = reset.ParseHTMLEntities != 0;
  boxes_.rename_log = reset.WriteRenameLog != 0;
  boxes_.error_log = reset.WriteErrorLog != 0;
  if (!boxes_.backup_renamed) ToggleBackupRenamedFiles();
}

bool OptionsDialogModel::Close(OptionSet& options, const ShellVerbUpdater& update_verbs) const {
  options.BackupRenamedFiles = boxes_.backup_renamed ? 1 : 0;
  options.BackupUnrenamedFiles = boxes_.backup_unrenamed ? 1 : 0;
  options.BackupOverwriteExisting = boxes_.overwrite_existing ? 1 : 0;
  options.BackupCreateNewDir = boxes_.create_new_dir ? 1 : 0;
  options.EnableFullAutoMode = boxes_.full_auto ? 1 : 0;
  options.EnableShellExts = boxes_.shell_exts ? 1 : 0;
  if (boxes_.shell_exts != shell_exts_on_open_ && update_verbs) {
    update_verbs(options.EnableShellExts);
  }
  options.RenameAsHtm = boxes_.rename_as_htm ? 1 : 0;
  options.ParseHTMLEntities = boxes_.parse_entities ? 1 : 0;
  options.WriteRenameLog = boxes_.rename_log ? 1 : 0;
  options.WriteErrorLog = boxes_.error_log ? 1 : 0;
  return options.WriteErrorLog != 0 || options.WriteRenameLog != 0;
}

DialogOutcome OptionsDialogModel::Command(int id, OptionSet& options,
                                          const ShellVerbUpdater& update_verbs) {
  if (id == ctl::kOptionsClose) {
    Close(options, update_verbs);
    return DialogOutcome::Closed;
  }
  if (id == ctl::kOptionsReset) {
    Reset();
  } else if (id == ctl::kBackupRenamedFiles) {
    ToggleBackupRenamedFiles();
  } else if (Enabled(id)) {
    bool* box = const_cast<bool*>(Box(id));  // one of this model's own boxes
    *box = !*box;
  }
  return DialogOutcome::Stays;
}

}  // namespace qlm
