#include "choosers.h"

#include <commdlg.h>
#include <shlobj.h>

#include <vector>

#include "common/messages.h"
#include "platform/win32/wide.h"

namespace qlm::win32gui {

std::optional<std::string> ChooseDirectory(HWND owner) {
  const std::wstring title = win32::Widen(msg::kFolderChooserTitle);
  BROWSEINFOW browse{};
  browse.hwndOwner = owner;
  browse.lpszTitle = title.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
  if (chosen == nullptr) return std::nullopt;
  // Long paths fit: the buffer is the longest path Windows takes.
  std::vector<wchar_t> path(32768, L'\0');
  const bool found = SHGetPathFromIDListEx(chosen, path.data(), static_cast<DWORD>(path.size()),
                                           GPFIDL_DEFAULT) != FALSE;
  CoTaskMemFree(chosen);
  if (!found || path[0] == L'\0') return std::nullopt;
  return win32::Narrow(path.data());
}

std::optional<std::string> ChooseHtmlFile(HWND owner, const std::string& start) {
  const std::wstring title = win32::Widen(msg::kFileChooserTitle);
  // The filter: its one entry's text and its patterns, each ended by a NUL, and one more NUL.
  std::wstring filter = win32::Widen(msg::kFileChooserFilter);
  filter.push_back(L'\0');
  filter.append(L"*.HTM;*.HTML");
  filter.push_back(L'\0');
  const std::wstring initial = win32::Widen(start);
  std::vector<wchar_t> file(32768, L'\0');  // emptied each time it is shown
  OPENFILENAMEW chooser{};
  chooser.lStructSize = sizeof chooser;
  chooser.hwndOwner = owner;
  chooser.lpstrFilter = filter.c_str();
  chooser.nFilterIndex = 1;
  chooser.lpstrFile = file.data();
  chooser.nMaxFile = static_cast<DWORD>(file.size());
  chooser.lpstrInitialDir = initial.empty() ? nullptr : initial.c_str();
  chooser.lpstrTitle = title.c_str();
  chooser.lpstrDefExt = L"htm";
  chooser.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_NOREADONLYRETURN | OFN_NONETWORKBUTTON;
  if (!GetOpenFileNameW(&chooser)) return std::nullopt;
  return win32::Narrow(file.data());
}

}  // namespace qlm::win32gui
