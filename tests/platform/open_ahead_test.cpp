// Files opened ahead of their turn by other threads and taken over at it: what the run reads
// is always the file its name holds at the turn, as it is then.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "platform/posix/posix_file_system.h"
#include "support/temp_dir.h"

namespace qlm {
namespace {

using testing::TempDir;
using testing::WriteFile;

std::string Failed(FsError error) {
  return "<error " + std::to_string(static_cast<int>(error)) + ">";
}

// Everything the file taken over gives from its start, or "<error N>".
std::string TakeOverAndRead(FileSystem& fs, const std::string& path,
                            std::unique_ptr<AheadFile> ahead) {
  std::unique_ptr<ReadableFile> file;
  if (const FsError error = fs.TakeOverAhead(path, std::move(ahead), file); error != FsError::Ok)
    return Failed(error);
  std::string text;
  char buffer[64];
  for (std::size_t got = 1; got > 0;) {
    if (file->Read(buffer, sizeof buffer, got) != FsError::Ok) return "<read failed>";
    text.append(buffer, got);
  }
  return text;
}

TEST(OpenAhead, TheTurnReadsWhatTheNameHoldsThen) {
  struct Row {
    const char* what;
    std::function<void(const TempDir&)> meanwhile;  // between opening ahead and the turn
    std::string expected;
  };
  const std::vector<Row> rows = {
      {"nothing", [](const TempDir&) {}, "first"},
      {"rewritten in place",
       [](const TempDir& dir) {
         FILE* file = std::fopen((dir / "page.htm").c_str(), "r+");
         std::fputs("FIRST", file);
         std::fclose(file);
       },
       "FIRST"},
      {"another file moved in",
       [](const TempDir& dir) {
         WriteFile(dir / "other", "the other one");
         ASSERT_EQ(rename((dir / "other").c_str(), (dir / "page.htm").c_str()), 0);
       },
       "the other one"},
      {"a link moved in",
       [](const TempDir& dir) {
         WriteFile(dir / "secret", "secret");
         ASSERT_EQ(unlink((dir / "page.htm").c_str()), 0);
         ASSERT_EQ(symlink((dir / "secret").c_str(), (dir / "page.htm").c_str()), 0);
       },
       Failed(FsError::StoppedOnSymlink)},
      {"removed", [](const TempDir& dir) { unlink((dir / "page.htm").c_str()); },
       Failed(FsError::FileNotFound)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    WriteFile(dir / "page.htm", "first");
    PosixFileSystem fs;
    std::unique_ptr<AheadFile> ahead = fs.OpenAhead(dir / "page.htm");
    ASSERT_NE(ahead, nullptr);
    char start[8];
    std::size_t got = 0;
    ASSERT_EQ(ahead->ReadStart(start, sizeof start, got), FsError::Ok);
    EXPECT_EQ(std::string(start, got), "first");
    row.meanwhile(dir);
    // The read ahead left the position at the start: the turn reads the whole file.
    EXPECT_EQ(TakeOverAndRead(fs, dir / "page.htm", std::move(ahead)), row.expected);
  }
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
  EXPECT_EQ(TakeOverAndRead(fs, dir / "link.htm", nullptr), Failed(FsError::StoppedOnSymlink));
  EXPECT_EQ(TakeOverAndRead(fs, dir / "page.htm", nullptr), "page");
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
  EXPECT_EQ(TakeOverAndRead(fs, dir / "page.htm", std::move(held.back())), "page");
  held.pop_back();
  EXPECT_NE(fs.OpenAhead(dir / "page.htm"), nullptr);
}

}  // namespace
}  // namespace qlm
