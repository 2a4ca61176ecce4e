#include "gui/wrap_label.h"

#include <QPainter>
#include <QStyle>
#include <QTextOption>

namespace qlm::gui {

WrapLabel::WrapLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);  // names and titles are never markup
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setWordWrap(true);
}

void WrapLabel::paintEvent(QPaintEvent*) {
  // QLabel breaks only at blanks; this draws the same text with a break anywhere allowed.
  QPainter painter(this);
  QTextOption option(alignment());
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
  painter.drawText(QRectF(contentsRect()), text(), option);
}

}  // namespace qlm::gui
