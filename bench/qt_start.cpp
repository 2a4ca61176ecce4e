// The least a Qt Widgets program does: start, show one label, quit at once. readahead.py
// --floors times it beside quillomat-cli on a one-page directory: the difference is what any
// desktop program built on Qt costs before and after its work, which no change to ours can
// take away.
#include <QApplication>
#include <QLabel>
#include <QTimer>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QLabel label(QStringLiteral("Quillomat"));
  label.show();
  QTimer::singleShot(0, &application, &QApplication::quit);
  return application.exec();
}
