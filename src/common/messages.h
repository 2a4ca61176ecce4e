// Every fixed text the user can see or find in a file, in one place. They are part of the
// product's behaviour (logs are compared byte for byte): change none without reason.
#pragma once

#include <string_view>

namespace qlm::msg {

// Phase texts of the StatusLine (control 2004) and the other run-time control texts.
inline constexpr std::string_view kIdle = "IDLE";
inline constexpr std::string_view kInitializing = "Initializing...";
inline constexpr std::string_view kParsing = "Parsing for <Title></Title> tags...";
inline constexpr std::string_view kSearchingDuplicates = "Searching for duplicate filenames...";
inline constexpr std::string_view kBackingUp = "Backing up original file...";
inline constexpr std::string_view kRenamingToTemporary = "Renaming to temporary file...";
inline constexpr std::string_view kRenamingBack = "Renaming back to HTM files...";
inline constexpr std::string_view kNotAvailable = "N/A";
inline constexpr std::string_view kAbort = "Abort";
inline constexpr std::string_view kExit = "Exit";

// The title reader's three failure texts. Each begins with "File": the error log writes the
// file's name in place of those four characters.
inline constexpr std::string_view kFileCouldNotBeRead = "File could not be read.";
inline constexpr std::string_view kFileCouldNotBeParsed =
    "File could not be parsed for <Title></Title> tags.";
inline constexpr std::string_view kFileHasNoTitle =
    "File did not have a title defined between <Title></Title> tags.";

// Directory checks.
inline constexpr std::string_view kCdRomText =
    "Sorry, Quillomat cannot process directories on CD-ROMs. Please copy the directory to a "
    "harddisk and rerun Quillomat.";
inline constexpr std::string_view kCdRomCaption = "Directory on CD-ROM!";
inline constexpr std::string_view kReadOnlyText =
    "Sorry, Quillomat cannot process this directory as it is read-only.";
inline constexpr std::string_view kReadOnlyCaption = "Directory read-only!";
// Runs that share a directory never overlap: a second one ends before it touches anything.
inline constexpr std::string_view kDirectoryBusyText =
    "Another Quillomat run is working on this directory. Please try again when it has "
    "finished.";
inline constexpr std::string_view kDirectoryBusyCaption = "Directory in use!";
// A run whose journal cannot be written still renames, but says at once that it cannot be
// undone.
inline constexpr std::string_view kJournalFailedText =
    "Quillomat cannot write its journal (QLM-Journal.txt), so this run cannot be undone. The "
    "files are renamed all the same.";
inline constexpr std::string_view kJournalFailedCaption = "Journal not written!";
inline constexpr std::string_view kPathTooLongText =
    "This directory's path is too long and filenames may be truncated. Do you want to continue?";
inline constexpr std::string_view kPathTooLongCaption = "Directory path too long!";
inline constexpr std::string_view kPathTooLongWarning =
    "Directory path is more than 180 chars long.";
// Leftover scratch files are renamed back, never deleted: they are the user's documents.
inline constexpr std::string_view kScratchFilesRenamedBack =
    "Some .qlm files in the directory were renamed back.";
inline constexpr std::string_view kNoFilesText =
    "No files with an extension of .HTM/.HTML found in the directory.";
inline constexpr std::string_view kNoFilesCaption = "No .HTM/.HTML files found!";

// The clash prompt: kClash1 + name + kClashSep + size + kClash2 + title + kClashSep + size +
// kClash3.
inline constexpr std::string_view kClash1 = "Quillomatic has encountered an error in renaming <";
inline constexpr std::string_view kClashSep = " - ";
inline constexpr std::string_view kClash2 = " bytes> to <";
inline constexpr std::string_view kClash3 = " bytes>. Do you want to rename it yourself?";
inline constexpr std::string_view kFilenameExistsCaption = "Filename already exists!";

// The manual rename dialog.
inline constexpr std::string_view kRenameDialogCaption = "Rename HTML file manually";
inline constexpr std::string_view kRenamePrompt1 = "Enter a new name for <";
inline constexpr std::string_view kRenamePrompt2 = ">. The title of this HTML file is <";
inline constexpr std::string_view kRenamePrompt3 = ">";
inline constexpr std::string_view kNameInUse = "Sorry, this filename is in use by another file.";
inline constexpr std::string_view kNameInvalid = "Sorry, this filename is not valid.";
inline constexpr std::string_view kNameInvalidCaption = "Invalid filename!";

// Backups.
inline constexpr std::string_view kDiskFullText =
    "Sorry, the disk is full. Any files processed by Quillomat from now on will not be backup.";
inline constexpr std::string_view kDiskFullCaption = "Disk full!";
inline constexpr std::string_view kBackupDirectoryName = "Backup";

// Log pieces (CR LF line ends, exactly these bytes).
inline constexpr std::string_view kLogProcessing = "Processing ";
inline constexpr std::string_view kLogSelectedOptions = "Selected Options\r\n================\r\n";
inline constexpr std::string_view kLogError = "** ERROR ** : ";
inline constexpr std::string_view kLogWarning = "** WARNING ** : ";
inline constexpr std::string_view kLogBackupDir = "BackupDir=";
inline constexpr std::string_view kLogErrorsSection = "Errors\r\n======\r\nNo errors.\r\n";
inline constexpr std::string_view kLogNoErrors = "No errors.\r\n";
inline constexpr std::string_view kLogNotRenamed = " was not renamed.";
inline constexpr std::string_view kLogManuallyRenamed = " was manually renamed to ";
inline constexpr std::string_view kLogNotBackedUp = " could not be backed up.";
inline constexpr std::string_view kLogCompleted = "\r\nProcessing completed! :)\r\n";
inline constexpr std::string_view kLogAborted = "\r\nProcessing aborted! :(\r\n";
inline constexpr std::string_view kLogSummary = "\r\nSummary\r\n=======\r\n";
inline constexpr std::string_view kLogFilesProcessed = "Number of files processed        : ";
inline constexpr std::string_view kLogUnrenamed = "Number of unrenamed files (U)    : ";
inline constexpr std::string_view kLogUserRenamed = "Number of user-renamed files (M) : ";
inline constexpr std::string_view kLogReadErrors = "Number of read errors (R)        : ";
inline constexpr std::string_view kLogTitleErrors = "Number of title errors (T)       : ";
inline constexpr std::string_view kLogBackupErrors = "Number of backup errors (B)      : ";
inline constexpr std::string_view kLogEnd = "\r\n=== END ===\r\n\r\n\r\n\r\n";
inline constexpr std::string_view kLogHtmlName = "\r\nHTML Name  : ";
inline constexpr std::string_view kLogTitleName = "Title Name : ";
inline constexpr std::string_view kLogQlmName = "QLM Name   : ";
inline constexpr std::string_view kErrorLogName = "QLM-ErrorLog.txt";
inline constexpr std::string_view kRenameLogName = "QLM-RenLog.txt";

// Settings file.
inline constexpr std::string_view kSettingsFileName = "Quillomat.ini";
inline constexpr std::string_view kSettingsHeader =
    "This file is created automatically by Quillomat v1.oo. Use only 1 and 0 for the options "
    "below. Modify it at your own risk!";
inline constexpr std::string_view kSettingsSection = "Options";

// Undo of the last run (Ctrl+Z in the idle main window).
inline constexpr std::string_view kUndoCaption = "Undo last run";
inline constexpr std::string_view kUndoNothing = "There is no run to undo.";
// kUndoQuestion1 + directory + kUndoQuestion2 + count + kUndoQuestion3
inline constexpr std::string_view kUndoQuestion1 = "Undo the last run on ";
inline constexpr std::string_view kUndoQuestion2 = "? Its ";
inline constexpr std::string_view kUndoQuestion3 =
    " renamed files get back the names they had before it.";
// kUndoDone1 + restored + kUndoDone2 + numbered + kUndoDone3 + left alone + kUndoDone4
inline constexpr std::string_view kUndoDone1 = "Names put back: ";
inline constexpr std::string_view kUndoDone2 = " (";
inline constexpr std::string_view kUndoDone3 =
    " of them numbered, as their old names are taken now). Left alone, as they were moved, "
    "deleted or changed since the run, or could not be moved: ";
inline constexpr std::string_view kUndoDone4 = ".";

// Windows and choosers.
inline constexpr std::string_view kMainCaption = "Quillomat 1.01";
inline constexpr std::string_view kOptionsCaption = "Options";
// The options dialog's boxes: each text begins with two blanks, and the one of 3011 ends in one.
inline constexpr std::string_view kBoxBackupRenamedFiles = "  Backup renamed files";
inline constexpr std::string_view kBoxBackupCreateNewDir = "  Always create new backup dir ";
inline constexpr std::string_view kBoxBackupUnrenamedFiles = "  Backup unrenamed files";
inline constexpr std::string_view kBoxBackupOverwriteExisting =
    "  Overwrite existing files in backup dir";
inline constexpr std::string_view kBoxEnableFullAutoMode = "  Enable full auto mode";
inline constexpr std::string_view kBoxEnableShellExts = "  Enable shell extensions";
inline constexpr std::string_view kBoxParseHTMLEntities = "  Enable parsing of HTML entities";
inline constexpr std::string_view kBoxRenameAsHtm = "  Rename as *.htm";
inline constexpr std::string_view kBoxWriteErrorLog = "  Write error log";
inline constexpr std::string_view kBoxWriteRenameLog = "  Write rename log";
inline constexpr std::string_view kOptionsReset = "&Reset";
inline constexpr std::string_view kOptionsClose = "&Close";
inline constexpr std::string_view kFolderChooserTitle =
    "Select the directory for Quillomat to process...";
inline constexpr std::string_view kFileChooserTitle =
    "Select the HTML file you want to rename with Quillomat...";
inline constexpr std::string_view kFileChooserFilter = "HTML Documents (*.htm,*.html)";

}  // namespace qlm::msg
