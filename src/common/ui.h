// Control ids and message-box codes shared by the engine and the front ends. The numbers are
// the windows' own; a view maps them to its widgets or its terminal.
#pragma once

namespace qlm {

namespace ctl {
// Main window.
inline constexpr int kProcessDir = 2000;
inline constexpr int kProcessFile = 2001;
inline constexpr int kOptions = 2002;
inline constexpr int kExit = 2003;  // reads "Abort" during a directory run
inline constexpr int kStatusLine = 2004;
inline constexpr int kFileName = 2005;
inline constexpr int kTitle = 2006;
inline constexpr int kFilesProcessed = 2007;
inline constexpr int kReadErrors = 2008;
inline constexpr int kTitleErrors = 2009;
inline constexpr int kBackupErrors = 2010;
inline constexpr int kUserRenamed = 2011;
inline constexpr int kUnrenamed = 2012;
inline constexpr int kViewLogs = 2013;
// Manual rename dialog.
inline constexpr int kRenameOk = 1000;
inline constexpr int kRenameCancel = 1001;
inline constexpr int kRenameEdit = 1002;
inline constexpr int kRenamePrompt = 1003;
// Options dialog.
inline constexpr int kOptionsClose = 3000;
inline constexpr int kOptionsReset = 3001;
inline constexpr int kBackupUnrenamedFiles = 3002;
inline constexpr int kBackupRenamedFiles = 3003;  // toggled by the dialog itself
inline constexpr int kBackupOverwriteExisting = 3004;
inline constexpr int kEnableFullAutoMode = 3005;
inline constexpr int kRenameAsHtm = 3006;
inline constexpr int kWriteErrorLog = 3007;
inline constexpr int kEnableShellExts = 3008;
inline constexpr int kParseHTMLEntities = 3009;
inline constexpr int kWriteRenameLog = 3010;
inline constexpr int kBackupCreateNewDir = 3011;
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
