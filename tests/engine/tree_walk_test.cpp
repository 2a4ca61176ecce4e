// The walk over a tree: its order, the directories it never enters (links, backups, loops),
// and directories that cannot be read, are swapped or renamed while it walks, or lie deeper
// than a path can reach.
#include "engine/tree_walk.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>

#include "native_file_system_type.h"
#include "platform/forwarding_file_system.h"
#include "support/temp_dir.h"

namespace qlm::testing {
namespace {

namespace fs = std::filesystem;

// Records the walk as "visit PATH" and "skip PATH why" lines, paths relative to the root.
class Recorder final : public TreeVisitor {
 public:
  explicit Recorder(std::string root) : root_(std::move(root)) {}
  bool Visit(const std::string& directory) override {
    lines.push_back("visit " + Relative(directory));
    if (on_visit) on_visit(directory);
    return --visits_left != 0;
  }
  void Skip(const std::string& directory, TreeSkip why, FsError) override {
    static const char* const kWhy[] = {"link",       "backup",   "loop",    "repeat",
                                       "unreadable", "too-long", "replaced"};
    lines.push_back("skip " + Relative(directory) + " " + kWhy[static_cast<int>(why)]);
  }
  std::vector<std::string> lines;
  std::function<void(const std::string&)> on_visit;
  int visits_left = -1;  // stops the walk when it reaches 0

 private:
  std::string Relative(const std::string& path) const {
    return path == root_ ? "." : path.substr(root_.size() + 1);
  }
  std::string root_;
};

TEST(IsBackupDirectoryName, TheNamesARunGivesItsBackupDirectory) {
  for (const char* name : {"Backup", "backup", "BACKUP", "bAcKuP", "20240115", "19991231",
                           "20240115-1", "20240115-27"}) {
    EXPECT_TRUE(IsBackupDirectoryName(name)) << name;
  }
  for (const char* name : {"Backups", "backup ", "my backup", "2024011", "202401150",
                           "20241315",  // no 13th month
                           "20240100", "20240132", "12345678", "20240115-", "20240115-0",
                           "20240115-01", "20240115_1", "20240115-1a", ""}) {
    EXPECT_FALSE(IsBackupDirectoryName(name)) << name;
  }
}

TEST(WalkTree, DepthFirstInFoldedOrderNeverIntoLinksOrBackups) {
  TempDir root;
  TempDir outside;
  for (const char* path : {"b", "a/two", "a/One", "A2", "Backup/inner", "backup", "20240115-3",
                           "12345678", "docs.htm"})
    fs::create_directories(root / path);
  fs::create_directory_symlink(outside.path(), root / "a/out");
  fs::create_directory_symlink(root / "a", root / "up");  // a link to a directory above
  NativeFileSystem layer;
  Recorder walk(root.path());
  EXPECT_TRUE(WalkTree(layer, root.path(), walk));
  EXPECT_EQ(walk.lines,
            (std::vector<std::string>{"visit .", "visit 12345678", "skip 20240115-3 backup",
                                      "visit a", "visit a/One", "skip a/out link", "visit a/two",
                                      "visit A2", "visit b", "skip Backup backup",
                                      "skip backup backup", "visit docs.htm", "skip up link"}));
}

// Stands in for bind mounts: the directories named in `aliases` are reported as the directory
// they name (the same device and inode), as a bind mount of it would be.
class BindMounts final : public ForwardingFileSystem {
 public:
  BindMounts(FileSystem& inner, std::map<std::string, std::string> aliases)
      : ForwardingFileSystem(inner), aliases_(std::move(aliases)) {}
  FsError ListSubdirectories(const std::string& directory, DirectoryListing& listing) override {
    if (const FsError error = inner().ListSubdirectories(directory, listing); error != FsError::Ok)
      return error;
    AsMounted(directory, listing.device, listing.inode);
    for (Subdirectory& entry : listing.subdirectories)
      AsMounted(directory + "/" + entry.name, entry.device, entry.inode);
    return FsError::Ok;
  }

 private:
  void AsMounted(const std::string& path, std::uint64_t& device, std::uint64_t& inode) {
    const auto alias = aliases_.find(path);
    struct stat target;
    if (alias == aliases_.end() || stat(alias->second.c_str(), &target) != 0) return;
    device = target.st_dev;
    inode = target.st_ino;
  }
  std::map<std::string, std::string> aliases_;
};

TEST(WalkTree, ALoopOfBindMountsIsNotEnteredAndEachDirectoryIsEnteredOnce) {
  TempDir root;
  for (const char* path : {"a/loop", "a/deeper/to-a", "b/again", "c"})
    fs::create_directories(root / path);
  NativeFileSystem disk;
  BindMounts mounts(disk, {{root / "a/loop", root.path()},
                           {root / "a/deeper/to-a", root / "a"},
                           {root / "b/again", root / "a/deeper"}});
  Recorder walk(root.path());
  EXPECT_TRUE(WalkTree(mounts, root.path(), walk));
  EXPECT_EQ(walk.lines, (std::vector<std::string>{"visit .", "visit a", "visit a/deeper",
                                                  "skip a/deeper/to-a loop", "skip a/loop loop",
                                                  "visit b", "skip b/again repeat", "visit c"}));
}

// Fails the listing of one directory, as one the user may not read would.
class Unreadable final : public ForwardingFileSystem {
 public:
  Unreadable(FileSystem& inner, std::string path)
      : ForwardingFileSystem(inner), path_(std::move(path)) {}
  FsError ListSubdirectories(const std::string& directory, DirectoryListing& listing) override {
    if (directory == path_) return FsError::AccessDenied;
    return inner().ListSubdirectories(directory, listing);
  }

