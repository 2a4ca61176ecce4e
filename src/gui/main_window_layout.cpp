#include "gui/main_window_layout.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "gui/dialog_units.h"
#include "gui/qt_text.h"
#include "gui/wrap_label.h"

namespace qlm::gui {

namespace {

using Kind = ControlTemplate::Kind;

constexpr ControlTemplate kMainControls[] = {
    {2000, Kind::DefaultButton, "Process &Dir.", 263, 11, 50, 14},
    {2001, Kind::Button, "Process &File", 263, 31, 50, 14},
    {2002, Kind::Button, "&Options", 263, 51, 50, 14},
    {2013, Kind::Button, "View Log(s)", 263, 71, 50, 14},
    {2003, Kind::Button, "E&xit", 263, 91, 50, 14},
    {0, Kind::GroupBox, "App. Status", 6, 7, 249, 70},
    {0, Kind::Label, "Progress :", 13, 18, 38, 9},
    {2004, Kind::Field, "IDLE", 60, 18, 152, 11},
    {0, Kind::Label, "File Name :", 13, 33, 38, 9},
    {2005, Kind::Field, "N/A", 60, 33, 185, 16},
    {0, Kind::Label, "HTML Title : ", 13, 56, 40, 8},
    {2006, Kind::Field, "N/A", 60, 56, 187, 17},
    {0, Kind::GroupBox, "Statistics", 6, 81, 249, 61},
    {0, Kind::Label, "Files Accessed :", 14, 95, 52, 8},
    {2007, Kind::Field, "N/A", 83, 95, 32, 9},
    {0, Kind::Label, "Unrenamed Files:", 13, 110, 62, 8},
    {2012, Kind::Field, "N/A", 83, 110, 34, 9},
    {0, Kind::Label, "User-renamed Files: ", 13, 125, 65, 9},
    {2011, Kind::Field, "N/A", 83, 125, 30, 9},
    {0, Kind::Label, "Read Errors : ", 137, 95, 43, 8},
    {2008, Kind::Field, "N/A", 207, 95, 34, 9},
    {0, Kind::Label, "Title Errors : ", 137, 110, 47, 8},
    {2009, Kind::Field, "N/A", 207, 110, 35, 9},
    {0, Kind::Label, "Backup Errors : ", 137, 125, 52, 8},
    {2010, Kind::Field, "N/A", 207, 125, 34, 9},
};

QWidget* CreateControl(QDialog& dialog, const ControlTemplate& control) {
  const QString text = QString::fromUtf8(control.text);
  switch (control.kind) {
    case Kind::DefaultButton:
    case Kind::Button: {
      auto* button = new QPushButton(text, &dialog);
      // Enter gives the default button's command wherever the focus is: a focused button
      // must not take Enter over (Exit would end the program, Abort stop the run).
      button->setAutoDefault(false);
      button->setDefault(control.kind == Kind::DefaultButton);
      return button;
    }
    case Kind::GroupBox:
      return new QGroupBox(text, &dialog);
    case Kind::Label:
    case Kind::Field: {
      // The two taller fields show a long name or title on two lines, broken anywhere when
      // it has no blank.
      if (control.kind == Kind::Field && control.height >= 16) {
        auto* field = new WrapLabel(&dialog);
        field->setText(text);
        return field;
      }
      auto* label = new QLabel(&dialog);
      // Plain text always: a title such as "<b>Offers</b>" is shown as it stands.
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      label->setText(text);
      return label;
    }
  }
  return nullptr;
}

}  // namespace

std::span<const ControlTemplate> MainWindowTemplate() {
  return kMainControls;
}

std::map<int, QWidget*> CreateControls(QDialog& dialog, const DialogUnits& units,
                                       std::span<const ControlTemplate> controls) {
  std::map<int, QWidget*> by_id;
  for (const bool frames : {true, false}) {
    for (const ControlTemplate& control : controls) {
      if ((control.kind == Kind::GroupBox) != frames) continue;
      QWidget* widget = CreateControl(dialog, control);
      widget->setGeometry(units.Rect(control.x, control.y, control.width, control.height));
      if (control.id != 0) {
        TagControl(widget, control.id);
        by_id[control.id] = widget;
      }
    }
  }
  return by_id;
}

}  // namespace qlm::gui
