#include "options_dialog.h"

#include <utility>

#include "common/ui.h"

namespace qlm::win32gui {

namespace {
constexpr int kClosed = 1;  // the dialog's result after Close
}  // namespace

OptionsDialog::OptionsDialog(OptionSet& options, ShellVerbUpdater update_verbs)
    : options_(options), update_verbs_(std::move(update_verbs)), model_(options) {}

bool OptionsDialog::Run(HINSTANCE instance, HWND owner) {
  const INT_PTR result = DialogBoxParamW(instance, L"OPTDLG", owner, &OptionsDialog::Procedure,
                                         reinterpret_cast<LPARAM>(this));
  window_ = nullptr;
  return result == kClosed && view_logs_;
}

void OptionsDialog::ShowModel(HWND window) const {
  for (const OptionBox& box : OptionBoxes()) {
    CheckDlgButton(window, box.id, model_.Checked(box.id) ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(window, box.id), model_.Enabled(box.id) ? TRUE : FALSE);
  }
}

INT_PTR CALLBACK OptionsDialog::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<OptionsDialog*>(lparam);
    SetWindowLongPtrW(window, DWLP_USER, lparam);
    self->ShowModel(window);
    self->window_ = window;
    return TRUE;  // the focus goes to the first box
  }
  auto* self = reinterpret_cast<OptionsDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  if (self == nullptr || message != WM_COMMAND) return FALSE;
  const int id = LOWORD(wparam);
  // Clicks, and Esc's IDCANCEL, come with code 0 (BN_CLICKED); other notifications are not
  // commands.
  if (HIWORD(wparam) != BN_CLICKED) return FALSE;
  if (id == ctl::kOptionsClose) {
    // Close applies the boxes as the model holds them: an automatic box has already changed
    // its mark when its click reaches the model, which follows it.
    self->view_logs_ = self->model_.Close(self->options_, self->update_verbs_);
    EndDialog(window, kClosed);
    return TRUE;
  }
  self->model_.Command(id, self->options_, self->update_verbs_);
  self->ShowModel(window);  // every mark and greyed box as the model decides
  return TRUE;
}

}  // namespace qlm::win32gui
