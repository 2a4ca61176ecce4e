// Control ids and message-box codes shared by the engine and the front ends. The numbers are
// the windows' own; a view maps them to its widgets or its terminal.
#pragma once

#include "common/control_ids.h"

namespace qlm {

namespace ctl {
// Numbers in common/control_ids.h, which the Windows resource script reads too.
// Main window.
inline constexpr int kProcessDir = QLM_ID_PROCESS_DIR;
inline constexpr int kProcessFile = QLM_ID_PROCESS_FILE;
inline constexpr int kOptions = QLM_ID_OPTIONS;
inline constexpr int kExit = QLM_ID_EXIT;  // reads "Abort" during a directory run
inline constexpr int kStatusLine = QLM_ID_STATUS_LINE;
inline constexpr int kFileName = QLM_ID_FILE_NAME;
inline constexpr int kTitle = QLM_ID_TITLE;
inline constexpr int kFilesProcessed = QLM_ID_FILES_PROCESSED;
inline constexpr int kReadErrors = QLM_ID_READ_ERRORS;
inline constexpr int kTitleErrors = QLM_ID_TITLE_ERRORS;
inline constexpr int kBackupErrors = QLM_ID_BACKUP_ERRORS;
inline constexpr int kUserRenamed = QLM_ID_USER_RENAMED;
inline constexpr int kUnrenamed = QLM_ID_UNRENAMED;
inline constexpr int kViewLogs = QLM_ID_VIEW_LOGS;
// Manual rename dialog.
inline constexpr int kRenameOk = QLM_ID_RENAME_OK;
inline constexpr int kRenameCancel = QLM_ID_RENAME_CANCEL;
inline constexpr int kRenameEdit = QLM_ID_RENAME_EDIT;
inline constexpr int kRenamePrompt = QLM_ID_RENAME_PROMPT;
// Options dialog.
inline constexpr int kOptionsClose = QLM_ID_OPTIONS_CLOSE;
inline constexpr int kOptionsReset = QLM_ID_OPTIONS_RESET;
inline constexpr int kBackupUnrenamedFiles = QLM_ID_BACKUP_UNRENAMED_FILES;
inline constexpr int kBackupRenamedFiles =
    QLM_ID_BACKUP_RENAMED_FILES;  // toggled by the dialog itself
inline constexpr int kBackupOverwriteExisting = QLM_ID_BACKUP_OVERWRITE_EXISTING;
inline constexpr int kEnableFullAutoMode = QLM_ID_ENABLE_FULL_AUTO_MODE;
inline constexpr int kRenameAsHtm = QLM_ID_RENAME_AS_HTM;
inline constexpr int kWriteErrorLog = QLM_ID_WRITE_ERROR_LOG;
inline constexpr int kEnableShellExts = QLM_ID_ENABLE_SHELL_EXTS;
inline constexpr int kParseHTMLEntities = QLM_ID_PARSE_HTML_ENTITIES;
inline constexpr int kWriteRenameLog = QLM_ID_WRITE_RENAME_LOG;
inline constexpr int kBackupCreateNewDir = QLM_ID_BACKUP_CREATE_NEW_DIR;
}  // namespace ctl

namespace mb {
// Flags of a message box.
inline constexpr unsigned kOk = 0x00;
inline constexpr unsigned kOkCancel = 0x01;
inline constexpr unsigned kYesNo = 0x04;
inline constexpr unsigned kIconExclamation = 0x30;
inline constexpr unsigned kIconInformation = 0x40;
inline constexpr unsigned kButtonMask = 0x0F;
inline constexpr unsigned kIconMask = 0xF0;
// Answers.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
}  // namespace mb

}  // namespace qlm
