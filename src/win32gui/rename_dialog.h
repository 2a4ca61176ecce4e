// The manual rename dialog on Windows: RENAMEDLG over the engine's ManualRename, which makes
// the prompt and the proposal and judges every typed name. Only OK and Cancel leave it.
#pragma once

#include <atomic>

#include "dialog_text.h"
#include "platform/win32/windows_api.h"

namespace qlm {
class ManualRename;
}

namespace qlm::win32gui {

class RenameDialog {
 public:
  // Results, the run's own codes.
  static constexpr int kAccepted = 0;
  static constexpr int kCancelled = 1;

  // `logic` must outlive the dialog; `message_box` shows its refusals.
  RenameDialog(ManualRename& logic, MessageBoxFunction message_box);

  // Runs the dialog modally, owned by `owner`: kAccepted once a typed name is accepted (the
  // logic then holds the destination), kCancelled on Cancel, or when the dialog cannot be
  // created.
  int Run(HINSTANCE instance, HWND owner);

  // The dialog while it is open, else nullptr; for tests, from any thread.
  HWND window() const { return window_.load(); }

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void OnOk(HWND window);

  ManualRename& logic_;
  MessageBoxFunction message_box_;
  std::atomic<HWND> window_{nullptr};
};

}  // namespace qlm::win32gui
