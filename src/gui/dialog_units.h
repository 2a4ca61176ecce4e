// Dialog units, the coordinates of the window templates, turned into pixels from the dialog
// font's metrics: a quarter of the average character width across, an eighth of the
// character height down.
#pragma once

#include <QFont>
#include <QRect>

namespace qlm::gui {

// The templates' font: 9-point Arial, matched by its metric twin Liberation Sans where Arial
// itself is missing.
QFont DialogFont();

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  // Pixels for `units` across (X) or down (Y), rounded to the nearest pixel.
  int X(int units) const;
  int Y(int units) const;
  // A control's rectangle from its template position and size.
  QRect Rect(int x, int y, int width, int height) const;

  int base_x() const { return base_x_; }
  int base_y() const { return base_y_; }

 private:
  int base_x_;  // average character width in pixels
  int base_y_;  // character height in pixels
};

}  // namespace qlm::gui
