// Drives a modal dialog the way a user does: the dialog runs its own modal loop on the test's
// thread, and a second thread, once the dialog is up, sends it clicks and commands, which
// that loop handles as it would handle the user's.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "platform/win32/windows_api.h"

namespace qlm::testing {

class ModalDriver {
 public:
  // `window` reports the dialog once it exists (nullptr before); `drive` gets it once it is
  // shown. A dialog that never comes up fails the test and `drive` is not called.
  ModalDriver(std::function<HWND()> window, std::function<void(HWND)> drive)
      : thread_([window = std::move(window), drive = std::move(drive)] {
          const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
          HWND dialog = nullptr;
          // Up means shown: the modal loop shows a dialog only after its initialisation.
          while ((dialog = window()) == nullptr || !IsWindowVisible(dialog)) {
            if (std::chrono::steady_clock::now() > give_up) {
              ADD_FAILURE() << "the dialog never came up";
              return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
          }
          drive(dialog);
        }) {}
  ~ModalDriver() { thread_.join(); }
  ModalDriver(const ModalDriver&) = delete;
  ModalDriver& operator=(const ModalDriver&) = delete;

 private:
  std::thread thread_;
};

// A click on control `id` of `dialog`, as the mouse gives it.
inline void Click(HWND dialog, int id) {
  SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}
// The command that Esc gives (IDCANCEL).
inline void PressEscape(HWND dialog) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}
inline bool Checked(HWND dialog, int id) {
  return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}
inline bool Enabled(HWND dialog, int id) {
  return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

}  // namespace qlm::testing
