// View Log(s) on real directories: the copy-then-open sequence, the silent missing log, and a
// copy directory that nobody else can redirect.
#include "shell/log_viewer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace qlm {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

struct Viewer {
  TempDir program;  // holds the logs
  TempDir runtime;  // stands in for $XDG_RUNTIME_DIR
  std::map<std::string, std::string> variables{{"XDG_RUNTIME_DIR", runtime.path()}};
  std::vector<std::string> opened;

  std::string CopyDirectory() const { return runtime / "quillomat"; }
  ViewLogResult View(const std::string& name) {
    return ViewLog(program.path() + "/", name, Environment(),
                   [this](const std::string& path) { opened.push_back(path); });
  }
  EnvironmentLookup Environment() const {
    return [this](const std::string& name) -> std::optional<std::string> {
      auto found = variables.find(name);
      if (found == variables.end()) return std::nullopt;
      return found->second;
    };
  }
};

bool IsLink(const std::string& path) {
  struct stat status {};
  return lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

unsigned Mode(const std::string& path) {
  struct stat status {};
  return lstat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

TEST(ViewLog, CopiesTheLogIntoAPrivateDirectoryAndOpensTheCopy) {
  Viewer viewer;
  WriteFile(viewer.program / "QLM-ErrorLog.txt", "first run\r\n");
  ASSERT_EQ(viewer.View("QLM-ErrorLog.txt"), ViewLogResult::Opened);
  const std::string copy = viewer.CopyDirectory() + "/QLM-ErrorLog.txt";
  EXPECT_EQ(viewer.opened, std::vector<std::string>{copy});
  EXPECT_EQ(ReadFile(copy), "first run\r\n");
  EXPECT_EQ(Mode(viewer.CopyDirectory()), 0700u);
  EXPECT_EQ(ReadFile(viewer.program / "QLM-ErrorLog.txt"), "first run\r\n");

  // A second view replaces the first copy and leaves no temporary file behind.
  WriteFile(viewer.program / "QLM-ErrorLog.txt", "first run\r\nsecond run\r\n");
  ASSERT_EQ(viewer.View("QLM-ErrorLog.txt"), ViewLogResult::Opened);
  EXPECT_EQ(ReadFile(copy), "first run\r\nsecond run\r\n");
  EXPECT_EQ(viewer.opened.size(), 2u);
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry :
       std::filesystem::directory_iterator(viewer.CopyDirectory())) {
    ++entries;
  }
  EXPECT_EQ(entries, 1u);
}

TEST(ViewLog, AMissingOrUnusableLogEndsSilentlyBeforeAnythingIsMade) {
  struct Row {
    const char* what;
    void (*make)(const std::string& path);
  };
  const Row rows[] = {
      {"missing", [](const std::string&) {}},
      {"directory", [](const std::string& path) { mkdir(path.c_str(), 0755); }},
      {"fifo", [](const std::string& path) { mkfifo(path.c_str(), 0644); }},
      {"dangling link",
       [](const std::string& path) { ASSERT_EQ(symlink("/nonexistent/log", path.c_str()), 0); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Viewer viewer;
    row.make(viewer.program / "QLM-RenLog.txt");
    EXPECT_EQ(viewer.View("QLM-RenLog.txt"), ViewLogResult::LogMissing);
    EXPECT_TRUE(viewer.opened.empty());
    EXPECT_FALSE(std::filesystem::exists(viewer.CopyDirectory()));
  }
}

TEST(ViewLog, ALinkPlantedAtTheCopysNameIsReplacedNotFollowed) {
  Viewer viewer;
  TempDir elsewhere;
  const std::string victim = elsewhere / "victim.txt";
  WriteFile(victim, "precious");
  WriteFile(viewer.program / "QLM-RenLog.txt", "log text");
  ASSERT_EQ(mkdir(viewer.CopyDirectory().c_str(), 0700), 0);
  const std::string copy = viewer.CopyDirectory() + "/QLM-RenLog.txt";
  ASSERT_EQ(symlink(victim.c_str(), copy.c_str()), 0);

  ASSERT_EQ(viewer.View("QLM-RenLog.txt"), ViewLogResult::Opened);
  EXPECT_EQ(ReadFile(victim), "precious");
  EXPECT_FALSE(IsLink(copy));
  EXPECT_EQ(ReadFile(copy), "log text");
}

TEST(ViewLog, ACopyDirectoryThatIsALinkOrNotOursIsRefused) {
  Viewer linked;
  TempDir target;
  WriteFile(linked.program / "QLM-ErrorLog.txt", "log");
  ASSERT_EQ(symlink(target.path().c_str(), linked.CopyDirectory().c_str()), 0);
  EXPECT_EQ(linked.View("QLM-ErrorLog.txt"), ViewLogResult::NoPrivateDirectory);
  EXPECT_TRUE(linked.opened.empty());
  EXPECT_FALSE(std::filesystem::exists(target / "QLM-ErrorLog.txt"));
  EXPECT_EQ(LogCopyDirectory(linked.Environment()), "");

  Viewer plain_file;
  WriteFile(plain_file.program / "QLM-ErrorLog.txt", "log");
  WriteFile(plain_file.CopyDirectory(), "not a directory");
  EXPECT_EQ(plain_file.View("QLM-ErrorLog.txt"), ViewLogResult::NoPrivateDirectory);
  EXPECT_EQ(ReadFile(plain_file.CopyDirectory()), "not a directory");

  if (getuid() != 0) GTEST_SKIP() << "handing a directory to another user needs root";
  Viewer foreign;
  WriteFile(foreign.program / "QLM-ErrorLog.txt", "log");
  ASSERT_EQ(mkdir(foreign.CopyDirectory().c_str(), 0777), 0);
  ASSERT_EQ(chown(foreign.CopyDirectory().c_str(), 65534, 65534), 0);
  EXPECT_EQ(foreign.View("QLM-ErrorLog.txt"), ViewLogResult::NoPrivateDirectory);
  EXPECT_TRUE(foreign.opened.empty());
  EXPECT_FALSE(std::filesystem::exists(foreign.CopyDirectory() + "/QLM-ErrorLog.txt"));
}

TEST(ViewLog, AnOwnCopyDirectoryWithLooseModeIsNarrowed) {
  Viewer viewer;
  WriteFile(viewer.program / "QLM-ErrorLog.txt", "log");
  ASSERT_EQ(mkdir(viewer.CopyDirectory().c_str(), 0755), 0);
  ASSERT_EQ(chmod(viewer.CopyDirectory().c_str(), 0777), 0);
  ASSERT_EQ(viewer.View("QLM-ErrorLog.txt"), ViewLogResult::Opened);
  EXPECT_EQ(Mode(viewer.CopyDirectory()), 0700u);
}

TEST(LogCopyDirectory, PlaceFollowsTheEnvironment) {
  TempDir runtime;
  TempDir temporary;
  const std::string per_user = "quillomat-" + std::to_string(getuid());
  struct Row {
    const char* what;
    std::map<std::string, std::string> variables;
    std::string expected;
  };
  const Row rows[] = {
      {"runtime directory",
       {{"XDG_RUNTIME_DIR", runtime.path()}, {"TMPDIR", temporary.path()}},
       runtime / "quillomat"},
      {"relative runtime directory ignored",
       {{"XDG_RUNTIME_DIR", "run/user"}, {"TMPDIR", temporary.path() + "/"}},
       temporary / per_user},
      {"empty runtime directory ignored",
       {{"XDG_RUNTIME_DIR", ""}, {"TMPDIR", temporary.path()}},
       temporary / per_user},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const EnvironmentLookup environment =
        [&row](const std::string& name) -> std::optional<std::string> {
      auto found = row.variables.find(name);
      if (found == row.variables.end()) return std::nullopt;
      return found->second;
    };
    EXPECT_EQ(LogCopyDirectory(environment), row.expected);
    EXPECT_EQ(Mode(row.expected), 0700u);
  }
}

}  // namespace
}  // namespace qlm
