// quillomat-cli.exe: the arguments arrive as UTF-16 and go on as UTF-8, which is also what the
// console is set to show and read.
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_api.h"

int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i)
    arguments.push_back(qlm::win32::Narrow(argv[i]));
  std::vector<char*> pointers;
  for (std::string& argument : arguments)
    pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  return qlm::cli::RunCli(argc, pointers.data());
}
