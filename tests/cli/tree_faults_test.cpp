// A tree run over what goes wrong in trees: a directory that cannot be read, a loop of bind
// mounts, a directory another run works in, a tree deeper than a path can reach. Each is said
// clearly, the rest of the tree is processed, and nothing is lost.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "cli/cli_app.h"
#include "cli/cli_process.h"
#include "cli/cli_runs.h"
#include "cli/json_lines.h"
#include "common/messages.h"
#include "platform/event.h"
#include "platform/forwarding_file_system.h"
#include "platform/posix/posix_file_system.h"
#include "support/engine_harness.h"

namespace qlm::testing {
namespace {

namespace fs = std::filesystem;

// The whole contents of a stream written so far.
std::string Contents(std::FILE* stream) {
  std::fflush(stream);
  std::rewind(stream);
  std::string text;
  for (int c; (c = std::fgetc(stream)) != EOF;)
    text += static_cast<char>(c);
  return text;
}

// Changes what ListSubdirectories says of some directories: fails it, or reports one as the
// directory another path names (what a bind mount of that directory looks like).
class TreeFaults final : public ForwardingFileSystem {
 public:
  explicit TreeFaults(FileSystem& inner) : ForwardingFileSystem(inner) {}
  FsError ListSubdirectories(const std::string& directory, DirectoryListing& listing) override {
    if (directory == unreadable) return FsError::AccessDenied;
    if (const FsError error = inner().ListSubdirectories(directory, listing); error != FsError::Ok)
      return error;
    AsMounted(directory, listing.device, listing.inode);
    for (Subdirectory& entry : listing.subdirectories)
      AsMounted(directory + "/" + entry.name, entry.device, entry.inode);
    return FsError::Ok;
  }
  std::string unreadable;
  std::string mounted_at;  // shows `mounted`
  std::string mounted;

