#include "cli/terminal_view.h"

#include <algorithm>
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

TerminalView::TerminalView(std::FILE* in, std::FILE* err, RunOutput& output, bool progress,
                           std::int64_t total)
    : in_(in),
      err_(err),
      output_(output),
      progress_(progress),
      total_(total),
      events_([this](const FileEvent& event) {
        ClearProgress();
        output_.File(event);
      }) {}

void TerminalView::SetControlText(int id, std::string_view text) {
  if (!progress_ || id != ctl::kFilesProcessed) return;
  const std::int64_t done = done_before_ + std::atoll(std::string(text).c_str());
  constexpr std::int64_t kWidth = 30;
  const std::int64_t filled = total_ > 0 ? std::min(kWidth, done * kWidth / total_) : 0;
  std::fprintf(err_, "\r[%s%s] %lld/%lld",
               std::string(static_cast<std::size_t>(filled), '#').c_str(),
               std::string(static_cast<std::size_t>(kWidth - filled), '.').c_str(),
               static_cast<long long>(done), static_cast<long long>(total_));
  std::fflush(err_);
  bar_shown_ = true;
}

void TerminalView::BeginDirectory(std::int64_t done_before) {
  done_before_ = done_before;
  last_message_.clear();
  events_.Clear();
}

void TerminalView::EnableControl(int, bool) {}

void TerminalView::ClearProgress() {
  if (!bar_shown_) return;
  std::fputs("\r\033[K", err_);
  bar_shown_ = false;
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
  last_message_ = std::string(text);
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
  events_.Add(step);
}

}  // namespace qlm::cli
