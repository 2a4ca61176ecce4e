#include "cli/terminal_view.h"

#include <cstdlib>

#include "common/text.h"
#include "common/ui.h"
#include "engine/manual_rename.h"
#include "platform/errors.h"

namespace qlm::cli {

namespace {

std::string Lower(std::string text) {
  for (char& c : text)
    c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  return text;
}

}  // namespace

std::string Printable(std::string_view name) {
  return SafeForDisplay(name);
}

TerminalView::TerminalView(std::FILE* in, std::FILE* out, std::FILE* err, bool progress, int total)
    : in_(in), out_(out), err_(err), progress_(progress), total_(total) {}

void TerminalView::SetControlText(int id, std::string_view text) {
  if (!progress_ || id != ctl::kFilesProcessed) return;
  const int done = std::atoi(std::string(text).c_str());
  constexpr int kWidth = 30;
  const int filled = total_ > 0 ? std::min(kWidth, done * kWidth / total_) : 0;
  std::fprintf(err_, "\r[%s%s] %d/%d", std::string(static_cast<std::size_t>(filled), '#').c_str(),
               std::string(static_cast<std::size_t>(kWidth - filled), '.').c_str(), done, total_);
  std::fflush(err_);
  bar_shown_ = true;
}

void TerminalView::EnableControl(int, bool) {}

void TerminalView::ClearProgress() {
  if (!bar_shown_) return;
  std::fputs("\r\033[K", err_);
  bar_shown_ = false;
}

void TerminalView::Print(const std::string& line) {
  ClearProgress();
  // No flush per line: a terminal is line-buffered anyway, and a pipe or file gets the
  // lines in a few large writes.
  std::fprintf(out_, "%s\n", line.c_str());
}

bool TerminalView::ReadLine(std::string& line) {
  line.clear();
  int c;
  while ((c = std::fgetc(in_)) != EOF && c != '\n')
    line.push_back(static_cast<char>(c));
  if (c == EOF && line.empty()) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

int TerminalView::ShowMessageBox(std::string_view text, std::string_view caption, unsigned flags) {
  ClearProgress();
  std::fprintf(err_, "[%s] %s\n", Printable(caption).c_str(), Printable(text).c_str());
  const unsigned buttons = flags & mb::kButtonMask;
  if (buttons != mb::kYesNo && buttons != mb::kOkCancel) return mb::kIdOk;
  std::fputs(buttons == mb::kYesNo ? "Yes or no? [y/N] " : "OK or cancel? [y/N] ", err_);
  std::fflush(err_);
  std::string answer;
  const bool yes = ReadLine(answer) &&
                   (Lower(answer) == "y" || Lower(answer) == "yes" ||
                    (buttons == mb::kOkCancel && (Lower(answer) == "o" || Lower(answer) == "ok")));
  if (buttons == mb::kYesNo) return yes ? mb::kIdYes : mb::kIdNo;
  return yes ? mb::kIdOk : mb::kIdCancel;
}

int TerminalView::ShowManualRenameDialog(ManualRename& dialog) {
  ClearProgress();
  std::fprintf(err_, "%s\n", Printable(dialog.Prompt()).c_str());
  for (;;) {
    std::fprintf(err_, "New name [%s]: ", Printable(dialog.Proposal()).c_str());
    std::fflush(err_);
    std::string typed;
    if (!ReadLine(typed)) {
      std::fputs("\n", err_);
      return 1;
    }
    if (typed.empty()) typed = dialog.Proposal();
    const ManualRename::Verdict verdict = dialog.TryAccept(typed);
    if (verdict == ManualRename::Verdict::Accepted) return 0;
    ShowMessageBox(ManualRename::RefusalText(verdict), ManualRename::RefusalCaption(verdict),
                   ManualRename::RefusalFlags(verdict));
  }
}

void TerminalView::ReportJourney(const JourneyStep& step) {
  const std::string from = Printable(step.from);
  // " (kept its name: why)" after a file that passed through a scratch name unchanged.
  const auto kept = [](const std::string& reason) {
    return reason.empty() ? std::string() : " (kept its name: " + reason + ")";
  };
  if (step.stage != JourneyStep::Stage::Final && step.to.empty()) {
    Print(from + ": kept its name (" +
          (step.kept_reason.empty() ? std::string(ErrorText(step.error)) : step.kept_reason) + ")");
    return;
  }
  switch (step.stage) {
    case JourneyStep::Stage::Scratch:
      scratch_origins_.Add(step.to, step.from, step.kept_reason);
      return;
    case JourneyStep::Stage::SingleFile:
      Print(from + " -> " + Printable(step.to) + kept(step.kept_reason));
      return;
    case JourneyStep::Stage::Final:
      break;
  }
  const std::optional<JourneyOrigins::Origin> origin = scratch_origins_.Find(step.from);
  if (!origin) {
    // A scratch file an interrupted run left behind, given back its name.
    Print(from + " -> " + Printable(step.to) + " (left by an interrupted run)");
    return;
  }
  const std::string old = Printable(origin->name);
  const std::string reason(origin->kept_reason);
  if (step.to.empty()) {
    Print(old + ": stays as " + from + " (" + std::string(ErrorText(step.error)) + ")");
  } else {
    Print(old + " -> " + Printable(step.to) + kept(reason));
  }
}

}  // namespace qlm::cli