 private:
  void AsMounted(const std::string& path, std::uint64_t& device, std::uint64_t& inode) {
    struct stat target;
    if (path != mounted_at || stat(mounted.c_str(), &target) != 0) return;
    device = target.st_dev;
    inode = target.st_ino;
  }
};

class TreeFaultsTest : public ::testing::Test {
 protected:
  TreeFaultsTest() : faults(disk) {
    for (const char* directory : {"", "a", "a/inner", "b"}) {
      fs::create_directories(root / directory);
      const std::string at = directory[0] == '\0' ? root.path() : root / directory;
      WriteFile(at + "/x.htm", Page("Same", at + "/x"));
      WriteFile(at + "/y.htm", Page("Same", at + "/y"));
    }
    options.BackupRenamedFiles = 0;
  }
  // Runs the tree at the root through `faults`; the JSON lines it printed.
  std::vector<JsonObject> RunTree(int expected_status) {
    std::FILE* in = std::tmpfile();
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    cli::RunSetup setup{faults, options};
    setup.target = root.path();
    setup.program_directory = config.path() + "/";
    setup.json = true;
    setup.in = in;
    setup.out = out;
    setup.err = err;
    Event continue_event(true);
    std::atomic<bool> stop(false);
    EXPECT_EQ(cli::RunTree(setup, continue_event, stop), expected_status);
    errors = Contents(err);
    std::vector<std::string> bad;
    std::vector<JsonObject> lines = ParseJsonLines(Contents(out), bad);
    EXPECT_TRUE(bad.empty()) << bad.front();
    for (std::FILE* stream : {in, out, err})
      std::fclose(stream);
    return lines;
  }
  // "relative-path status [reason]" for each directory line, in order.
  std::vector<std::string> Directories(const std::vector<JsonObject>& lines) {
    std::vector<std::string> found;
    for (const JsonObject& line : lines) {
      if (Str(line, "type") != "directory") continue;
      std::string path = Str(line, "directory");
      path = path == root.path() ? "." : path.substr(root.path().size() + 1);
      const std::string reason = Str(line, "reason");
      found.push_back(path + " " + Str(line, "status") + (reason == "<null>" ? "" : " " + reason));
    }
    return found;
  }
  TempDir root;
  TempDir config;
  PosixFileSystem disk;
  TreeFaults faults;
  OptionSet options;
  std::string errors;
};

TEST_F(TreeFaultsTest, ADirectoryThatCannotBeReadIsSaidAndTheRestIsProcessed) {
  faults.unreadable = root / "a";
  const std::vector<JsonObject> lines = RunTree(cli::kExitEndedEarly);
  EXPECT_EQ(Directories(lines),
            (std::vector<std::string>{". completed", "a skipped unreadable", "b completed"}));
  EXPECT_NE(errors.find(root / "a: not entered (it cannot be read (access denied))"),
            std::string::npos)
      << errors;
  EXPECT_EQ(Str(lines.back(), "status"), "incomplete");
  EXPECT_TRUE(fs::exists(root / "a/x.htm"));  // untouched, below it too
  EXPECT_TRUE(fs::exists(root / "a/inner/y.htm"));
  EXPECT_TRUE(fs::exists(root / "b/Same-1.htm"));
}

TEST_F(TreeFaultsTest, ALoopOfBindMountsIsSaidAndNotFollowed) {
  fs::create_directory(root / "a/inner/mount");
  faults.mounted_at = root / "a/inner/mount";
  faults.mounted = root / "a";
  const std::vector<JsonObject> lines = RunTree(cli::kExitCompleted);
  EXPECT_EQ(Directories(lines),
            (std::vector<std::string>{". completed", "a completed", "a/inner completed",
                                      "a/inner/mount skipped loop", "b completed"}));
  EXPECT_NE(errors.find("a bind mount?"), std::string::npos) << errors;
  EXPECT_EQ(Num(lines.back(), "directories"), 4);
}

TEST_F(TreeFaultsTest, ADirectoryAnotherRunWorksInEndsEarlyAndTheRestGoesOn) {
  PosixFileSystem other;  // another process's run, as far as the lock goes
  std::unique_ptr<DirectoryLock> held;
  ASSERT_EQ(other.LockDirectory(root / "a", held), FsError::Ok);
  const std::vector<JsonObject> lines = RunTree(cli::kExitEndedEarly);
  EXPECT_EQ(Directories(lines), (std::vector<std::string>{". completed", "a ended-early",
                                                          "a/inner completed", "b completed"}));
  for (const JsonObject& line : lines) {
    if (Str(line, "directory") == root / "a" && Str(line, "type") == "directory") {
      EXPECT_EQ(Str(line, "message"), std::string(msg::kDirectoryBusyText));
    }
  }
  EXPECT_TRUE(fs::exists(root / "a/x.htm"));
}

TEST(CliDeepTree, ATreeDeeperThanAPathCanReachIsProcessedAsFarAsItCanAndSaysWhere) {
  TempDir root;
  TempDir config;
  // A chain of long-named directories, made one below the other through descriptors, that
  // goes on past the longest path the system accepts; a page with a clash in each.
  const std::string long_name(200, 'd');
  int fd = open(root.path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  int levels = 0;
  for (std::size_t length = root.path().size(); length < PATH_MAX + 500; ++levels) {
    for (const char* page : {"x.htm", "y.htm"}) {
      const int file = openat(fd, page, O_WRONLY | O_CREAT, 0600);
      const std::string contents = Page("Deep", std::to_string(levels) + page);
      ASSERT_EQ(write(file, contents.data(), contents.size()),
                static_cast<ssize_t>(contents.size()));
      close(file);
    }
    ASSERT_EQ(mkdirat(fd, long_name.c_str(), 0700), 0);
    const int below = openat(fd, long_name.c_str(), O_RDONLY | O_DIRECTORY);
    close(fd);
    fd = below;
    length += long_name.size() + 1;
  }
  close(fd);
  const CliRun run = RunCliProcess(
      {"--config-dir", config.path(), "-o", "BackupRenamedFiles=0", "-r", "--json", root.path()},
      std::string(100, '\n'));  // No to each long-path question
  EXPECT_EQ(run.status, cli::kExitEndedEarly) << run.err;
  std::vector<std::string> bad;
  const std::vector<JsonObject> lines = ParseJsonLines(run.out, bad);
  EXPECT_TRUE(bad.empty());
  int too_long = 0;
  for (const JsonObject& line : lines)
    too_long += Str(line, "reason") == "too-long";
  EXPECT_EQ(too_long, 1);
  EXPECT_NE(run.err.find("its path is longer than the system allows"), std::string::npos);
  EXPECT_TRUE(fs::exists(root / "Deep.htm"));  // the top was processed
  EXPECT_TRUE(fs::exists(root / "Deep-1.htm"));
  // Nothing the test made outlives it, however deep.
  std::function<void(int, const std::string&)> remove = [&](int parent, const std::string& name) {
    const int here = openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (here >= 0) {
      remove(here, long_name);
      for (const char* page : {"x.htm", "y.htm", "Deep.htm", "Deep-1.htm"})
        unlinkat(here, page, 0);
      close(here);
    }
    unlinkat(parent, name.c_str(), AT_REMOVEDIR);
  };
  const int top = open(root.path().c_str(), O_RDONLY | O_DIRECTORY);
  remove(top, long_name);
  close(top);
  EXPECT_FALSE(fs::exists(root / long_name));
}

}  // namespace
}  // namespace qlm::testing
