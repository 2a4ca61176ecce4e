// quillomat.exe: start-up, then the main window as a modal dialog for the rest of the
// program's life. The exit code is always 0.
#include "platform/win32/windows_api.h"

namespace {

INT_PTR CALLBACK MainProcedure(HWND window, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_CLOSE) {
    EndDialog(window, 0);
    return TRUE;
  }
  (void)wparam;
  return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  DialogBoxParamW(instance, L"MAINDLG", nullptr, &MainProcedure, 0);
  return 0;
}
