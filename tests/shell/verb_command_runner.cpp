#include "shell/verb_command_runner.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "shell/shell_verb_files.h"
#include "support/temp_dir.h"

namespace qlm {

namespace {

// The value of the first line starting with `key`, or "".
std::string ValueOf(const std::string& text, const std::string& key) {
  std::size_t at = text.starts_with(key) ? 0 : text.find("\n" + key);
  if (at == std::string::npos) return "";
  if (at != 0 || !text.starts_with(key)) ++at;
  const std::size_t start = at + key.size();
  return text.substr(start, text.find('\n', start) - start);
}

// Undoes the key file's string escapes (\s \n \t \r \\).
std::string UnescapeKeyValue(std::string_view value) {
  std::string text;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      text += value[i];
      continue;
    }
    const char next = value[++i];
    text += next == 's' ? ' ' : next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
  }
  return text;
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::string XmlUnescape(std::string text) {
  text = ReplaceAll(text, "&lt;", "<");
  text = ReplaceAll(text, "&gt;", ">");
  text = ReplaceAll(text, "&quot;", "\"");
  text = ReplaceAll(text, "&apos;", "'");
  return ReplaceAll(text, "&amp;", "&");
}

// Starts `argv` in `directory` with NAUTILUS_SCRIPT_SELECTED_FILE_PATHS set to `selected`
// (unset when empty) and waits for it.
int Run(const std::vector<std::string>& argv, const std::string& directory,
        const std::string& selected) {
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(directory.c_str()) != 0) _exit(126);
    if (selected.empty()) {
      unsetenv("NAUTILUS_SCRIPT_SELECTED_FILE_PATHS");
    } else {
      setenv("NAUTILUS_SCRIPT_SELECTED_FILE_PATHS", selected.c_str(), 1);
    }
    std::vector<char*> pointers;
    for (const std::string& argument : argv)
      pointers.push_back(const_cast<char*>(argument.c_str()));
    pointers.push_back(nullptr);
    execv(pointers[0], pointers.data());
    _exit(127);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunExec(const std::string& exec, const std::string& item) {
  std::vector<std::string> argv = SplitExec(exec);
  if (argv.empty()) return -1;
  for (std::string& argument : argv) {
    if (argument == "%f") argument = item;
  }
  return Run(argv, "/", "");
}

int RunShellLine(const std::string& line) {
  return Run({"/bin/sh", "-c", line}, "/", "");
}

}  // namespace

std::string_view VerbFormatName(VerbFormat format) {
  switch (format) {
    case VerbFormat::DesktopEntry:
      return "DesktopEntry";
    case VerbFormat::ServiceMenu:
      return "ServiceMenu";
    case VerbFormat::NautilusVariable:
      return "NautilusVariable";
    case VerbFormat::NautilusArguments:
      return "NautilusArguments";
    case VerbFormat::Nemo:
      return "Nemo";
    case VerbFormat::Thunar:
      return "Thunar";
  }
  return "";
}

std::vector<std::string> SplitExec(std::string_view value) {
  const std::string text = UnescapeKeyValue(value);
  std::vector<std::string> arguments;
  std::string current;
  bool in_argument = false, quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"') {
        quoted = false;
      } else if (c == '\\' && i + 1 < text.size() &&
                 std::string_view("\"`$\\").find(text[i + 1]) != std::string_view::npos) {
        current += text[++i];
      } else {
        current += c;
      }
    } else if (c == ' ') {
      if (in_argument) arguments.push_back(ReplaceAll(current, "%%", "%"));
      current.clear();
      in_argument = false;
    } else {
      in_argument = true;
      if (c == '"') {
        quoted = true;
      } else {
        current += c;
      }
    }
  }
  if (in_argument) arguments.push_back(ReplaceAll(current, "%%", "%"));
  return arguments;
}

int RunVerbCommand(VerbFormat format, const std::string& home, const std::string& item) {
  const std::string data = home + "/.local/share/";
  switch (format) {
    case VerbFormat::DesktopEntry:
      return RunExec(
          ValueOf(testing::ReadFile(data + "applications/quillomat-shell-verb.desktop"), "Exec="),
          item);
    case VerbFormat::ServiceMenu:
      return RunExec(
          ValueOf(testing::ReadFile(data + "kio/servicemenus/quillomat.desktop"), "Exec="), item);
    case VerbFormat::NautilusVariable:
      return Run({data + "nautilus/scripts/Quillomat"}, "/", item + "\n");
    case VerbFormat::NautilusArguments: {
      const std::size_t slash = item.rfind('/');
      return Run({data + "nautilus/scripts/Quillomat", item.substr(slash + 1)},
                 item.substr(0, slash), "");
    }
    case VerbFormat::Nemo: {
      const std::string exec = UnescapeKeyValue(
          ValueOf(testing::ReadFile(data + "nemo/actions/quillomat.nemo_action"), "Exec="));
      if (exec.empty()) return -1;
      return RunShellLine(ReplaceAll(exec, "%F", "\"" + item + "\""));
    }
    case VerbFormat::Thunar: {
      const std::string xml = testing::ReadFile(home + "/.config/Thunar/uca.xml");
      const std::size_t id = xml.find("quillomat-shell-verb-files");
      const std::size_t start = xml.find("<command>", id);
      const std::size_t end = xml.find("</command>", start);
      if (id == std::string::npos || start == std::string::npos || end == std::string::npos) {
        return -1;
      }
      const std::string command = XmlUnescape(xml.substr(start + 9, end - start - 9));
      return RunShellLine(ReplaceAll(command, "%f", ShellQuote(item)));
    }
  }
  return -1;
}

}  // namespace qlm
