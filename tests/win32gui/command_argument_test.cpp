// The argument of quillomat.exe: what follows the program's own path on the command line.
#include "command_argument.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandArgument, IsTheRestOfTheCommandLineAfterTheProgram) {
  struct Row {
    const char* command_line;
    const char* argument;  // nullptr: none
  };
  const Row rows[] = {
      {"quillomat.exe", nullptr},
      {"\"C:\\Program Files\\Quillomat\\quillomat.exe\" ", nullptr},  // the shell, no item
      {"\"C:\\Program Files\\Quillomat\\quillomat.exe\" C:\\My Pages",
       "C:\\My Pages"},  // a verb's unquoted item, blanks and all
      {"quillomat.exe C:\\Pages\\a.htm \r\n", "C:\\Pages\\a.htm"},
      {"quillomat.exe \t  ", nullptr},
      {"quillomat.exe \"C:\\My Pages\"", "C:\\My Pages"},  // one enclosing pair goes
      {"quillomat.exe \"a\" \"b\"", "\"a\" \"b\""},        // other quotes stay
      {"\"C:\\Quillomat\\quillomat.exe\"C:\\Pages", "C:\\Pages"},
  };
  for (const Row& row : rows) {
    const std::optional<std::string> argument = qlm::win32gui::CommandArgument(row.command_line);
    if (row.argument == nullptr) {
      EXPECT_FALSE(argument.has_value()) << row.command_line;
    } else {
      EXPECT_EQ(argument.value_or("<none>"), row.argument) << row.command_line;
    }
  }
}

}  // namespace
