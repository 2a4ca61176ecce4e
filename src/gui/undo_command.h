// Ctrl+Z in the idle main window: offers to undo the last journaled run and does it with the
// same engine code as quillomat-cli --undo.
#pragma once

#include <string>

class QWidget;

namespace qlm {
class Clock;
class FileSystem;
}  // namespace qlm

namespace qlm::gui {

class Prompter;

// Asks (naming the run's directory and its number of files) and, on Yes, puts the names back
// and tells what happened. Says so when there is no run to undo.
void OfferUndo(QWidget& owner, FileSystem& fs, const Clock& clock,
               const std::string& program_directory, Prompter& prompter);

}  // namespace qlm::gui