 private:
  std::string path_;
};

TEST(WalkTree, ADirectoryThatCannotBeReadIsSkippedWithItsSubtreeAndTheRestWalked) {
  TempDir root;
  for (const char* path : {"a/below", "b", "c"})
    fs::create_directories(root / path);
  NativeFileSystem disk;
  for (const char* path : {"a", "."}) {
    Unreadable faulty(disk, path == std::string(".") ? root.path() : root / path);
    Recorder walk(root.path());
    EXPECT_TRUE(WalkTree(faulty, root.path(), walk));
    if (path == std::string(".")) {
      EXPECT_EQ(walk.lines, std::vector<std::string>{"skip . unreadable"});
    } else {
      EXPECT_EQ(walk.lines,
                (std::vector<std::string>{"visit .", "skip a unreadable", "visit b", "visit c"}));
    }
  }
}

TEST(WalkTree, WhatAVisitRenamesIsWalkedUnderItsNewNameAndWhatIsSwappedInIsNot) {
  TempDir root;
  TempDir elsewhere;
  for (const char* path : {"a", "b/inner", "c", "docs.html/inner"})
    fs::create_directories(root / path);
  NativeFileSystem disk;
  Recorder walk(root.path());
  walk.on_visit = [&](const std::string& directory) {
    if (directory == root.path()) {  // the run renames a directory named like a page
      fs::rename(root / "docs.html", root / "docs.htm");
      return;
    }
    if (directory != root / "a") return;
    fs::rename(root / "b", elsewhere / "b");  // a link swapped in for a listed directory
    fs::create_directory_symlink(elsewhere / "b", root / "b");
    fs::rename(root / "c", elsewhere / "c");  // and another directory for another
    fs::create_directory(root / "c");
  };
  EXPECT_TRUE(WalkTree(disk, root.path(), walk));
  EXPECT_EQ(walk.lines,
            (std::vector<std::string>{"visit .", "visit a", "skip b replaced", "skip c replaced",
                                      "visit docs.htm", "visit docs.htm/inner"}));
}

TEST(WalkTree, TheVisitorStopsTheWalk) {
  TempDir root;
  for (const char* path : {"a", "b"})
    fs::create_directories(root / path);
  NativeFileSystem disk;
  Recorder walk(root.path());
  walk.visits_left = 2;
  EXPECT_FALSE(WalkTree(disk, root.path(), walk));
  EXPECT_EQ(walk.lines, (std::vector<std::string>{"visit .", "visit a"}));
}

TEST(WalkTree, ATreeDeeperThanAPathCanReachIsWalkedAsFarAsItCanAndSaysWhereItStopped) {
  TempDir root;
  // A chain of directories "dddd.../d/d/...", made one below the other with descriptors, so
  // that it goes on past the longest path the system accepts.
  const std::string long_name(250, 'd');
  int fd = open(root.path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  int levels = 0;
  for (std::size_t length = root.path().size(); length < PATH_MAX + 600; ++levels) {
    const std::string name = levels == 0 ? "d" : long_name;
    ASSERT_EQ(mkdirat(fd, name.c_str(), 0700), 0);
    const int below = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
    close(fd);
    fd = below;
    length += name.size() + 1;
  }
  close(fd);
  NativeFileSystem disk;
  Recorder walk(root.path());
  EXPECT_TRUE(WalkTree(disk, root.path(), walk));
  ASSERT_GE(walk.lines.size(), 3u);
  EXPECT_NE(walk.lines.back().find(" too-long"), std::string::npos) << walk.lines.back();
  for (std::size_t i = 0; i + 1 < walk.lines.size(); ++i)
    EXPECT_EQ(walk.lines[i].rfind("visit ", 0), 0u) << walk.lines[i];
  EXPECT_LT(static_cast<int>(walk.lines.size()), levels + 1);  // deeper ones were not reached
  // Nothing the test made outlives it, however deep.
  const int top = open(root.path().c_str(), O_RDONLY | O_DIRECTORY);
  std::function<void(int, const std::string&)> remove = [&](int parent, const std::string& name) {
    const int here = openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (here >= 0) {
      remove(here, long_name);
      close(here);
    }
    unlinkat(parent, name.c_str(), AT_REMOVEDIR);
  };
  remove(top, "d");
  close(top);
  EXPECT_FALSE(fs::exists(root / "d"));
}

}  // namespace
}  // namespace qlm::testing
