#include "shell/posix/shell_verb_files.h"

namespace qlm {

namespace {

constexpr std::string_view kThunarIdPrefix = "quillomat-shell-verb";
constexpr std::string_view kComment = "Rename HTML documents after their titles";

// A string value of a desktop entry or key file: backslash doubled (the only escape a
// control-free text needs).
std::string EscapeKeyValue(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    if (c == '\\') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

std::string MarkerLine(std::string_view created) {
  return std::string(kVerbMarkerKey) + std::string(created) + "\n";
}

// `text` with every '%' doubled: the escape of desktop entries, FileManager-Actions and
// Thunar, whose field codes would otherwise take a '%' of the program path.
std::string EscapePercent(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    if (c == '%') escaped += '%';
    escaped += c;
  }
  return escaped;
}

// The program as the first word of a command line that a file manager splits as a shell
// would after replacing its field codes. See ExecCommand for env.
std::string ShellCommand(std::string_view program) {
  const std::string quoted = EscapePercent(ShellQuote(program));
  return program.find('%') == std::string_view::npos ? quoted : "env " + quoted;
}

// Nemo replaces its field codes up to the first '%' it does not know, and older versions
// know no "%%": a program path with '%' is spelt without one, as printf's octal escape.
std::string NemoCommand(std::string_view program) {
  if (program.find('%') == std::string_view::npos) return ShellQuote(program);
  std::string format;
  for (const char c : program) {
    if (c == '\\') {
      format += "\\\\";
    } else if (c == '%') {
      format += "\\045";
    } else {
      format += c;
    }
  }
  return "/bin/sh -c " + ShellQuote("exec \"$(printf " + ShellQuote(format) + ")\" \"$1\"") +
         " quillomat";
}

}  // namespace

std::string QuoteExecArgument(std::string_view argument) {
  constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  const bool quote = argument.empty() || argument.find_first_of(kReserved) != std::string::npos;
  std::string quoted;
  if (quote) quoted += '"';
  for (const char c : argument) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) quoted += '\\';
    quoted += c;
  }
  if (quote) quoted += '"';
  // Then the string escaping of the key file, and the field-code escape.
  return EscapePercent(EscapeKeyValue(quoted));
}

std::string ExecCommand(std::string_view program) {
  const std::string command = QuoteExecArgument(program) + " %f";
  return program.find('%') == std::string_view::npos ? command : "env " + command;
}

