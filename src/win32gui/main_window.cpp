#include "main_window.h"

#include <shellapi.h>

#include "choosers.h"
#include "common/ui.h"
#include "options_dialog.h"
#include "platform/win32/wide.h"
#include "rename_dialog.h"
#include "shell_verbs_registry.h"

namespace qlm::win32gui {

namespace {

constexpr UINT kWakeMessage = WM_APP + 1;
constexpr UINT_PTR kFlushTimer = 1;

// The window whose dialog loop the key filter serves; one main window per thread.
thread_local HWND filtered_handle = nullptr;

}  // namespace

MainWindow::MainWindow(AppState& state, FileSystem& fs, const Clock& clock, HINSTANCE instance)
    : choose_directory(
          [](HWND owner, const std::string&) { return win32gui::ChooseDirectory(owner); }),
      choose_file(
          [](HWND owner, const std::string& start) { return ChooseHtmlFile(owner, start); }),
      options_dialog([instance](HWND owner, OptionSet& options) {
        OptionsDialog(options, [](int wanted) { UpdateShellVerbs(wanted); }).Run(instance, owner);
      }),
      open_logs([](const std::vector<std::string>& copies) {
        for (const std::string& copy : copies) {
          ShellExecuteW(nullptr, nullptr, win32::Widen(copy).c_str(), nullptr, nullptr,
                        SW_SHOWNORMAL);
        }
      }),
      environment(ProcessEnvironment),
      state_(state),
      fs_(fs),
      clock_(clock),
      instance_(instance) {}

MainWindow::~MainWindow() = default;

void MainWindow::Run() {
  // Ctrl+Z reaches no control of a dialog: the dialog loop's message filter takes it.
  const HHOOK hook =
      SetWindowsHookExW(WH_MSGFILTER, &MainWindow::KeyFilter, nullptr, GetCurrentThreadId());
  DialogBoxParamW(instance_, L"MAINDLG", nullptr, &MainWindow::Procedure,
                  reinterpret_cast<LPARAM>(this));
  if (hook != nullptr) UnhookWindowsHookEx(hook);
  filtered_handle = nullptr;
  window_ = nullptr;
  controller_.reset();  // a run still under way is aborted and waited for
}

LRESULT CALLBACK MainWindow::KeyFilter(int code, WPARAM wparam, LPARAM lparam) {
  const auto* message = reinterpret_cast<const MSG*>(lparam);
  if (code == MSGF_DIALOGBOX && message != nullptr && message->message == WM_KEYDOWN &&
      message->wParam == 'Z' && GetKeyState(VK_CONTROL) < 0 && filtered_handle != nullptr &&
      GetAncestor(message->hwnd, GA_ROOT) == filtered_handle) {
    PostMessageW(filtered_handle, WM_COMMAND, MAKEWPARAM(kUndoCommand, 0), 0);
    return 1;
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

void MainWindow::OnInitialise(HWND window) {
  hwnd_ = window;
  filtered_handle = window;
  const auto icon = static_cast<HICON>(
      LoadImageW(instance_, MAKEINTRESOURCEW(QLM_ID_ICON), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
  if (icon != nullptr) SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  MainWindowHost& host = *this;
  controller_ = std::make_unique<MainWindowController>(state_, fs_, clock_, host, environment);
  window_ = window;
  ShowWindow(window, SW_SHOWNORMAL);
  controller_->Initialise();
}

INT_PTR CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lparam);
    reinterpret_cast<MainWindow*>(lparam)->OnInitialise(window);
    return TRUE;  // the dialog manager gives the focus to the first control
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, DWLP_USER));
  if (self == nullptr || !self->controller_) return FALSE;
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wparam) == kUndoCommand) {
        self->controller_->OfferUndo();
      } else if (HIWORD(wparam) == BN_CLICKED) {
        self->controller_->Command(LOWORD(wparam));
      }
      return TRUE;
    case WM_CLOSE:
      self->controller_->Close();
      return TRUE;
    case kWakeMessage:
      self->controller_->OnWake();
      return TRUE;
    case WM_TIMER:
      if (wparam != kFlushTimer) return FALSE;
      KillTimer(window, kFlushTimer);
      self->controller_->OnWake();
      return TRUE;
    default:
      return FALSE;
  }
}

void MainWindow::ApplyControlText(int id, std::string_view text) {
  SetControlText(hwnd_, id, text);
}

void MainWindow::ApplyControlEnabled(int id, bool enabled) {
  EnableWindow(GetDlgItem(hwnd_, id), enabled ? TRUE : FALSE);
}

std::string MainWindow::ControlText(int id) const {
  return win32gui::ControlText(hwnd_, id);
}

int MainWindow::AskMessageBox(std::string_view text, std::string_view caption, unsigned flags) {
  return message_box(hwnd_, text, caption, flags);
}

int MainWindow::AskManualRename(ManualRename& dialog) {
  return RenameDialog(dialog, message_box).Run(instance_, hwnd_);
}

std::optional<std::string> MainWindow::ChooseDirectory(const std::string& start) {
  return choose_directory(hwnd_, start);
}

std::optional<std::string> MainWindow::ChooseFile(const std::string& start) {
  return choose_file(hwnd_, start);
}

void MainWindow::RunOptionsDialog(OptionSet& options) {
  options_dialog(hwnd_, options);
}

void MainWindow::OpenLogs(const std::vector<std::string>& copies) {
  open_logs(copies);
}

void MainWindow::EndWindow() {
  EndDialog(hwnd_, 0);
}

void MainWindow::RunEnded(RunKind) {
  // The run disabled the buttons, which may have left the focus on a disabled one (or on
  // Exit): back to Process Dir.
  const HWND focused = GetFocus();
  if (focused == nullptr || !IsWindowEnabled(focused) || focused == GetDlgItem(hwnd_, ctl::kExit)) {
    SendMessageW(hwnd_, WM_NEXTDLGCTL,
                 reinterpret_cast<WPARAM>(GetDlgItem(hwnd_, ctl::kProcessDir)), TRUE);
  }
  if (on_run_ended) on_run_ended();
}

void MainWindow::Wake() {
  if (const HWND window = window_.load()) PostMessageW(window, kWakeMessage, 0, 0);
}

void MainWindow::WakeAfter(std::chrono::milliseconds delay) {
  SetTimer(hwnd_, kFlushTimer, static_cast<UINT>(delay.count()), nullptr);
}

}  // namespace qlm::win32gui
