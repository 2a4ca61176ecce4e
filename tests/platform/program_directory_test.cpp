// The program directory: an override, the executable's directory when writable, else the
// XDG configuration directory.
#include "platform/program_directory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "platform/fault_injecting_file_system.h"
#include "platform/posix_file_system.h"
#include "support/temp_dir.h"

namespace qlm {
namespace {

using testing::TempDir;

bool IsDirectory(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

struct DirectoryRow {
  const char* label;
  bool override_given;
  bool executable_writable;
  std::map<std::string, std::string> environment;  // "<root>" stands for the test directory
  std::string expected;                            // "" expects failure
};

class ProgramDirectoryTest : public ::testing::TestWithParam<DirectoryRow> {};

TEST_P(ProgramDirectoryTest, ChoosesAndCreates) {
  TempDir root;
  ASSERT_EQ(mkdir((root / "bin").c_str(), 0755), 0);
  ASSERT_EQ(mkdir((root / "home").c_str(), 0755), 0);
  auto expand = [&](std::string text) {
    if (text.starts_with("<root>")) text.replace(0, 6, root.path());
    return text;
  };
  const DirectoryRow& row = GetParam();
  EnvironmentLookup environment = [&](const std::string& name) -> std::optional<std::string> {
    auto found = row.environment.find(name);
    if (found == row.environment.end()) return std::nullopt;
    return expand(found->second);
  };
  PosixFileSystem real;
  FaultInjectingFileSystem fs(real);
  if (!row.executable_writable) fs.FailCall(FsOperation::Probe, 1, EROFS, true);
  std::string directory = "unchanged";
  FsError error = FindProgramDirectory(fs, row.override_given ? root / "custom/" : "",
                                       root / "bin/quillomat", environment, directory);
  if (row.expected.empty()) {
    EXPECT_EQ(error, FsError::PathNotFound);
    EXPECT_EQ(directory, "unchanged");
    return;
  }
  ASSERT_EQ(error, FsError::Ok);
  EXPECT_EQ(directory, expand(row.expected));
  EXPECT_TRUE(IsDirectory(directory));
}

const std::map<std::string, std::string> kHomeOnly = {{"HOME", "<root>/home"}};
const std::map<std::string, std::string> kXdg = {{"HOME", "<root>/home"},
                                                 {"XDG_CONFIG_HOME", "<root>/xdg"}};
const std::map<std::string, std::string> kRelativeXdg = {{"HOME", "<root>/home"},
                                                         {"XDG_CONFIG_HOME", "xdg"}};

INSTANTIATE_TEST_SUITE_P(
    Rows, ProgramDirectoryTest,
    ::testing::Values(DirectoryRow{"OverrideWins", true, true, kXdg, "<root>/custom"},
                      DirectoryRow{"ExecutableDirectory", false, true, kXdg, "<root>/bin"},
                      DirectoryRow{"XdgWhenReadOnly", false, false, kXdg, "<root>/xdg/quillomat"},
                      DirectoryRow{"HomeConfig", false, false, kHomeOnly,
                                   "<root>/home/.config/quillomat"},
                      DirectoryRow{"RelativeXdgIgnored", false, false, kRelativeXdg,
                                   "<root>/home/.config/quillomat"},
                      DirectoryRow{"NoHome", false, false, {}, ""}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ProgramDirectoryTest, ExecutablePathIsThisTest) {
  std::string path = ExecutablePath();
  EXPECT_TRUE(path.ends_with("/platform_tests")) << path;
}

}  // namespace
}  // namespace qlm
