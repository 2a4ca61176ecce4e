#include "gui/main_window.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QScreen>
#include <QShortcut>

#include "common/messages.h"
#include "common/ui.h"
#include "engine/processing_run.h"
#include "gui/choosers.h"
#include "gui/dialog_units.h"
#include "gui/log_opener.h"
#include "gui/main_window_layout.h"
#include "gui/options_hook.h"
#include "gui/prompter.h"
#include "gui/qt_text.h"
#include "gui/rename_dialog.h"
#include "gui/undo_command.h"

namespace qlm::gui {

MainWindow::MainWindow(AppState& state, FileSystem& fs, const Clock& clock, Prompter& prompter,
                       QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      choose_directory(ChooseDirectory),
      choose_file(ChooseHtmlFile),
      options_dialog(OpenOptionsDialog),
      open_logs([](const std::vector<std::string>& copies) {
        OpenInOrder(copies, QStringLiteral("xdg-open"));
      }),
      environment(ProcessEnvironment),
      state_(state),
      fs_(fs),
      clock_(clock),
      prompter_(prompter),
      view_(*this) {
  setWindowTitle(FromBytes(msg::kMainCaption));
  setWindowIcon(QIcon(QStringLiteral(":/icons/quillomat-32.png")));
  setFont(DialogFont());
  const DialogUnits units(font());
  setFixedSize(units.X(kMainWidth), units.Y(kMainHeight));
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  controls_ = CreateControls(*this, units, MainWindowTemplate());

  const auto on_click = [this](int id, void (MainWindow::*command)()) {
    connect(static_cast<QAbstractButton*>(controls_.at(id)), &QAbstractButton::clicked, this,
            command);
  };
  on_click(ctl::kProcessDir, &MainWindow::OnProcessDir);
  on_click(ctl::kProcessFile, &MainWindow::OnProcessFile);
  on_click(ctl::kOptions, &MainWindow::OnOptions);
  on_click(ctl::kViewLogs, &MainWindow::OnViewLogs);
  on_click(ctl::kExit, &MainWindow::OnExit);
  // Ctrl+Z while idle offers to undo the last run.
  connect(new QShortcut(QKeySequence::Undo, this), &QShortcut::activated, this, [this] {
    if (!RunInProgress()) OfferUndo(*this, fs_, clock_, state_.ProgramDirectory, prompter_);
  });
  state_.RunActive = false;
}

MainWindow::~MainWindow() {
  if (worker_.joinable()) {
    state_.ContinueEvent.Reset();
    view_.Detach();
    worker_.join();
  }
}

void MainWindow::Initialise() {
  const OptionSet& options = state_.settings.options;
  if (!options.WriteErrorLog && !options.WriteRenameLog) EnableButton(ctl::kViewLogs, false);
  controls_.at(ctl::kProcessDir)->setFocus(Qt::OtherFocusReason);
  if (state_.mode == RunMode::SingleFile) {
    OnProcessFile();
  } else if (state_.mode == RunMode::Directory) {
    OnProcessDir();
  }
}

QWidget* MainWindow::Control(int id) const {
  const auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : found->second;
}

RunEnvironment MainWindow::Environment() {
  return RunEnvironment{fs_,
                        view_,
                        clock_,
                        state_.settings.options,
                        state_.TargetPath,
                        state_.ProgramDirectory,
                        state_.settings.LastDirectory,
                        state_.ContinueEvent,
                        state_.RunActive};
}

void MainWindow::OnProcessDir() {
  if (RunInProgress()) return;
  if (state_.mode == RunMode::Directory) {
    state_.mode = RunMode::None;  // the command line's directory is used once
  } else {
    const std::optional<std::string> chosen =
        choose_directory(*this, state_.settings.LastDirectory);
    if (!chosen) return ChooserCancelled();
    state_.TargetPath = *chosen;
  }
  SetStatus(msg::kInitializing);
  // The run disables these itself, but its updates arrive later: a click in between must
  // not start a second run or open the options while the run reads them.
  for (const int id : {ctl::kProcessDir, ctl::kProcessFile, ctl::kOptions, ctl::kViewLogs})
    EnableButton(id, false);
  state_.RunActive = true;
  if (worker_.joinable()) worker_.join();  // the previous run's worker, long finished
  worker_alive_ = true;
  worker_ = std::thread([this, environment = Environment()]() mutable {
    ProcessingRun(RunKind::DirectoryRun, environment);
    view_.PostRunFinished();
  });
}

void MainWindow::OnProcessFile() {
  if (RunInProgress()) return;
  if (state_.mode == RunMode::SingleFile) {
    state_.mode = RunMode::None;
  } else {
    const std::optional<std::string> chosen = choose_file(*this, state_.settings.LastDirectory);
    if (!chosen) return ChooserCancelled();
    state_.TargetPath = *chosen;
  }
  EnableButton(ctl::kExit, false);
  single_file_run_ = true;
  RunEnvironment environment = Environment();
  ProcessingRun(RunKind::SingleFileRun, environment);
  single_file_run_ = false;
  state_.RunActive = false;
  SetStatus(msg::kIdle);
  RestoreFocus();
}

void MainWindow::RestoreFocus() {
  // The run disabled the buttons, which moved the focus on to Exit (or out of the window).
  const QWidget* focused = focusWidget();
  if (focused == nullptr || focused == Control(ctl::kExit) || !focused->isEnabled()) {
    controls_.at(ctl::kProcessDir)->setFocus(Qt::OtherFocusReason);
  }
}

void MainWindow::ChooserCancelled() {
  SetStatus(msg::kIdle);
  EnableButton(ctl::kExit, true);
}

void MainWindow::OnOptions() {
  if (RunInProgress() || !options_dialog) return;
  options_dialog(*this, state_.settings.options);
  const OptionSet& options = state_.settings.options;
  EnableButton(ctl::kViewLogs, options.WriteErrorLog || options.WriteRenameLog);
}

void MainWindow::OnViewLogs() {
  if (RunInProgress()) return;
  const OptionSet& options = state_.settings.options;
  std::vector<std::string> copies;
  const LogOpener collect = [&copies](const std::string& copy) { copies.push_back(copy); };
  if (options.WriteErrorLog) {
    ViewLog(state_.ProgramDirectory, msg::kErrorLogName, environment, collect);
  }
  if (options.WriteRenameLog) {
    ViewLog(state_.ProgramDirectory, msg::kRenameLogName, environment, collect);
  }
  // Handed over together, so that the viewers come up in this order.
  if (!copies.empty() && open_logs) open_logs(copies);
}

void MainWindow::OnExit() {
  if (single_file_run_) return;  // cannot be aborted; its Exit button is disabled
  if (state_.RunActive) {
    state_.ContinueEvent.Reset();  // Abort: the run stops after the file in hand
    return;
  }
  if (worker_alive_) {
    // A click on the button while it still reads "Abort" is an Abort, though the run has
    // passed its last check (its updates reach the window a frame later): it never ends
    // the program.
    const auto* exit = static_cast<const QAbstractButton*>(Control(ctl::kExit));
    if (exit->text() == FromBytes(msg::kAbort)) return;
    // The run is past its last file but still writing its logs: leave when it is done
    // rather than cut it short.
    exit_pending_ = true;
    return;
  }
  SaveSettings(fs_, state_.settings);
  done(0);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  OnExit();
}

void MainWindow::RunFinished() {
  if (worker_.joinable()) worker_.join();
  worker_alive_ = false;
  RestoreFocus();
  emit runFinished();
  if (std::exchange(exit_pending_, false)) OnExit();
}

void MainWindow::SetStatus(std::string_view text) {
  ApplyControlText(ctl::kStatusLine, FromBytes(text));
}

void MainWindow::EnableButton(int id, bool enabled) {
  ApplyControlEnabled(id, enabled);
}

void MainWindow::ApplyControlText(int id, const QString& text) {
  QWidget* control = Control(id);
  if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    button->setText(text);
  } else if (auto* label = qobject_cast<QLabel*>(control)) {
    label->setText(text);
  }
}

void MainWindow::ApplyControlEnabled(int id, bool enabled) {
  if (QWidget* control = Control(id)) control->setEnabled(enabled);
}

int MainWindow::AskMessageBox(std::string_view text, std::string_view caption, unsigned flags) {
  return prompter_.MessageBox(this, text, caption, flags);
}

int MainWindow::AskManualRename(ManualRename& dialog) {
  RenameDialog window(dialog, prompter_, this);
  return prompter_.Exec(window);
}

}  // namespace qlm::gui
