#include "support/recording_view.h"

#include <cstdio>

#include "common/ui.h"
#include "engine/manual_rename.h"

namespace qlm::testing {

void RecordingView::SetControlText(int id, std::string_view text) {
  calls.push_back("text " + std::to_string(id) + " " + std::string(text));
  if (id == ctl::kFileName && on_file && text != "N/A") on_file(std::string(text));
}

void RecordingView::EnableControl(int id, bool enabled) {
  calls.push_back("enable " + std::to_string(id) + (enabled ? " 1" : " 0"));
}

int RecordingView::ShowMessageBox(std::string_view text, std::string_view caption, unsigned flags) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%02x", flags);
  calls.push_back("box " + std::string(caption) + " " + hex + " " + std::string(text));
  if (box_answers.empty()) {
    return (flags & mb::kButtonMask) == mb::kYesNo ? mb::kIdYes : mb::kIdOk;
  }
  const int answer = box_answers.front();
  box_answers.pop_front();
  return answer;
}

int RecordingView::ShowManualRenameDialog(ManualRename& dialog) {
  calls.push_back("dialog " + dialog.Prompt() + " [" + dialog.Proposal() + "]");
  while (!typed_names.empty()) {
    const std::optional<std::string> typed = typed_names.front();
    typed_names.pop_front();
    if (!typed) break;
    const std::string name = *typed == kProposal ? dialog.Proposal() : *typed;
    const ManualRename::Verdict verdict = dialog.TryAccept(name);
    const char* outcome = verdict == ManualRename::Verdict::Accepted ? "accepted"
                          : verdict == ManualRename::Verdict::InUse  ? "in use"
                                                                     : "invalid";
    calls.push_back("typed " + name + " -> " + outcome);
    if (verdict == ManualRename::Verdict::Accepted) return 0;
    ShowMessageBox(ManualRename::RefusalText(verdict), ManualRename::RefusalCaption(verdict),
                   ManualRename::RefusalFlags(verdict));
  }
  return 1;
}

void RecordingView::ReportJourney(const JourneyStep& step) {
  journey.push_back(step);
}

std::string RecordingView::Text(int id) const {
  const std::string prefix = "text " + std::to_string(id) + " ";
  for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
    if (it->rfind(prefix, 0) == 0) return it->substr(prefix.size());
  }
  return "";
}

bool RecordingView::Enabled(int id) const {
  const std::string prefix = "enable " + std::to_string(id) + " ";
  for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
    if (it->rfind(prefix, 0) == 0) return it->back() == '1';
  }
  return true;
}

std::vector<std::string> RecordingView::CallsStartingWith(const std::string& prefix) const {
  std::vector<std::string> found;
  for (const std::string& call : calls) {
    if (call.rfind(prefix, 0) == 0) found.push_back(call);
  }
  return found;
}

}  // namespace qlm::testing
