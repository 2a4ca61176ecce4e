// The texts of the context-menu verbs on freedesktop desktops: a KDE service menu, a
// FileManager-Actions (DES-EMA) action for Caja, PCManFM and PCManFM-Qt, a Nautilus script,
// a Nemo action and Thunar custom actions. None of them is an application entry, so none
// can make Quillomat the program that opens a folder or an HTML file. Each runs the program
// by its absolute path with the clicked item as its one argument, quoted and with '%'
// escaped by the rules of its own format. Pure functions: no file is read or written here.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qlm {

// The line that marks a file as ours (in a comment for the script and uca.xml). Its value
// lists the directories that adding created for that file (relative to the base directory,
// separated by ';'), so that removing can take exactly those away again when they are left
// empty.
inline constexpr std::string_view kVerbMarkerKey = "X-Quillomat-Verb=";

// The MIME types Quillomat is offered for.
inline constexpr std::string_view kVerbMimeTypes =
    "text/html;application/xhtml+xml;inode/directory;";

// One argument of a desktop entry's Exec key, quoted when it holds a reserved character
// ("\"", "`", "$" and "\\" escaped inside the quotes), then escaped as a string value
// ("\\" doubled) and with "%" doubled. `argument` must hold no control byte.
std::string QuoteExecArgument(std::string_view argument);
// The Exec value that starts `program` with the clicked item: the quoted program, then
// " %f". A program path holding '%' is started through env, because loaders check that
// the command's first word exists before they undo the "%%" escape.
std::string ExecCommand(std::string_view program);
// A POSIX shell word that stands for `text` exactly: single quotes, each ' as '\''.
std::string ShellQuote(std::string_view text);
// `text` with &, <, >, " and ' as XML entities.
std::string XmlEscape(std::string_view text);

// The files' texts for the program at `program` (absolute, no control byte); `created` is the
// marker's list of created directories.
std::string ServiceMenuText(std::string_view program, std::string_view created);
std::string FileManagerActionText(std::string_view program, std::string_view created);
std::string NautilusScriptText(std::string_view program, std::string_view created);
std::string NemoActionText(std::string_view program, std::string_view created);

// Whether a file's text carries our marker line, and the directories it lists (empty
// entries dropped). A text without the marker gives nullopt.
std::optional<std::vector<std::string>> ParseVerbMarker(std::string_view text);

// Thunar keeps every custom action, the user's own among them, in one uca.xml. Ours are two
// <action> elements (folders; HTML files) told apart by their unique-id.
std::string ThunarActionsText(std::string_view program);
// `xml` without our actions: each <action> element holding one of our unique-ids is cut out
// with its line; everything else stays byte for byte. Unchanged when there is none.
std::string RemoveThunarActions(std::string_view xml);
// `xml` with our actions (after removing any old ones) inserted before the closing
// </actions>; nullopt, when there is no closing </actions> to insert before, so that a file
// Quillomat does not understand is left alone.
std::optional<std::string> AddThunarActions(std::string_view xml, std::string_view program);

}  // namespace qlm
