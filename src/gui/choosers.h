// The two choosers of the main window: a directory (file-system directories only) and one
// existing, writable HTML file.
#pragma once

#include <QString>
#include <optional>
#include <string>

class QWidget;

namespace qlm::gui {

// Shows the folder chooser, owned by `owner`, opening at `start`. Returns the chosen
// directory's path as the file system spells it, or nullopt when the user cancels.
std::optional<std::string> ChooseDirectory(QWidget& owner, const std::string& start);

// Shows the open-file chooser for HTML documents, owned by `owner`, opening at `start`. It
// lets only a file pass that HtmlFileProblem accepts. Returns its full path as the file
// system spells it, or nullopt when the user cancels.
std::optional<std::string> ChooseHtmlFile(QWidget& owner, const std::string& start);

// The chooser's filter: shown as "HTML Documents (*.htm,*.html)", matching .htm and .html in
// any letter case.
QString HtmlNameFilter();

// Why `path` cannot be processed as one HTML file: it does not exist or is not a regular
// file, its name does not end in .htm or .html (any case), or it or its directory cannot be
// written. Empty when it can.
QString HtmlFileProblem(const QString& path);

}  // namespace qlm::gui
