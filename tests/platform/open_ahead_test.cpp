// Files opened ahead of their turn by other threads and taken over at it: what the run reads
// is always the file its name holds at the turn, as it is then.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <iterator>
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
       OpenFailure(FsError::StoppedOnSymlink)},
      {"removed", [](const TempDir& dir) { unlink((dir / "page.htm").c_str()); },
       OpenFailure(FsError::FileNotFound)},
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
    EXPECT_EQ(ReadThrough(fs, dir / "page.htm", std::move(ahead)), row.expected);
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

// A file opened ahead by some other layer: the reader reads it through ReadStart.
class FixedAhead final : public AheadFile {
 public:
  FixedAhead(std::string bytes, FsError error) : bytes_(std::move(bytes)), error_(error) {}
  FsError ReadStart(char* buffer, std::size_t capacity, std::size_t& bytes_read) override {
    bytes_read = 0;
    if (error_ != FsError::Ok) return error_;
    bytes_read = std::min(capacity, bytes_.size());
    std::copy_n(bytes_.data(), bytes_read, buffer);
    return FsError::Ok;
  }

 private:
  std::string bytes_;
  FsError error_;
};

TEST(OpenAhead, ABatchReadsTheFirstBytesOfEachFile) {
  // More files than one batch of the ring holds, of sizes on both sides of the read's limit.
  constexpr std::size_t kLimit = 1000;
  const std::size_t sizes[] = {0, 1, 999, 1000, 1001, 5000};
  TempDir dir;
  std::vector<std::string> contents;
  for (std::size_t i = 0; i < 40; ++i) {
    std::string text = "page " + std::to_string(i) + ": ";
    text.resize(std::max(text.size(), sizes[i % std::size(sizes)]),
                static_cast<char>('a' + i % 26));
    if (sizes[i % std::size(sizes)] == 0) text.clear();
    WriteFile(dir / ("p" + std::to_string(i) + ".htm"), text);
    contents.push_back(text);
  }
  PosixFileSystem fs;
  struct Row {
    const char* what;
    std::unique_ptr<AheadReader> reader;
  };
  Row rows[] = {{"the layer's reader", fs.NewAheadReader()},
                {"one file at a time", std::make_unique<AheadReader>()}};
  for (Row& row : rows) {
    SCOPED_TRACE(row.what);
    for (int round = 0; round < 2; ++round) {  // a reader serves batch after batch
      std::vector<std::unique_ptr<AheadFile>> files;
      for (std::size_t i = 0; i < contents.size(); ++i) {
        files.push_back(fs.OpenAhead(dir / ("p" + std::to_string(i) + ".htm")));
        ASSERT_NE(files.back(), nullptr);
      }
      files.push_back(std::make_unique<FixedAhead>("from elsewhere", FsError::Ok));
      files.push_back(std::make_unique<FixedAhead>("unread", FsError::IoDevice));
      std::vector<AheadRead> reads;
      for (const auto& file : files)
        reads.push_back(AheadRead{file.get(), "stale", FsError::GeneralFailure});
      int meanwhile_calls = 0;
      row.reader->ReadStarts(reads, kLimit, [&] { ++meanwhile_calls; });
      EXPECT_EQ(meanwhile_calls, 1);
      for (std::size_t i = 0; i < contents.size(); ++i) {
        EXPECT_EQ(reads[i].error, FsError::Ok) << i;
        EXPECT_EQ(reads[i].bytes, contents[i].substr(0, kLimit)) << i;
      }
      EXPECT_EQ(reads[40].bytes, "from elsewhere");
      EXPECT_EQ(reads[41].error, FsError::IoDevice);
      EXPECT_EQ(reads[41].bytes, "");
      // The reads left each file at its start: the turn reads all of it.
      EXPECT_EQ(ReadThrough(fs, dir / "p5.htm", std::move(files[5])), contents[5]);
    }
    // Work to do meanwhile is done once however little there is to read.
    FixedAhead elsewhere("from elsewhere", FsError::Ok);
    for (std::vector<AheadRead> reads :
         {std::vector<AheadRead>{}, std::vector<AheadRead>{AheadRead{&elsewhere, {}, {}}}}) {
      int meanwhile_calls = 0;
      row.reader->ReadStarts(reads, kLimit, [&] { ++meanwhile_calls; });
      EXPECT_EQ(meanwhile_calls, 1) << reads.size() << " files";
    }
  }
}

}  // namespace
}  // namespace qlm
