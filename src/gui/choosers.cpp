#include "gui/choosers.h"

#include <unistd.h>

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "common/messages.h"
#include "gui/prompter.h"
#include "gui/qt_text.h"

namespace qlm::gui {

namespace {

// The path as the file system spells it, even when it is not valid UTF-8.
std::string ToBytes(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

// A file chooser that refuses, with its own message, a file the run could not rename.
class HtmlFileDialog final : public QFileDialog {
 public:
  HtmlFileDialog(QWidget* owner, const QString& title) : QFileDialog(owner, title) {}

 protected:
  void accept() override {
    const QStringList files = selectedFiles();
    const QString problem = files.isEmpty() ? QString() : HtmlFileProblem(files.first());
    if (!problem.isEmpty()) {
      // The chooser's title is too long for a caption; the program's name says who asks.
      ShowPlainMessageBox(this, QMessageBox::Warning, QStringLiteral("Quillomat"),
                          files.first() + "\n" + problem, QMessageBox::Ok, QMessageBox::Ok);
      return;
    }
    QFileDialog::accept();
  }
};

}  // namespace

QString HtmlNameFilter() {
  // The part in the last parentheses is the pattern list, hidden from the user (see
  // HideNameFilterDetails); the brackets match every letter case on any file system.
  return FromBytes(msg::kFileChooserFilter) + " (*.[hH][tT][mM] *.[hH][tT][mM][lL])";
}

QString HtmlFileProblem(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists() || !info.isFile()) return QStringLiteral("The file does not exist.");
  const QString suffix = info.suffix().toLower();
  if (suffix != "htm" && suffix != "html") {
    return QStringLiteral("The file is not an HTML document (.htm or .html).");
  }
  // access() asks the kernel, which knows read-only mounts as well as permission bits.
  const std::string file = ToBytes(info.absoluteFilePath());
  const std::string directory = ToBytes(info.absolutePath());
  if (access(file.c_str(), W_OK) != 0 || access(directory.c_str(), W_OK) != 0) {
    return QStringLiteral("The file is read-only or lies in a write-protected directory.");
  }
  return QString();
}

std::optional<std::string> ChooseDirectory(QWidget& owner, const std::string& start) {
  QFileDialog dialog(&owner, FromBytes(msg::kFolderChooserTitle));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  dialog.setDirectory(QFile::decodeName(QByteArray::fromStdString(start)));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return ToBytes(dialog.selectedFiles().first());
}

std::optional<std::string> ChooseHtmlFile(QWidget& owner, const std::string& start) {
  HtmlFileDialog dialog(&owner, FromBytes(msg::kFileChooserTitle));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilter(HtmlNameFilter());
  dialog.setDefaultSuffix(QStringLiteral("htm"));
  dialog.setDirectory(QFile::decodeName(QByteArray::fromStdString(start)));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return ToBytes(dialog.selectedFiles().first());
}

}  // namespace qlm::gui
