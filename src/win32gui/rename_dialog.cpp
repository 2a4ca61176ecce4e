#include "rename_dialog.h"

#include <utility>

#include "common/ui.h"
#include "engine/manual_rename.h"

namespace qlm::win32gui {

RenameDialog::RenameDialog(ManualRename& logic, MessageBoxFunction message_box)
    : logic_(logic), message_box_(std::move(message_box)) {}

int RenameDialog::Run(HINSTANCE instance, HWND owner) {
  const INT_PTR result = DialogBoxParamW(instance, L"RENAMEDLG", owner, &RenameDialog::Procedure,
                                         reinterpret_cast<LPARAM>(this));
  window_ = nullptr;
  return result == kAccepted ? kAccepted : kCancelled;
}

void RenameDialog::OnOk(HWND window) {
  const ManualRename::Verdict verdict = logic_.TryAccept(ControlText(window, ctl::kRenameEdit));
  if (verdict == ManualRename::Verdict::Accepted) {
    EndDialog(window, kAccepted);
    return;
  }
  // The dialog stays, with the typed text, for another try or Cancel.
  message_box_(window, ManualRename::RefusalText(verdict), ManualRename::RefusalCaption(verdict),
               ManualRename::RefusalFlags(verdict));
  SetFocus(GetDlgItem(window, ctl::kRenameEdit));
}

INT_PTR CALLBACK RenameDialog::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<RenameDialog*>(lparam);
    SetWindowLongPtrW(window, DWLP_USER, lparam);
    SetControlText(window, ctl::kRenamePrompt, self->logic_.Prompt());
    SendDlgItemMessageW(window, ctl::kRenameEdit, EM_LIMITTEXT, ManualRename::kMaxNameLength, 0);
    SetControlText(window, ctl::kRenameEdit, self->logic_.Proposal());
    const HWND edit = GetDlgItem(window, ctl::kRenameEdit);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    self->window_ = window;
    return FALSE;  // the focus is set
  }
  auto* self = reinterpret_cast<RenameDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  if (self == nullptr || message != WM_COMMAND || HIWORD(wparam) != BN_CLICKED) return FALSE;
  switch (LOWORD(wparam)) {
    case ctl::kRenameOk:  // also Enter, OK being the default button
      self->OnOk(window);
      return TRUE;
    case ctl::kRenameCancel:
      EndDialog(window, kCancelled);
      return TRUE;
    default:
      return TRUE;  // Esc and everything else: only the two buttons leave the dialog
  }
}

}  // namespace qlm::win32gui
