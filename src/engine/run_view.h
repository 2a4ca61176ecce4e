// What a run shows and asks. The run never touches a widget or a terminal itself: it talks
// to a RunView, which the desktop program, the terminal front end and the tests implement.
#pragma once

#include <string>
#include <string_view>

#include "platform/errors.h"

namespace qlm {

class ManualRename;

// One step of a file's way through a run, for front ends that list what happened.
struct JourneyStep {
  enum class Stage {
    Scratch,     // first stage of a directory run: `from` moved to the scratch name `to`
    Final,       // second stage: scratch name `from` got its final name `to`
    SingleFile,  // a single-file run: `from` got its new name `to`
  };
  Stage stage = Stage::Scratch;
  std::string from;
  std::string to;  // empty when the move failed
  FsError error = FsError::Ok;
  // Why the file keeps its name (its title could not be read, it already bears it, the user
  // declined, ...); empty for a file that moves to a new name.
  std::string kept_reason;
};

class RunView {
 public:
  virtual ~RunView() = default;
  // Sets the text of main-window control `id` (2004 StatusLine, 2005 ... 2012, 2003).
  virtual void SetControlText(int id, std::string_view text) = 0;
  // Enables or disables main-window control `id` (the buttons 2000 ... 2003, 2013).
  virtual void EnableControl(int id, bool enabled) = 0;
  // Shows a message box owned by the main window; returns the answer (mb::kIdOk, ...).
  virtual int ShowMessageBox(std::string_view text, std::string_view caption, unsigned flags) = 0;
  // Runs the manual rename dialog over `dialog`'s logic: shows its prompt and proposal and
  // offers the user's names to dialog.TryAccept until one is accepted (returns 0) or the
  // user cancels (returns 1). Refusals are shown with dialog.RefusalText and friends.
  virtual int ShowManualRenameDialog(ManualRename& dialog) = 0;
  // Reports one step of a file's journey; front ends that do not list files ignore it.
  virtual void ReportJourney(const JourneyStep& /*step*/) {}
};

}  // namespace qlm
