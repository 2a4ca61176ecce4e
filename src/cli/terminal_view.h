// The run's view in a terminal: message boxes and questions on stderr/stdin, each file's event
// handed to the run's output (text or JSON on stdout), and a progress bar on stderr when it is
// a terminal.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "cli/file_events.h"
#include "cli/run_output.h"
#include "engine/run_view.h"

namespace qlm::cli {

class TerminalView final : public RunView {
 public:
  // `total` is the number of files expected over all the runs the view serves (0 when
  // unknown); the bar is drawn only with `progress`.
  TerminalView(std::FILE* in, std::FILE* err, RunOutput& output, bool progress, std::int64_t total);

  void SetControlText(int id, std::string_view text) override;
  void EnableControl(int id, bool enabled) override;
  int ShowMessageBox(std::string_view text, std::string_view caption, unsigned flags) override;
  int ShowManualRenameDialog(ManualRename& dialog) override;
  void ReportJourney(const JourneyStep& step) override;

  // A run in another directory begins, after `done_before` files of earlier runs: the bar goes
  // on from there, and the files of the run before are forgotten.
  void BeginDirectory(std::int64_t done_before);
  // The text of the last message box shown since BeginDirectory; "" when none was.
  const std::string& last_message() const { return last_message_; }

  // Clears the progress bar, if one is drawn; call before printing anything else.
  void ClearProgress();

 private:
  // One line from the input without its line end; false at end of input.
  bool ReadLine(std::string& line);

  std::FILE* in_;
  std::FILE* err_;
  RunOutput& output_;
  bool progress_;
  std::int64_t total_;
  std::int64_t done_before_ = 0;
  bool bar_shown_ = false;
  std::string last_message_;
  FileEvents events_;
};

// The printable form of a name (SafeForDisplay): characters that would take control of the
// terminal (C0 and C1 controls) or disguise a name (bidirectional overrides) shown as '?'.
std::string Printable(std::string_view name);

}  // namespace qlm::cli
