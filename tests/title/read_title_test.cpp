// ReadTitle: the file part (open, one read, close on every path) and the counters.
#include "title/read_title.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "common/messages.h"
#include "platform/posix/posix_file_system.h"
#include "support/temp_dir.h"
#include "title/fake_file_system.h"

namespace qlm {
namespace {

using testing::FakeFileSystem;

const std::string kRead(msg::kFileCouldNotBeRead);
const std::string kParse(msg::kFileCouldNotBeParsed);
const std::string kNoTitle(msg::kFileHasNoTitle);

struct CounterRow {
  const char* name;
  FakeFileSystem::Entry entry;
  std::int32_t result;
  std::string out;
  std::int32_t read_errors;
  std::int32_t title_errors;
  int opens;  // files opened (and so to be closed again)
};

void PrintTo(const CounterRow& row, std::ostream* os) {
  *os << row.name;
}

class ReadTitleCounters : public ::testing::TestWithParam<CounterRow> {};

TEST_P(ReadTitleCounters, CountsAndClosesOnEveryPath) {
  const CounterRow& row = GetParam();
  FakeFileSystem fs;
  fs.files["d/a.htm"] = row.entry;
  RunStatistics stats;
  stats.BackupErrors = 7;  // counters the reader does not own stay as they are
  std::string out;
  EXPECT_EQ(ReadTitle(fs, "d/a.htm", true, stats, out), row.result);
  EXPECT_EQ(out, row.out);
  EXPECT_EQ(stats.FilesProcessed, 1);
  EXPECT_EQ(stats.ReadErrors, row.read_errors);
  EXPECT_EQ(stats.TitleErrors, row.title_errors);
  EXPECT_EQ(stats.BackupErrors, 7);
  EXPECT_EQ(fs.counts.opened, row.opens);
  EXPECT_EQ(fs.counts.closed, row.opens);
  EXPECT_EQ(fs.counts.reads, row.opens);  // exactly one read per opened file
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReadTitleCounters,
    ::testing::Values(
        CounterRow{"Ok", {"<title>Annual Report</title>"}, TitleOk, "Annual Report", 0, 0, 1},
        CounterRow{"NoTags", {"<p>text</p>"}, TitleError, kParse, 0, 1, 1},
        CounterRow{"NoTitle", {"<title> </title>"}, TitleError, kNoTitle, 0, 1, 1},
        CounterRow{"EmptyFile", {""}, TitleError, kParse, 0, 1, 1},
        CounterRow{"HeldByAnotherProgram",
                   {"<title>x</title>", FsError::SharingViolation},
                   ReadError,
                   kRead,
                   1,
                   0,
                   0},
        CounterRow{
            "NoAccess", {"<title>x</title>", FsError::AccessDenied}, ReadError, kRead, 1, 0, 0},
        // The open succeeded, the read failed: no bytes, so the parse text and T, not R.
        CounterRow{"ReadFails",
                   {"<title>x</title>", FsError::Ok, FsError::IoDevice},
                   TitleError,
                   kParse,
                   0,
                   1,
                   1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadTitle, MissingFileAndCountersAccumulate) {
  FakeFileSystem fs;
  fs.files["ok.htm"] = {"<title>Fish &amp; Chips</title>"};
  RunStatistics stats;
  std::string out;
  EXPECT_EQ(ReadTitle(fs, "missing.htm", true, stats, out), ReadError);
  EXPECT_EQ(out, kRead);
  EXPECT_EQ(ReadTitle(fs, "ok.htm", false, stats, out), TitleOk);
  EXPECT_EQ(out, "Fish &amp; Chips");
  EXPECT_EQ(ReadTitle(fs, "ok.htm", true, stats, out), TitleOk);
  EXPECT_EQ(out, "Fish & Chips");
  EXPECT_EQ(stats.FilesProcessed, 3);
  EXPECT_EQ(stats.ReadErrors, 1);
  EXPECT_EQ(stats.TitleErrors, 0);
  EXPECT_EQ(fs.counts.opened, 2);
  EXPECT_EQ(fs.counts.closed, 2);
}

TEST(ReadTitle, ReadsAtMost1000Bytes) {
  FakeFileSystem fs;
  // The title closes at byte 1001: a reader that read more would find it.
  std::string page = "<title>x";
  page.append(1001 - page.size(), 'y');
  fs.files["long.htm"] = {page + "</title>"};
  RunStatistics stats;
  std::string out;
  EXPECT_EQ(ReadTitle(fs, "long.htm", true, stats, out), TitleError);
  EXPECT_EQ(out, kParse);
}

// Real files through the real file layer.
class ReadTitleOnDisk : public ::testing::Test {
 protected:
  std::int32_t Read(const std::string& name, std::string& out) {
    return ReadTitle(fs_, dir_ / name, true, stats_, out);
  }
  void TearDown() override {
    EXPECT_EQ(fs_.counts.opened, fs_.counts.closed);
    EXPECT_EQ(stats_.FilesProcessed, stats_.ReadErrors + stats_.TitleErrors + ok_count_);
  }
  void SetUp() override { fs_.disk = &posix_; }
  PosixFileSystem posix_;
  FakeFileSystem fs_;
  testing::TempDir dir_;
  RunStatistics stats_;
  int ok_count_ = 0;
};

TEST_F(ReadTitleOnDisk, BadFilesGetTheirDesignedAnswers) {
  std::mt19937 random(42);
  std::string binary(4096, '\0');
  for (char& c : binary)
    c = static_cast<char>(random() & 0xFF);
  binary[0] = '\x7F';  // an executable's start, not a zero byte
  testing::WriteFile(dir_ / "binary.htm", binary);
  // UTF-16 with a BOM: the first zero byte comes before any tag.
  testing::WriteFile(dir_ / "utf16.htm",
                     std::string("\xFF\xFE<\0t\0i\0t\0l\0e\0>\0A\0<\0/\0t\0i\0t\0l\0e\0>\0", 34));
  testing::WriteFile(dir_ / "empty.htm", "");
  testing::WriteFile(dir_ / "open.htm", "<title>Never closed");

  struct Row {
    const char* file;
    std::int32_t result;
    std::string out;
  };
  const Row rows[] = {{"binary.htm", TitleError, kParse},
                      {"utf16.htm", TitleError, kParse},
                      {"empty.htm", TitleError, kParse},
                      {"open.htm", TitleError, kParse},
                      {"missing.htm", ReadError, kRead}};
  for (const Row& row : rows) {
    std::string out;
    EXPECT_EQ(Read(row.file, out), row.result) << row.file;
    EXPECT_EQ(out, row.out) << row.file;
  }
  EXPECT_EQ(stats_.TitleErrors, 4);
  EXPECT_EQ(stats_.ReadErrors, 1);
}

TEST_F(ReadTitleOnDisk, OnlyRegularFilesAreRead) {
  ASSERT_EQ(mkdir((dir_ / "dir.htm").c_str(), 0700), 0);
  ASSERT_EQ(mkfifo((dir_ / "fifo.htm").c_str(), 0600), 0);  // would block a reader forever
  for (const char* name : {"dir.htm", "fifo.htm"}) {
    std::string out;
    EXPECT_EQ(Read(name, out), ReadError) << name;
    EXPECT_EQ(out, kRead);
  }
}

TEST_F(ReadTitleOnDisk, HugeSparseFileReadsOnlyItsStart) {
  const std::string path = dir_ / "huge.htm";
  testing::WriteFile(path, "<title>Big One</title>");
  ASSERT_EQ(truncate(path.c_str(), 1LL << 30), 0);  // 1 GB, no blocks behind the start
  const std::string zeros = dir_ / "zeros.htm";
  testing::WriteFile(zeros, "");
  ASSERT_EQ(truncate(zeros.c_str(), 1LL << 30), 0);

  std::string out;
  EXPECT_EQ(Read("huge.htm", out), TitleOk);
  EXPECT_EQ(out, "Big One");
  ++ok_count_;
  EXPECT_EQ(Read("zeros.htm", out), TitleError);  // all zero bytes: an empty text
  EXPECT_EQ(out, kParse);
}

}  // namespace
}  // namespace qlm
