// View Log(s): a log is copied out of the program directory and the copy is handed to the
// desktop's default application, so that nothing the user does in the viewer can change or
// lock the log itself. The copies go to a private per-user directory, never to a fixed name
// in a shared one, where another user could plant a link that redirects the copy.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/program_directory.h"

namespace qlm {

// How a ViewLog call ended. The window reports none of them; tests and logs tell them apart.
enum class ViewLogResult {
  Opened,              // the copy was made and handed to the opener
  LogMissing,          // no readable regular file of that name: nothing else happened
  NoPrivateDirectory,  // no safe directory for the copy could be had: nothing was copied
  CopyFailed,          // the copy could not be written; an older copy is left as it was
};

// Opens a copy with the desktop's default application.
using LogOpener = std::function<void(const std::string& copy_path)>;

// The directory for log copies, without a trailing '/': "quillomat" in $XDG_RUNTIME_DIR when
// that is an absolute path, else "quillomat-<uid>" in $TMPDIR (when absolute) or /tmp.
// Created with mode 0700 when missing. An existing entry is used only when it is a directory
// (not a link to one) owned by this user; its mode is then narrowed to 0700. Returns "" when
// no such directory can be had; nothing else is changed then.
std::string LogCopyDirectory(const EnvironmentLookup& environment);

// Copies `ProgramDirectory` (ending in '/') + `log_name` into LogCopyDirectory under the same
// name and calls `open` with the copy's path. The copy replaces an earlier one (or whatever
// entry holds that name, a link included, without following it) in one rename, so a failed
// copy leaves the earlier copy whole and a viewer never sees half a file. A missing log, or
// one that is not a regular file, ends the call silently before anything is created. The log
// itself is only read.
ViewLogResult ViewLog(std::string_view ProgramDirectory, std::string_view log_name,
                      const EnvironmentLookup& environment, const LogOpener& open);

}  // namespace qlm
