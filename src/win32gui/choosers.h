// The two choosers of the main window: the shell's folder chooser (file-system directories
// only) and the open-file chooser for one existing, writable HTML file.
#pragma once

#include <optional>
#include <string>

#include "platform/win32/windows_api.h"

namespace qlm::win32gui {

// A directory's path, or nullopt when the user cancels.
std::optional<std::string> ChooseDirectory(HWND owner);
// A file's full path, or nullopt when the user cancels; opens in `start` (LastDirectory).
std::optional<std::string> ChooseHtmlFile(HWND owner, const std::string& start);

}  // namespace qlm::win32gui
