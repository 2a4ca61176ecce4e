// Runs the command a context-menu file holds the way its file manager would: expands the
// selected item into it by the format's own rules and starts the result.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qlm {

enum class VerbFormat {
  DesktopEntry,       // Exec of the desktop entry, %f one argument, no shell
  ServiceMenu,        // Exec of the KDE service menu's action, likewise
  NautilusVariable,   // the script, with NAUTILUS_SCRIPT_SELECTED_FILE_PATHS
  NautilusArguments,  // the script, with the item's name as argument in its folder
  Nemo,               // Exec, %F as the path in double quotes, split as a shell would
  Thunar,             // <command>, %f as the path in shell quotes, split as a shell would
};

std::string_view VerbFormatName(VerbFormat format);

// A desktop entry's Exec value split into its arguments: the key file's string escapes
// undone, then the quoting rules of the Exec key; "%%" gives "%", field codes stay.
std::vector<std::string> SplitExec(std::string_view value);

// Runs the command of `format`'s file under `home` (the default XDG places) for `item`;
// returns the command's exit status, or -1 when the file or its command is missing.
int RunVerbCommand(VerbFormat format, const std::string& home, const std::string& item);

}  // namespace qlm
