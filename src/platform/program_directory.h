// Where the settings file and both logs live: beside the executable when that directory is
// writable (portable use), else in the user's configuration directory.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/file_system.h"

namespace qlm {

// An environment variable's value; nullopt when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(const std::string& name)>;

// The process environment.
std::optional<std::string> ProcessEnvironment(const std::string& name);

// The running executable's full path (readlink of /proc/self/exe); "" when unreadable.
std::string ExecutablePath();

// The program directory, without a trailing '/':
//  1. `override_directory` (a --config-dir option) when not empty, created when missing
//     (its parent must exist);
//  2. else the directory of `executable_path` when a write probe there succeeds;
//  3. else $XDG_CONFIG_HOME/quillomat when XDG_CONFIG_HOME is an absolute path, otherwise
//     $HOME/.config/quillomat, created with its missing parents.
// Returns Ok with `directory` set; on failure (say, no HOME) the error and `directory`
// unchanged.
FsError FindProgramDirectory(FileSystem& fs, const std::string& override_directory,
                             const std::string& executable_path,
                             const EnvironmentLookup& environment, std::string& directory);

}  // namespace qlm
