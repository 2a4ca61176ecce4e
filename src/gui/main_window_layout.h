// The main window's template: every control with its id, kind, text and rectangle in dialog
// units, in the template's order (which is also the tab order).
#pragma once

#include <map>
#include <span>

class QDialog;
class QWidget;

namespace qlm::gui {

class DialogUnits;

struct ControlTemplate {
  enum class Kind { DefaultButton, Button, GroupBox, Label, Field };
  int id;  // 0 for the frames and labels, which the program never addresses
  Kind kind;
  const char* text;
  int x, y, width, height;
};

// The main window's controls.
std::span<const ControlTemplate> MainWindowTemplate();

// The main window's size in dialog units.
inline constexpr int kMainWidth = 321;
inline constexpr int kMainHeight = 148;

// Creates the controls of `controls` on `dialog`, placed by `units`; returns those with an id,
// by id. Group boxes are created first so that they lie beneath the controls they frame.
std::map<int, QWidget*> CreateControls(QDialog& dialog, const DialogUnits& units,
                                       std::span<const ControlTemplate> controls);

}  // namespace qlm::gui