std::string ShellQuote(std::string_view text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

std::string XmlEscape(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&apos;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string ServiceMenuText(std::string_view program, std::string_view created) {
  return "[Desktop Entry]\n"
         "Type=Service\n"
         "X-KDE-ServiceTypes=KonqPopupMenu/Plugin\n"
         "MimeType=" +
         std::string(kVerbMimeTypes) +
         "\n"
         "Actions=Quillomat;\n" +
         MarkerLine(created) +
         "\n"
         "[Desktop Action Quillomat]\n"
         "Name=Quillomat\n"
         "Icon=quillomat\n"
         "Exec=" +
         ExecCommand(program) + "\n";
}

std::string FileManagerActionText(std::string_view program, std::string_view created) {
  // Caja, PCManFM and PCManFM-Qt put %f in shell quotes themselves, turn "%%" into "%" and
  // split the line as a shell would.
  return "[Desktop Entry]\n"
         "Type=Action\n"
         "Name=Quillomat\n"
         "Tooltip=" +
         std::string(kComment) +
         "\n"
         "Icon=quillomat\n"
         "Profiles=quillomat;\n" +
         MarkerLine(created) +
         "\n"
         "[X-Action-Profile quillomat]\n"
         "Name=Quillomat\n"
         "MimeTypes=" +
         std::string(kVerbMimeTypes) +
         "\n"
         "SelectionCount==1\n"
         "Exec=" +
         EscapeKeyValue(ShellCommand(program)) + " %f\n";
}

std::string NautilusScriptText(std::string_view program, std::string_view created) {
  // Nautilus passes the selection as arguments, names relative to the current folder (its
  // working directory). Only those are used: the path list it also puts in a variable is
  // split at line breaks, which a name may hold ("holiday photos" + LF + ".." would name the
  // parent folder). Each item gets a program of its own, as the program takes one argument.
  return "#!/bin/sh\n"
         "# Quillomat: renames the clicked HTML file, or the HTML files of the clicked folder.\n"
         "# " +
         MarkerLine(created) + "program=" + ShellQuote(program) +
         "\n"
         "for item in \"$@\"; do\n"
         "  case $item in\n"
         "    /*) ;;\n"
         "    *) item=$PWD/$item ;;\n"
         "  esac\n"
         "  \"$program\" \"$item\" &\n"
         "done\n"
         "wait\n";
}

std::string NemoActionText(std::string_view program, std::string_view created) {
  // Nemo puts the selected path in double quotes (Quote=double) and splits the line as a
  // shell would, without expansions.
  return "[Nemo Action]\n"
         "Name=Quillomat\n"
         "Comment=" +
         std::string(kComment) +
         "\n"
         "Exec=" +
         EscapeKeyValue(NemoCommand(program)) +
         " %F\n"
         "Icon-Name=quillomat\n"
         "Selection=s\n"
         "Mimetypes=" +
         std::string(kVerbMimeTypes) +
         "\n"
         "Quote=double\n" +
         MarkerLine(created);
}

std::optional<std::vector<std::string>> ParseVerbMarker(std::string_view text) {
  std::size_t line_start = 0;
  while (line_start < text.size()) {
    std::size_t line_end = text.find('\n', line_start);
    if (line_end == std::string_view::npos) line_end = text.size();
    std::string_view line = text.substr(line_start, line_end - line_start);
    if (line.starts_with("# ")) line.remove_prefix(2);          // the script's comment
    if (line.starts_with("<!-- ") && line.ends_with(" -->")) {  // uca.xml's
      line.remove_prefix(5);
      line.remove_suffix(4);
    }
    if (line.starts_with(kVerbMarkerKey)) {
      line.remove_prefix(kVerbMarkerKey.size());
      std::vector<std::string> directories;
      std::size_t start = 0;
      while (start <= line.size()) {
        std::size_t end = line.find(';', start);
        if (end == std::string_view::npos) end = line.size();
        if (end > start) directories.emplace_back(line.substr(start, end - start));
        start = end + 1;
      }
      return directories;
    }
    line_start = line_end + 1;
  }
  return std::nullopt;
}

std::string ThunarActionsText(std::string_view program) {
  // Thunar puts %f in shell quotes itself, turns "%%" into "%" and splits the line as a shell
  // would. Folders match any name; files only the HTML names, in the letter cases the
  // program accepts.
  const std::string command = XmlEscape(EscapePercent(ShellQuote(program)) + " %f");
  std::string text;
  const struct {
    std::string_view id, patterns, kinds;
  } actions[] = {
      {"-folders", "*", "\t<directories/>\n"},
      {"-files", "*.htm;*.html;*.HTM;*.HTML", "\t<text-files/>\n\t<other-files/>\n"},
  };
  for (const auto& action : actions) {
    text += "<action>\n\t<icon>quillomat</icon>\n\t<name>Quillomat</name>\n\t<submenu></submenu>\n";
    text +=
        "\t<unique-id>" + std::string(kThunarIdPrefix) + std::string(action.id) + "</unique-id>\n";
    text += "\t<command>" + command + "</command>\n";
    text += "\t<description>" + std::string(kComment) + "</description>\n";
    text += "\t<range></range>\n\t<patterns>" + std::string(action.patterns) + "</patterns>\n";
    text += std::string(action.kinds) + "</action>\n";
  }
  return text;
}

std::string RemoveThunarActions(std::string_view xml) {
  std::string text(xml);
  const std::string id_tag = "<unique-id>" + std::string(kThunarIdPrefix) + "-";
  for (std::size_t id = text.find(id_tag); id != std::string::npos; id = text.find(id_tag, id)) {
    // The enclosing element: the last "<action>" before the id with no "</action>" between.
    const std::size_t open = text.rfind("<action>", id);
    const std::size_t close = text.find("</action>", id);
    if (open == std::string::npos || close == std::string::npos ||
        text.find("</action>", open) < id) {
      id += id_tag.size();  // not inside an action element: leave it
      continue;
    }
    // Cut the element with the blanks before it on its line and the line break after it.
    std::size_t from = open;
    while (from > 0 && (text[from - 1] == ' ' || text[from - 1] == '\t'))
      --from;
    std::size_t to = close + std::string_view("</action>").size();
    if (to < text.size() && text[to] == '\n') ++to;
    text.erase(from, to - from);
    id = from;
  }
  return text;
}

std::optional<std::string> AddThunarActions(std::string_view xml, std::string_view program) {
  std::string text = RemoveThunarActions(xml);
  const std::size_t close = text.rfind("</actions>");
  if (close == std::string::npos) return std::nullopt;
  std::size_t at = close;  // at the start of the closing tag's line when it stands alone
  while (at > 0 && (text[at - 1] == ' ' || text[at - 1] == '\t'))
    --at;
  if (at > 0 && text[at - 1] != '\n') at = close;
  text.insert(at, ThunarActionsText(program));
  return text;
}

}  // namespace qlm
