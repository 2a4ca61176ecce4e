// Texts in and out of the Win32 controls: UTF-8 inside the program, UTF-16 at the window.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/win32/windows_api.h"

namespace qlm::win32gui {

void SetControlText(HWND dialog, int id, std::string_view text);
// The whole text of control `id`, or "" when there is no such control.
std::string ControlText(HWND dialog, int id);
// The window's own text (a dialog's caption).
std::string WindowText(HWND window);

// Shows a message box owned by a window and returns the answer (IDOK, IDYES, ...). The
// program's is MessageBoxW; tests put their own answers in its place.
using MessageBoxFunction =
    std::function<int(HWND owner, std::string_view text, std::string_view caption, unsigned flags)>;
int SystemMessageBox(HWND owner, std::string_view text, std::string_view caption, unsigned flags);

}  // namespace qlm::win32gui
