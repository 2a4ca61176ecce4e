#include "shell/program_directory.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "fake_file_system.h"

namespace qlm {
namespace {

using testing::FakeFileSystem;

TEST(ChooseProgramDirectory, WritableExecutableDirectoryWins) {
  FakeFileSystem fs;
  fs.AddDirectory("/opt");
  fs.AddDirectory("/opt/q");
  fs.writable.insert("/opt/q");
  EXPECT_EQ(ChooseProgramDirectory(fs, "/opt/q", "/home/u/.cfg", "/home/u"), "/opt/q");
  EXPECT_EQ(fs.create_directory_calls, 0);  // nothing is made when it is not needed
}

TEST(ChooseProgramDirectory, ReadOnlyExecutableDirectoryFallsBackToTheConfigDirectory) {
  struct Row {
    const char* name;
    const char* xdg;
    const char* home;
    const char* expected;
  };
  const Row rows[] = {
      {"XDG_CONFIG_HOME", "/home/u/.cfg/", "/home/u", "/home/u/.cfg/quillomat"},
      {"HOME when XDG is unset", nullptr, "/home/u", "/home/u/.config/quillomat"},
      {"HOME when XDG is empty", "", "/home/u", "/home/u/.config/quillomat"},
      {"HOME when XDG is relative", "cfg", "/home/u/", "/home/u/.config/quillomat"},
      {"neither: the executable's directory", nullptr, nullptr, "/usr/bin"},
      {"relative HOME is no home", nullptr, "u", "/usr/bin"},
  };
  for (const Row& row : rows) {
    FakeFileSystem fs;
    fs.AddDirectory("/home");
    fs.AddDirectory("/home/u");
    fs.AddDirectory("/usr");
    fs.AddDirectory("/usr/bin");
    const std::string chosen = ChooseProgramDirectory(fs, "/usr/bin", row.xdg, row.home);
    EXPECT_EQ(chosen, row.expected) << row.name;
    FileInfo info;
    EXPECT_EQ(fs.GetInfo(chosen, info), FsError::Ok) << row.name;  // made with its parents
    EXPECT_TRUE(info.is_directory) << row.name;
  }
}

TEST(ChooseProgramDirectory, UnmakeableConfigDirectoryFallsBackToTheExecutable) {
  FakeFileSystem fs;
  fs.AddDirectory("/home");
  fs.AddFile("/home/u");  // a file where the home directory should be
  EXPECT_EQ(ChooseProgramDirectory(fs, "/usr/bin", nullptr, "/home/u"), "/usr/bin");
  EXPECT_EQ(ChooseProgramDirectory(fs, std::nullopt, nullptr, "/home/u"), ".");
}

TEST(ExecutableDirectory, NamesTheDirectoryOfThisTestBinary) {
  const std::optional<std::string> directory = ExecutableDirectory();
  ASSERT_TRUE(directory.has_value());
  EXPECT_FALSE(directory->empty());
  EXPECT_NE(directory->back(), '/');
  EXPECT_EQ(access((*directory + "/shell_tests").c_str(), X_OK), 0) << *directory;
}

}  // namespace
}  // namespace qlm
