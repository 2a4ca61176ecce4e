// Where the settings file and both logs live: the executable's own directory when it can be
// written (portable use, as designed), otherwise the user's configuration directory, so that an
// installed program still keeps its settings and logs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace qlm {

// The running executable's directory without trailing '/' ("" when it lies in the root), from
// /proc/self/exe; nullopt when the system does not tell.
std::optional<std::string> ExecutableDirectory();

// ProgramDirectory, without trailing '/' ("" for the root):
//  1. `executable_directory` when it is known and fs.ProbeWritable accepts it;
//  2. otherwise `xdg_config_home`/quillomat, or `home`/.config/quillomat when the former is
//     unset, empty or relative (as the XDG rules say), created with its parents when missing;
//  3. when that cannot be made either: `executable_directory`, or "." when it is unknown;
//     saving then fails silently, as it would beside a read-only executable.
// `xdg_config_home` and `home` are the environment's values (nullptr when unset).
std::string ChooseProgramDirectory(FileSystem& fs,
                                   const std::optional<std::string>& executable_directory,
                                   const char* xdg_config_home, const char* home);

}  // namespace qlm
