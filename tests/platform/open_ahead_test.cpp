// Files opened ahead of their turn by PosixFileSystem: what only Linux has (links, FIFOs, the
// descriptors' budget). What both layers promise is in the contract suite.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/posix_file_system.h"
#include "support/layer_probes.h"
#include "support/temp_dir.h"

namespace qlm {
namespace {

using testing::OpenFailure;
using testing::ReadThrough;
using testing::TempDir;
using testing::WriteFile;

TEST(OpenAhead, ALinkMovedInIsNotFollowedAtTheTurn) {
  TempDir dir;
  WriteFile(dir / "page.htm", "first");
  WriteFile(dir / "secret", "secret");
  PosixFileSystem fs;
  std::unique_ptr<AheadFile> ahead = fs.OpenAhead(dir / "page.htm");
  ASSERT_NE(ahead, nullptr);
  ASSERT_EQ(unlink((dir / "page.htm").c_str()), 0);
  ASSERT_EQ(symlink((dir / "secret").c_str(), (dir / "page.htm").c_str()), 0);
  EXPECT_EQ(ReadThrough(fs, dir / "page.htm", std::move(ahead)),
            OpenFailure(FsError::StoppedOnSymlink));
}

TEST(OpenAhead, OnlyRegularFilesAreOpenedAhead) {
  TempDir dir;
  WriteFile(dir / "page.htm", "page");
  ASSERT_EQ(mkfifo((dir / "fifo.htm").c_str(), 0600), 0);
  ASSERT_EQ(symlink((dir / "page.htm").c_str(), (dir / "link.htm").c_str()), 0);
  ASSERT_EQ(mkdir((dir / "folder.htm").c_str(), 0700), 0);
  PosixFileSystem fs;
  for (const char* name : {"fifo.htm", "link.htm", "folder.htm", "missing.htm"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(fs.OpenAhead(dir / name), nullptr);
  }
  // The FIFO was never opened: a writer that does not wait still finds no reader.
  const int writer = open((dir / "fifo.htm").c_str(), O_WRONLY | O_NONBLOCK);
  EXPECT_EQ(writer, -1);
  EXPECT_EQ(errno, ENXIO);
  // The run, at its turn, gets the answers it always got.
  EXPECT_EQ(ReadThrough(fs, dir / "link.htm"), OpenFailure(FsError::StoppedOnSymlink));
  EXPECT_EQ(ReadThrough(fs, dir / "page.htm"), "page");
}

TEST(OpenAhead, HoldsOnlyAFewFilesOpenAtOnce) {
  TempDir dir;
  WriteFile(dir / "page.htm", "page");
  PosixFileSystem fs;
  std::vector<std::unique_ptr<AheadFile>> held;
  while (held.size() < 1000) {
    std::unique_ptr<AheadFile> ahead = fs.OpenAhead(dir / "page.htm");
    if (ahead == nullptr) break;
    held.push_back(std::move(ahead));
  }
  EXPECT_GE(held.size(), 1u);
  EXPECT_LE(held.size(), 64u);
  // A file taken over is counted no more: another may be opened ahead in its place.
  EXPECT_EQ(ReadThrough(fs, dir / "page.htm", std::move(held.back())), "page");
  held.pop_back();
  EXPECT_NE(fs.OpenAhead(dir / "page.htm"), nullptr);
}

}  // namespace
}  // namespace qlm
