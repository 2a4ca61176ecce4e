#include "gui/dialog_units.h"

#include <QFontMetrics>
#include <QStringList>

namespace qlm::gui {

namespace {
// Rounded a * b / c, as the templates' platform computes it.
int MulDiv(int a, int b, int c) {
  return (2 * a * b + c) / (2 * c);
}
}  // namespace

QFont DialogFont() {
  QFont font;
  font.setFamilies(QStringList{"Arial", "Liberation Sans"});
  font.setPointSize(9);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  // The average width is taken over the 52 letters, as the templates' platform does.
  const int letters =
      metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  base_x_ = (letters / 26 + 1) / 2;
  base_y_ = metrics.height();
}

int DialogUnits::X(int units) const {
  return MulDiv(units, base_x_, 4);
}

int DialogUnits::Y(int units) const {
  return MulDiv(units, base_y_, 8);
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
  return QRect(X(x), Y(y), X(width), Y(height));
}

}  // namespace qlm::gui
