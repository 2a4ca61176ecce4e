// The run's view in a terminal: message boxes and questions on stderr/stdin, one line per file
// on stdout, and a progress bar on stderr when it is a terminal.
#pragma once

#include <cstdio>
#include <string>

#include "cli/journey_origins.h"
#include "engine/run_view.h"

namespace qlm::cli {

class TerminalView final : public RunView {
 public:
  // `total` is the number of files expected (0 when unknown); the bar is drawn only with
  // `progress`.
  TerminalView(std::FILE* in, std::FILE* out, std::FILE* err, bool progress, int total);

  void SetControlText(int id, std::string_view text) override;
  void EnableControl(int id, bool enabled) override;
  int ShowMessageBox(std::string_view text, std::string_view caption, unsigned flags) override;
  int ShowManualRenameDialog(ManualRename& dialog) override;
  void ReportJourney(const JourneyStep& step) override;

  // Clears the progress bar, if one is drawn; call before printing anything else.
  void ClearProgress();

 private:
  // One line from the input without its line end; false at end of input.
  bool ReadLine(std::string& line);
  void Print(const std::string& line);

  std::FILE* in_;
  std::FILE* out_;
  std::FILE* err_;
  bool progress_;
  int total_;
  bool bar_shown_ = false;
  // Scratch name -> the file's name before the run and why it kept that name, so that the
  // second stage can print each file's whole way.
  JourneyOrigins scratch_origins_;
};

// The printable form of a name (SafeForDisplay): characters that would take control of the
// terminal (C0 and C1 controls) or disguise a name (bidirectional overrides) shown as '?'.
std::string Printable(std::string_view name);

}  // namespace qlm::cli
