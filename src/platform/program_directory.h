// Where the settings file, both logs and the run journal live: beside the executable only for
// a portable copy the user set up as one, else in the user's configuration directory. An
// installed program never writes beside itself.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace qlm {

// An environment variable's value; nullopt when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(const std::string& name)>;

// The process environment.
std::optional<std::string> ProcessEnvironment(const std::string& name);

// The running executable's full path; "" when it cannot be had.
std::string ExecutablePath();

// The name whose presence beside the executable makes a copy portable.
inline constexpr std::string_view kPortableMarker = "Quillomat.ini";

// The program directory, without a trailing '/':
//  1. `override_directory` (a --config-dir option) when not empty, created when missing
//     (its parent must exist);
//  2. else the directory of `executable_path` when it is a portable copy's: it already holds
//     a Quillomat.ini (a regular file), belongs to the user running the program (`user`),
//     nobody else may write to it, and a write probe there succeeds;
//  3. else UserProgramDirectory, created with its missing parents.
// A directory that exists in another letter case is used under the name it bears. With
// `create` false nothing is created: a missing directory is still returned (reading from it
// then finds nothing). Returns Ok with `directory` set; on failure (say, no HOME) the error
// and `directory` unchanged.
FsError FindProgramDirectory(FileSystem& fs, const std::string& override_directory,
                             const std::string& executable_path,
                             const EnvironmentLookup& environment, std::string& directory,
                             bool create = true);

// The id of the user running the program (0 where the platform has no such number).
std::uint32_t CurrentUser();

// The user's own program directory, for an installed copy: $XDG_CONFIG_HOME/quillomat (when
// XDG_CONFIG_HOME is an absolute path) or $HOME/.config/quillomat on Linux,
// %APPDATA%\Quillomat on Windows; nullopt when the environment names none.
std::optional<std::string> UserProgramDirectory(const EnvironmentLookup& environment);

}  // namespace qlm
