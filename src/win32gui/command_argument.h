// The command-line argument of quillomat.exe: the whole rest of the command line after the
// program's own path, trimmed of blanks, TABs, CRs and LFs. The shell verbs start the program
// as a quoted path, one blank and the unquoted item, so a path with blanks arrives whole and
// a program stored under a path with blanks is still told from its argument.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qlm::win32gui {

// The argument in `command_line` (as GetCommandLineW gives it, in UTF-8), or nullopt when
// there is none or only blanks. One pair of double quotes around the whole argument is
// removed; any other double quote is kept.
std::optional<std::string> CommandArgument(std::string_view command_line);

}  // namespace qlm::win32gui
