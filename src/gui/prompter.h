// Message boxes and modal dialogs of the desktop program, with a seam so that tests answer
// them instead of a person (no global state: the application object owns one).
#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/run_view_relay.h"

class QDialog;
class QWidget;

namespace qlm::gui {

class Prompter {
 public:
  struct Shown {
    std::string text;
    std::string caption;
    unsigned flags = 0;
    QWidget* owner = nullptr;
  };

  // When true, no message box appears: each is answered with the next of `answers`, or, when
  // none is left, with its first button (OK or Yes). Every box is recorded in `shown` either
  // way.
  bool scripted = false;
  std::deque<int> answers;
  std::vector<Shown> shown;
  // Called through the event loop once a dialog run by Exec is up, so that a test can type
  // and click in it; empty in the product.
  std::function<void(QDialog&)> on_dialog_shown;

  // Shows a message box owned by `owner` with the text, caption, icon (0x30 warning, 0x40
  // information) and buttons (OK, OK/Cancel, Yes/No) that `flags` give; returns the answer
  // (mb::kIdOk, kIdCancel, kIdYes, kIdNo).
  int MessageBox(QWidget* owner, std::string_view text, std::string_view caption, unsigned flags);
  // Runs `dialog` modally and returns its result.
  int Exec(QDialog& dialog);
};

// Shows a modal message box owned by `owner` and returns the button pressed. Its text is
// always plain text: file names and titles are never read as markup.
int ShowPlainMessageBox(QWidget* owner, int icon, const QString& caption, const QString& text,
                        int buttons, int default_button);

// The answer a message box of `flags` gives when nobody can answer it (see run_view_relay.h).
using qlm::SafeAnswer;

}  // namespace qlm::gui
