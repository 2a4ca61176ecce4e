#include "gui/log_opener.h"

#include <QDesktopServices>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace qlm::gui {

bool OpenInOrder(const std::vector<std::string>& paths, const QString& opener) {
  if (paths.empty()) return true;
  QStringList arguments{
      QStringLiteral("-c"),
      // --foreground: only the opener is stopped when it outstays its time, never the viewer
      // it started.
      QStringLiteral("opener=$1; shift; for path do timeout --foreground %1 \"$opener\" "
                     "\"$path\"; done")
          .arg(kOpenerWaitSeconds),
      QStringLiteral("quillomat-view-logs"), opener};
  for (const std::string& path : paths)
    arguments << QFile::decodeName(QByteArray::fromStdString(path));
  const QString program = QStandardPaths::findExecutable(opener).isEmpty()
                              ? QString()
                              : QStandardPaths::findExecutable(QStringLiteral("sh"));
  if (!program.isEmpty() && QProcess::startDetached(program, arguments)) return true;
  for (const std::string& path : paths) {
    QDesktopServices::openUrl(
        QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path))));
  }
  return false;
}

}  // namespace qlm::gui
