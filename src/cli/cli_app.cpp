#include "cli/cli_app.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "cli/cli_options.h"
#include "cli/cli_runs.h"
#include "cli/cli_undo.h"
#include "cli/console.h"
#include "cli/terminal_view.h"
#include "common/text.h"
#include "platform/errors.h"
#include "platform/event.h"
#include "platform/native_file_system.h"
#include "platform/overlay_file_system.h"
#include "platform/path.h"
#include "platform/program_directory.h"
#include "shell/command_line.h"
#include "shell/settings.h"

namespace qlm::cli {

namespace {

constexpr const char* kProgram = "quillomat-cli";

int UsageError(const std::string& message) {
  std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", kProgram, message.c_str(),
               kProgram);
  return kExitUsage;
}

// Why no run can be made on `target`, in terms a user can act on: a path that could not be
// looked up at all (`lookup`) says why, rather than that it is no directory.
std::string NoRunOn(const std::string& target, FsError lookup) {
  const std::string quoted = "'" + Printable(target) + "'";
  switch (lookup) {
    case FsError::FileNotFound:
    case FsError::PathNotFound:
      return quoted + ": no such file or directory";
    case FsError::FilenameTooLong:
      return quoted + ": the path is too long";
    case FsError::AccessDenied:
      return quoted + ": permission denied";
    default:
      return quoted + " is neither a directory nor an HTML file ending in .htm or .html";
  }
}

}  // namespace

int RunCli(int argc, char** argv) {
  const std::unique_ptr<FileSystem> disk = MakeNativeFileSystem();
  return RunCli(argc, argv, *disk);
}

int RunCli(int argc, char** argv, FileSystem& disk) {
  CliOptions options;
  if (const std::string complaint = ParseCliOptions(argc, argv, options); !complaint.empty()) {
    return UsageError(complaint);
  }
  if (options.help) {
    std::fputs(kHelpText, stdout);
    return kExitCompleted;
  }
  if (options.version) {
    std::printf("%s %s\n", kProgram, QUILLOMAT_VERSION);
    return kExitCompleted;
  }

  // A dry run creates nothing, not even a missing configuration directory.
  std::string program_directory;
  if (FindProgramDirectory(disk, options.config_dir.value_or(""), ExecutablePath(),
                           ProcessEnvironment, program_directory,
                           /*create=*/!options.dry_run) != FsError::Ok) {
    if (options.config_dir)
      return UsageError("--config-dir " + *options.config_dir + ": cannot be used");
    // Never the working directory, which is often the one being processed.
    program_directory.clear();
    std::fprintf(stderr,
                 "%s: no directory for settings, logs and the journal (HOME is not set; use "
                 "--config-dir): this run writes no log and cannot be undone\n",
                 kProgram);
  }
  if (!program_directory.empty()) program_directory = path::Key(program_directory);
  std::vector<const char*> words{kProgram};
  for (const std::string& word : options.path_words)
    words.push_back(word.c_str());
  std::string target;
  const bool has_path =
      TakeCommandArgument(disk, static_cast<int>(words.size()), words.data(), target) == 0 &&
      !target.empty();
  // Absolute and resolved as the kernel resolves it, so that the logs and the journal name the
  // directory whatever the working directory was, and "link/.." is where the kernel goes.
  if (has_path) ResolveArgument(disk, target);
  if (options.undo) {
    // A directory named in another letter case is the one its runs were journaled under.
    if (has_path) {
      std::string stored = target;
      if (ClassifyArgument(disk, stored) == RunMode::Directory) target = stored;
    }
    const std::optional<std::string> where = has_path ? std::optional(target) : std::nullopt;
    return options.recursive ? RunTreeUndo(disk, options.dry_run, program_directory, where)
                             : RunUndo(disk, options.dry_run, program_directory, where);
  }
  if (!has_path) return UsageError("missing PATH (a directory or an .htm/.html file)");

  Settings settings = LoadSettings(disk, program_directory);
  for (const auto& [key, value] : options.overrides)
    ApplyOverride(settings.options, key, value);

  FsError lookup = FsError::Ok;
  const RunMode mode = ClassifyArgument(disk, target, &lookup);
  if (mode == RunMode::None) return UsageError(NoRunOn(target, lookup));
  if (options.recursive && mode != RunMode::Directory) {
    return UsageError("--recursive needs a directory, not '" + Printable(target) + "'");
  }

  OverlayFileSystem overlay(disk);
  FileSystem& fs = options.dry_run ? static_cast<FileSystem&>(overlay) : disk;
  if (options.dry_run) std::fputs("Dry run: nothing on disk is changed.\n", stderr);

  RunSetup setup{fs, settings.options};
  setup.target = target;
  setup.kind = mode == RunMode::Directory ? RunKind::DirectoryRun : RunKind::SingleFileRun;
  setup.program_directory =
      program_directory.empty() ? program_directory : path::WithSeparator(program_directory);
  setup.last_directory = settings.LastDirectory;
  setup.json = options.json;
  setup.progress = StandardErrorIsTerminal();
  Event continue_event(true);
  std::atomic<bool> finish_then_stop(false);
  int status;
  {
    InterruptWatcher watcher(continue_event, options.recursive ? &finish_then_stop : nullptr);
    status = options.recursive ? RunTree(setup, continue_event, finish_then_stop)
                               : RunSingle(setup, continue_event);
  }
  std::fflush(stdout);
  return status;
}

}  // namespace qlm::cli
