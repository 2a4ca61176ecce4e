#include "dialog_text.h"

#include <vector>

#include "platform/win32/wide.h"

namespace qlm::win32gui {

void SetControlText(HWND dialog, int id, std::string_view text) {
  SetDlgItemTextW(dialog, id, win32::Widen(text).c_str());
}

std::string WindowText(HWND window) {
  if (window == nullptr) return {};
  const int length = GetWindowTextLengthW(window);
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, buffer.data(), length + 1);
  return win32::Narrow(std::wstring_view(buffer.data(), static_cast<std::size_t>(got)));
}

std::string ControlText(HWND dialog, int id) {
  return WindowText(GetDlgItem(dialog, id));
}

int SystemMessageBox(HWND owner, std::string_view text, std::string_view caption, unsigned flags) {
  return MessageBoxW(owner, win32::Widen(text).c_str(), win32::Widen(caption).c_str(), flags);
}

}  // namespace qlm::win32gui
