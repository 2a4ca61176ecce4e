#include "command_argument.h"

#include "common/text.h"

namespace qlm::win32gui {

std::optional<std::string> CommandArgument(std::string_view command_line) {
  std::size_t end = 0;
  if (!command_line.empty() && command_line[0] == '"') {
    // A quoted program path ends at its closing quote.
    const std::size_t quote = command_line.find('"', 1);
    end = quote == std::string_view::npos ? command_line.size() : quote + 1;
  } else {
    end = command_line.find_first_of(" \t");
    if (end == std::string_view::npos) end = command_line.size();
  }
  std::string argument;
  TrimBlanks(std::string(command_line.substr(end)), argument);
  // One pair of quotes around the whole argument, as other programs and consoles give a path
  // with blanks, goes: no Windows name holds a quote, so the quoted text could name nothing.
  if (argument.size() >= 2 && argument.front() == '"' && argument.back() == '"' &&
      argument.find('"', 1) == argument.size() - 1) {
    argument = argument.substr(1, argument.size() - 2);
  }
  if (argument.empty()) return std::nullopt;
  return argument;
}

}  // namespace qlm::win32gui
