// The program directory: an override, a portable copy's own directory, else the XDG
// configuration directory.
#include "platform/program_directory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "platform/fault_injecting_file_system.h"
#include "platform/forwarding_file_system.h"
#include "platform/posix/posix_file_system.h"
#include "support/temp_dir.h"

namespace qlm {
namespace {

using testing::TempDir;
using testing::WriteFile;

bool IsDirectory(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Reports every entry as owned by somebody else: ownership cannot be changed without root.
class ForeignOwner final : public ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  FsError GetInfo(const std::string& path, FileInfo& info) override {
    const FsError error = inner().GetInfo(path, info);
    info.owner = CurrentUser() + 1;
    return error;
  }
};

struct DirectoryRow {
  const char* label;
  bool override_given;
  bool marker;                                     // bin/ holds a Quillomat.ini
  mode_t bin_mode;                                 // permissions of bin/
  bool executable_writable;                        // the write probe in bin/ succeeds
  bool foreign_owner;                              // every entry belongs to another user
  std::map<std::string, std::string> environment;  // "<root>" stands for the test directory
  std::string expected;                            // "" expects failure
};

class ProgramDirectoryTest : public ::testing::TestWithParam<DirectoryRow> {};

TEST_P(ProgramDirectoryTest, ChoosesAndCreates) {
  TempDir root;
  const DirectoryRow& row = GetParam();
  ASSERT_EQ(mkdir((root / "bin").c_str(), 0755), 0);
  ASSERT_EQ(chmod((root / "bin").c_str(), row.bin_mode), 0);
  ASSERT_EQ(mkdir((root / "home").c_str(), 0755), 0);
  if (row.marker) WriteFile(root / "bin/Quillomat.ini", "");
  auto expand = [&](std::string text) {
    if (text.starts_with("<root>")) text.replace(0, 6, root.path());
    return text;
  };
  EnvironmentLookup environment = [&](const std::string& name) -> std::optional<std::string> {
    auto found = row.environment.find(name);
    if (found == row.environment.end()) return std::nullopt;
    return expand(found->second);
  };
  PosixFileSystem real;
  ForeignOwner foreign(real);
  FaultInjectingFileSystem fs(row.foreign_owner ? static_cast<FileSystem&>(foreign) : real);
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
    ::testing::Values(
        DirectoryRow{"OverrideWins", true, true, 0755, true, false, kXdg, "<root>/custom"},
        DirectoryRow{"PortableCopy", false, true, 0755, true, false, kXdg, "<root>/bin"},
        // An installed copy (no Quillomat.ini beside it) never writes beside itself, even
        // where it could (root in /usr/bin).
        DirectoryRow{"InstalledCopy", false, false, 0755, true, false, kXdg,
                     "<root>/xdg/quillomat"},
        DirectoryRow{"PortableButReadOnly", false, true, 0755, false, false, kXdg,
                     "<root>/xdg/quillomat"},
        DirectoryRow{"PortableButGroupWritable", false, true, 0775, true, false, kXdg,
                     "<root>/xdg/quillomat"},
        DirectoryRow{"PortableButWorldWritable", false, true, 0777, true, false, kXdg,
                     "<root>/xdg/quillomat"},
        DirectoryRow{"PortableButSomebodyElses", false, true, 0755, true, true, kXdg,
                     "<root>/xdg/quillomat"},
        DirectoryRow{"HomeConfig", false, false, 0755, false, false, kHomeOnly,
                     "<root>/home/.config/quillomat"},
        DirectoryRow{"RelativeXdgIgnored", false, false, 0755, false, false, kRelativeXdg,
                     "<root>/home/.config/quillomat"},
        DirectoryRow{"NoHome", false, false, 0755, false, false, {}, ""}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ProgramDirectoryTest, AnExistingDirectoryInAnotherCaseIsUsedUnderItsOwnName) {
  TempDir root;
  ASSERT_EQ(mkdir((root / "Config").c_str(), 0755), 0);
  ASSERT_EQ(mkdir((root / "Config/Quillomat").c_str(), 0755), 0);
  PosixFileSystem fs;
  std::string directory;
  const EnvironmentLookup environment = [&](const std::string& name) {
    return name == "XDG_CONFIG_HOME" ? std::optional(root / "config") : std::nullopt;
  };
  ASSERT_EQ(FindProgramDirectory(fs, "", "", environment, directory), FsError::Ok);
  EXPECT_EQ(directory, root / "Config/Quillomat");
  ASSERT_EQ(FindProgramDirectory(fs, root / "CONFIG", "", environment, directory), FsError::Ok);
  EXPECT_EQ(directory, root / "Config");
}

TEST(ProgramDirectoryTest, WithoutCreateNothingIsMade) {
  TempDir root;
  PosixFileSystem fs;
  std::string directory;
  const EnvironmentLookup environment = [&](const std::string& name) {
    return name == "HOME" ? std::optional(root / "home") : std::nullopt;
  };
  ASSERT_EQ(FindProgramDirectory(fs, "", "", environment, directory, /*create=*/false),
            FsError::Ok);
  EXPECT_EQ(directory, root / "home/.config/quillomat");
  EXPECT_FALSE(IsDirectory(root / "home"));
  ASSERT_EQ(FindProgramDirectory(fs, root / "custom", "", environment, directory, false),
            FsError::Ok);
  EXPECT_EQ(directory, root / "custom");
  EXPECT_FALSE(IsDirectory(root / "custom"));
}

TEST(ProgramDirectoryTest, ExecutablePathIsThisTest) {
  std::string path = ExecutablePath();
  EXPECT_TRUE(path.ends_with("/platform_tests")) << path;
}

}  // namespace
}  // namespace qlm
