// A RunView for tests: records every call as one line of text, answers message boxes and the
// manual rename dialog from scripts, and can act when a file's turn begins.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/run_view.h"

namespace qlm::testing {

class RecordingView : public RunView {
 public:
  // Calls, one line each: "text 2004 IDLE", "enable 2000 1", "box <caption> 0x41 <text>",
  // "dialog <prompt> [<proposal>]", "typed <name> -> accepted|in use|invalid".
  std::vector<std::string> calls;
  std::vector<JourneyStep> journey;

  // Answers of the next message boxes; when empty, OK/Yes.
  std::deque<int> box_answers;
  // Names the user types in the next dialogs, tried in turn until one is accepted; nullopt
  // presses Cancel, kProposal presses OK on the proposal as offered. When empty, the dialog
  // is cancelled.
  std::deque<std::optional<std::string>> typed_names;
  static constexpr const char* kProposal = "<the proposal>";
  // Called with the file name each time control 2005 shows a new file.
  std::function<void(const std::string&)> on_file;

  void SetControlText(int id, std::string_view text) override;
  void EnableControl(int id, bool enabled) override;
  int ShowMessageBox(std::string_view text, std::string_view caption, unsigned flags) override;
  int ShowManualRenameDialog(ManualRename& dialog) override;
  void ReportJourney(const JourneyStep& step) override;

  // The last text set on control `id` ("" when never set).
  std::string Text(int id) const;
  // Whether control `id` was last enabled (true when never touched).
  bool Enabled(int id) const;
  // The recorded lines that start with `prefix`.
  std::vector<std::string> CallsStartingWith(const std::string& prefix) const;
};

}  // namespace qlm::testing
