// Small helpers every window of the desktop program shares.
#pragma once

#include <QString>
#include <QWidget>
#include <string_view>

namespace qlm::gui {

// A UTF-8 byte text (every text of the core library) as a QString.
inline QString FromBytes(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Tags a widget with its control id (property "controlId", object name "control<id>"), so
// that tests and the run's updates find it by the number the templates give it.
inline void TagControl(QWidget* widget, int id) {
  widget->setProperty("controlId", id);
  widget->setObjectName(QStringLiteral("control%1").arg(id));
}

}  // namespace qlm::gui
