#include "gui/main_window.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QScreen>
#include <QShortcut>

#include "common/messages.h"
#include "common/ui.h"
#include "gui/choosers.h"
#include "gui/dialog_units.h"
#include "gui/log_opener.h"
#include "gui/main_window_layout.h"
#include "gui/options_hook.h"
#include "gui/prompter.h"
#include "gui/qt_text.h"
#include "gui/rename_dialog.h"

namespace qlm::gui {

namespace {
constexpr int kWakeEvent = QEvent::User + 701;
}  // namespace

MainWindow::MainWindow(AppState& state, FileSystem& fs, const Clock& clock, Prompter& prompter,
                       QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      choose_directory(qlm::gui::ChooseDirectory),
      choose_file(ChooseHtmlFile),
      options_dialog(OpenOptionsDialog),
      open_logs([](const std::vector<std::string>& copies) {
        OpenInOrder(copies, QStringLiteral("xdg-open"));
      }),
      environment(ProcessEnvironment),
      prompter_(prompter) {
  setWindowTitle(FromBytes(msg::kMainCaption));
  setWindowIcon(QIcon(QStringLiteral(":/icons/quillomat-32.png")));
  setFont(DialogFont());
  const DialogUnits units(font());
  setFixedSize(units.X(kMainWidth), units.Y(kMainHeight));
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  controls_ = CreateControls(*this, units, MainWindowTemplate());
  wake_timer_.setSingleShot(true);
  connect(&wake_timer_, &QTimer::timeout, this, [this] { controller_->OnWake(); });
  MainWindowHost& host = *this;
  controller_ = std::make_unique<MainWindowController>(state, fs, clock, host, environment);

  for (const int id :
       {ctl::kProcessDir, ctl::kProcessFile, ctl::kOptions, ctl::kViewLogs, ctl::kExit}) {
    connect(static_cast<QAbstractButton*>(controls_.at(id)), &QAbstractButton::clicked, this,
            [this, id] { controller_->Command(id); });
  }
  // Ctrl+Z while idle offers to undo the last run.
  connect(new QShortcut(QKeySequence::Undo, this), &QShortcut::activated, this,
          [this] { controller_->OfferUndo(); });
}

MainWindow::~MainWindow() {
  controller_.reset();  // aborts a run still under way and waits for it
}

void MainWindow::Initialise() {
  controls_.at(ctl::kProcessDir)->setFocus(Qt::OtherFocusReason);
  controller_->Initialise();
}

QWidget* MainWindow::Control(int id) const {
  const auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : found->second;
}

void MainWindow::RestoreFocus() {
  // The run disabled the buttons, which moved the focus on to Exit (or out of the window).
  const QWidget* focused = focusWidget();
  if (focused == nullptr || focused == Control(ctl::kExit) || !focused->isEnabled()) {
    controls_.at(ctl::kProcessDir)->setFocus(Qt::OtherFocusReason);
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  controller_->Close();
}

bool MainWindow::event(QEvent* event) {
  if (event->type() == static_cast<QEvent::Type>(kWakeEvent)) {
    controller_->OnWake();
    return true;
  }
  return QDialog::event(event);
}

void MainWindow::Wake() {
  // A plain event, posted from any thread; Qt drops it if the window is gone by then.
  QCoreApplication::postEvent(this, new QEvent(static_cast<QEvent::Type>(kWakeEvent)));
}

void MainWindow::WakeAfter(std::chrono::milliseconds delay) {
  if (!wake_timer_.isActive()) wake_timer_.start(static_cast<int>(delay.count()));
}

void MainWindow::RunEnded(RunKind kind) {
  RestoreFocus();
  if (kind == RunKind::DirectoryRun) emit runFinished();
}

void MainWindow::ApplyControlText(int id, std::string_view text) {
  const QString value = FromBytes(text);
  QWidget* control = Control(id);
  if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    button->setText(value);
  } else if (auto* label = qobject_cast<QLabel*>(control)) {
    label->setText(value);
  }
}

void MainWindow::ApplyControlEnabled(int id, bool enabled) {
  if (QWidget* control = Control(id)) control->setEnabled(enabled);
}

std::string MainWindow::ControlText(int id) const {
  QWidget* control = Control(id);
  QString text;
  if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    text = button->text();
  } else if (auto* label = qobject_cast<QLabel*>(control)) {
    text = label->text();
  }
  return text.toUtf8().toStdString();
}

int MainWindow::AskMessageBox(std::string_view text, std::string_view caption, unsigned flags) {
  return prompter_.MessageBox(this, text, caption, flags);
}

int MainWindow::AskManualRename(ManualRename& dialog) {
  RenameDialog window(dialog, prompter_, this);
  return prompter_.Exec(window);
}

std::optional<std::string> MainWindow::ChooseDirectory(const std::string& start) {
  return choose_directory(*this, start);
}

std::optional<std::string> MainWindow::ChooseFile(const std::string& start) {
  return choose_file(*this, start);
}

void MainWindow::RunOptionsDialog(OptionSet& options) {
  if (options_dialog) options_dialog(*this, options);
}

void MainWindow::OpenLogs(const std::vector<std::string>& copies) {
  if (open_logs) open_logs(copies);
}

void MainWindow::EndWindow() {
  done(0);
}

}  // namespace qlm::gui
