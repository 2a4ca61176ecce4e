// A plain-text label that wraps its text at blanks where it can and anywhere else where it
// must: a long file name or title without blanks is broken across the lines it has instead
// of being clipped at the right edge.
#pragma once

#include <QLabel>

namespace qlm::gui {

class WrapLabel final : public QLabel {
 public:
  explicit WrapLabel(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace qlm::gui
