#include "gui/undo_command.h"

#include "common/messages.h"
#include "common/text.h"
#include "common/ui.h"
#include "engine/undo.h"
#include "gui/prompter.h"

namespace qlm::gui {

void OfferUndo(QWidget& owner, FileSystem& fs, const Clock& clock,
               const std::string& program_directory, Prompter& prompter) {
  UndoResult run = FindRunToUndo(fs, program_directory, std::nullopt);
  if (!run.found || run.items.empty()) {
    prompter.MessageBox(&owner, msg::kUndoNothing, msg::kUndoCaption, mb::kIconInformation);
    return;
  }
  std::string question(msg::kUndoQuestion1);
  question.append(run.directory).append(msg::kUndoQuestion2);
  question.append(IntToText(static_cast<std::int32_t>(run.items.size())))
      .append(msg::kUndoQuestion3);
  if (prompter.MessageBox(&owner, question, msg::kUndoCaption, mb::kYesNo | mb::kIconExclamation) !=
      mb::kIdYes) {
    return;
  }
  UndoRun(fs, clock, program_directory, run);
  if (run.busy) {
    prompter.MessageBox(&owner, msg::kDirectoryBusyText, msg::kDirectoryBusyCaption,
                        mb::kIconExclamation);
    return;
  }
  std::int32_t restored = 0;
  std::int32_t numbered = 0;
  for (const UndoItem& item : run.items) {
    restored += item.outcome == UndoItem::Outcome::Restored ||
                item.outcome == UndoItem::Outcome::Renumbered;
    numbered += item.outcome == UndoItem::Outcome::Renumbered;
  }
  const auto left_alone = static_cast<std::int32_t>(run.items.size()) - restored;
  std::string report(msg::kUndoDone1);
  report.append(IntToText(restored)).append(msg::kUndoDone2).append(IntToText(numbered));
  report.append(msg::kUndoDone3).append(IntToText(left_alone)).append(msg::kUndoDone4);
  prompter.MessageBox(&owner, report, msg::kUndoCaption, mb::kIconInformation);
}

}  // namespace qlm::gui
