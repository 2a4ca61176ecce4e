#include "cli/cli_options.h"

#include <cstring>

namespace qlm::cli {

namespace {

bool IsKey(const std::string& key) {
  for (const auto& [name, flag] : kOptionKeys) {
    if (key == name) return true;
  }
  return false;
}

// KEY=0 or KEY=1 with a known key; "" on success, else the complaint.
std::string ParseOverride(const std::string& text, CliOptions& options) {
  const std::size_t equals = text.find('=');
  if (equals == std::string::npos) return "--option needs KEY=0 or KEY=1, not '" + text + "'";
  const std::string key = text.substr(0, equals);
  const std::string value = text.substr(equals + 1);
  if (!IsKey(key)) return "unknown option key '" + key + "' (see --help for the ten keys)";
  if (value != "0" && value != "1") return "the value of " + key + " must be 0 or 1";
  options.overrides.emplace_back(key, static_cast<std::uint8_t>(value[0] - '0'));
  return "";
}

}  // namespace

bool ApplyOverride(OptionSet& options, const std::string& key, std::uint8_t value) {
  for (const auto& [name, flag] : kOptionKeys) {
    if (key == name) {
      options.*flag = value;
      return true;
    }
  }
  return false;
}

std::string ParseCliOptions(int argc, const char* const* argv, CliOptions& options) {
  bool options_ended = false;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (options_ended || word.empty() || word[0] != '-' || word == "-") {
      options.path_words.push_back(word);
      continue;
    }
    if (word == "--") {
      options_ended = true;
    } else if (word == "-h" || word == "--help") {
      options.help = true;
    } else if (word == "--version") {
      options.version = true;
    } else if (word == "-n" || word == "--dry-run") {
      options.dry_run = true;
    } else if (word == "--undo") {
      options.undo = true;
    } else if (word == "-r" || word == "--recursive") {
      options.recursive = true;
    } else if (word == "--json") {
      options.json = true;
    } else if (word == "-o" || word == "--option" || word == "--config-dir") {
      if (i + 1 == argc) return word + " needs a value";
      const std::string value = argv[++i];
      if (word == "--config-dir") {
        options.config_dir = value;
      } else if (std::string complaint = ParseOverride(value, options); !complaint.empty()) {
        return complaint;
      }
    } else if (word.rfind("--option=", 0) == 0) {
      if (std::string complaint = ParseOverride(word.substr(9), options); !complaint.empty()) {
        return complaint;
      }
    } else if (word.rfind("--config-dir=", 0) == 0) {
      options.config_dir = word.substr(13);
    } else {
      return "unknown option '" + word + "'";
    }
  }
  if (options.json && options.undo) return "--json reports runs only, not --undo";
  return "";
}

const char* const kHelpText = R"HELP(Usage: quillomat-cli [OPTIONS] PATH
       quillomat-cli --undo [--recursive] [--dry-run] [--config-dir DIR] [PATH]

Renames HTML documents after their titles. PATH is a directory (every .htm and .html
file in it is renamed) or one HTML file. Words after the options are joined with single
blanks, so a path with blanks needs no quotes.

Options:
  -o, --option KEY=0|1   override one option for this run only (repeatable); KEY is one of
                         BackupRenamedFiles, BackupCreateNewDir, BackupOverwriteExisting,
                         BackupUnrenamedFiles, EnableShellExts, EnableFullAutoMode,
                         RenameAsHtm, ParseHTMLEntities, WriteRenameLog, WriteErrorLog
      --config-dir DIR   read Quillomat.ini from DIR and write the logs there
  -n, --dry-run          print what a run would do; create, move and write nothing
  -r, --recursive        every directory of the tree at PATH (PATH included) that holds
                         pages, each a run of its own (see Trees)
      --json             one JSON object per line on standard output (see JSON output)
      --undo [PATH]      put back the names of the most recent run on PATH (of all runs
                         without PATH), from the journal QLM-Journal.txt; with --recursive,
                         of the most recent tree run within PATH; with --dry-run, print what
                         it would do
  -h, --help             show this text
      --version          show the version
  --                     end of options (for a PATH that begins with '-')

The options come from Quillomat.ini in the program directory (the executable's directory
when writable, else $XDG_CONFIG_HOME/quillomat); quillomat-cli never writes that file.

Output: one line per file on standard output, "OLD -> NEW" or "OLD: kept its name (WHY)",
then the six counters. Messages go to standard error as "[Caption] text". A progress bar
is drawn on standard error when it is a terminal.

Questions (interactive mode, EnableFullAutoMode=0) read one line from standard input:
  a Yes/No question:   y or yes means Yes; anything else means No
  an OK/Cancel prompt: y, yes, o or ok means OK; anything else means Cancel
  a new name:          the line is the name; an empty line takes the proposed name
End of input answers No or Cancel. Ctrl-C asks a directory run to stop after the file in
hand; the files already handled still get their final names.

Trees (--recursive): the directories are taken depth first, each before its subdirectories,
in the order of the files (letters compared without case). Symbolic links are never
followed, and backup directories are never entered ("Backup" in any letter case, YYYYMMDD,
YYYYMMDD-N); a directory without pages gets no run. Each directory's lines stand under its
path, with its counters on one line; the whole tree's counters come last. In interactive
mode the questions come one directory after another. Ctrl-C finishes the directory in hand,
second stage included, and stops; Ctrl-C again stops that directory after the file in hand.
A directory that cannot be read, a loop of bind mounts or a path longer than the system
allows is reported on standard error and left out; the rest of the tree is processed.
--undo --recursive undoes every directory run of the most recent tree run, newest first; a
directory where a later run has changed names since is left alone and reported.

JSON output (--json): nothing but one object per line on standard output.
  {"type":"file","directory":D,"old":O,"new":N,"outcome":OUTCOME,"reason":R}
      OUTCOME: renamed, kept (R says why; N may differ in extension or number), failed
      (N is the scratch name it stays under, R the error), recovered (a scratch file an
      interrupted run left, given back its name)
  {"type":"directory","directory":D,"status":STATUS,"reason":C,"message":M,
   "files_processed":N,"unrenamed":N,"user_renamed":N,"read_errors":N,"title_errors":N,
   "backup_errors":N}
      STATUS: completed, aborted, ended-early, skipped (C says why: link, backup, loop,
      repeat, unreadable, too-long, replaced); M: the last message shown, or null
  {"type":"tree","directory":D,"status":completed|aborted|incomplete|ended-early,
   "directories":N,"skipped":N, and the six counters}         (--recursive only, last)
Names are bytes: a name that is not valid UTF-8 appears with U+FFFD for each malformed
sequence, and its exact bytes in hexadecimal under the same key with "_hex" added
("old_hex", "new_hex", "directory_hex"); R, C and M are null when there is nothing to say.

Undo puts back the latest run on the directory that still has names to put back, with a
killed run it continued; it finishes an interrupted undo, and undoing a finished undo redoes
its run. A document whose identity (inode, size, modification time) still matches goes back
to its old name, or to a numbered one when that is taken now; a document moved, deleted or
changed since is left alone and reported. No document is left under a scratch name.

A second run (or undo) on a directory another run is working on ends at once, with a
message, before it touches anything.

Exit status: 0 the run completed; 1 a check, an empty directory or a No ended it early, or
the directory was busy; 2 a usage error; 130 the run was aborted. --recursive: 0 every
directory with pages completed; 1 one ended early or could not be entered, or no directory
holds a page. --undo: 0 every name put back, 1 something left alone or failed, nothing to
undo, or the directory busy.
)HELP";

}  // namespace qlm::cli
