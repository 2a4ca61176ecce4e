// What a run keeps of the journal beside it (QLM-Journal.idx): the next run reads on from there
// instead of reading every run the journal holds, and a summary that does not fit the journal
// as it is now (cut short, altered, of another file, of a file rewritten in place) is never
// trusted: the run then reads the whole journal, and run numbers and trims come out as
// they would have without it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "engine/journal.h"
#include "native_file_system_type.h"
#include "platform/clock.h"
#include "platform/forwarding_file_system.h"
#include "platform/path.h"
#include "support/temp_dir.h"

namespace qlm::testing {
namespace {

namespace fs = std::filesystem;

// Counts the bytes read from the journal.
class CountingFileSystem final : public ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  FsError OpenForReading(const std::string& path, std::unique_ptr<ReadableFile>& file) override {
    const FsError error = ForwardingFileSystem::OpenForReading(path, file);
    if (error == FsError::Ok && path.ends_with(kJournalName)) {
      file = std::make_unique<Counted>(std::move(file), journal_bytes);
    }
    return error;
  }
  std::uint64_t journal_bytes = 0;

 private:
  class Counted final : public ReadableFile {
   public:
    Counted(std::unique_ptr<ReadableFile> inner, std::uint64_t& count)
        : inner_(std::move(inner)), count_(count) {}
    FsError Read(char* buffer, std::size_t capacity, std::size_t& bytes_read) override {
      const FsError error = inner_->Read(buffer, capacity, bytes_read);
      count_ += bytes_read;
      return error;
    }
    FsError Size(std::uint64_t& size) override { return inner_->Size(size); }
    FsError Skip(std::uint64_t bytes) override { return inner_->Skip(bytes); }

   private:
    std::unique_ptr<ReadableFile> inner_;
    std::uint64_t& count_;
  };
};

class JournalSummaries : public ::testing::Test {
 public:  // the rows of a table spoil what it holds
  // A run of `moves` moves, through `through` when given; its number.
  std::int64_t Run(int moves = 5, FileSystem* through = nullptr) {
    RunJournal journal(through != nullptr ? *through : native, clock,
                       path::WithSeparator(program.path()), "dir", "/pages/", 7, ".htm");
    FileInfo identity;
    identity.inode = 99;
    for (int i = 0; i < moves; ++i)
      journal.Intend('1', "page" + std::to_string(i) + ".htm", "Title.qlm", identity);
    journal.End();
    return journal.id();
  }
  std::vector<JournalRun> Read() {
    std::vector<std::string> warnings;
    auto runs = ReadJournal(native, journal, {}, warnings);
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    return runs;
  }
  std::uint64_t JournalSize() const { return fs::file_size(journal); }
  // Writes `text` over the journal in place: the same file (inode), other contents.
  void RewriteInPlace(const std::string& text) const {
    std::ofstream(journal, std::ios::binary | std::ios::trunc) << text;
  }

  NativeFileSystem native;
  FixedClock clock{LocalTime{2024, 5, 6, 7, 8, 9}};
  TempDir program;
  const std::string journal = program / std::string(kJournalName);
  const std::string summary = program / "QLM-Journal.idx";
};

// Runs `first` to `last` (whole, each with one move), as an older journal of other runs holds.
std::string OtherRuns(int first, int last) {
  std::string text;
  for (int id = first; id <= last; ++id) {
    const std::string n = std::to_string(id);
    text += "\nR\t" + n + "\tdir\t2001-01-01 00:00:00\t/other/\t3\t.htm\t-";
    text += "\nM\t" + n + "\t1\tx" + n + ".htm\tX.qlm\t1\t2\t3\nE\t" + n;
  }
  return text;
}

TEST_F(JournalSummaries, ARunReadsOnlyWhatWasAddedSinceTheRunBeforeStarted) {
  for (int i = 0; i < 30; ++i)
    Run(200);
  const std::uint64_t before_last = JournalSize();
  Run(200);
  const std::uint64_t added = JournalSize() - before_last;
  CountingFileSystem counting(native);
  Run(200, &counting);
  // The last run's records, and the line where the run before it began reading (read again).
  EXPECT_LE(counting.journal_bytes, added + 200);
  EXPECT_GT(counting.journal_bytes, 0u);
  EXPECT_LT(counting.journal_bytes, before_last / 10);
}

TEST_F(JournalSummaries, ASummaryThatDoesNotFitTheJournalIsNeverTrusted) {
  struct Row {
    const char* what;
    std::function<void(JournalSummaries&)> spoil;
    std::int64_t next_id;   // the number the next run must take
    std::size_t runs_held;  // after that run
  };
  const auto edit_summary = [](JournalSummaries& t, const std::function<void(std::string&)>& f) {
    std::ifstream in(t.summary, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    f(text);
    std::ofstream(t.summary, std::ios::binary | std::ios::trunc) << text;
  };
  const Row rows[] = {
      {"cut short",
       [&](JournalSummaries& t) {
         edit_summary(t, [](std::string& s) { s.resize(s.size() / 2); });
       },
       11, 11},
      {"its highest number changed",
       [&](JournalSummaries& t) {
         edit_summary(t, [](std::string& s) {
           const std::size_t at = s.find("\t9\t9\t");  // highest, then the last run to move
           ASSERT_NE(at, std::string::npos);
           s.replace(at, 2, "\t90");
         });
       },
       11, 11},
      {"a directory",
       [](JournalSummaries& t) {
         fs::remove(t.summary);
         fs::create_directory(t.summary);
       },
       11, 11},
      // The journal written over in place with more runs than it had, of higher numbers and
      // enough of them for a trim: the same inode, and longer than where reading went on.
      {"journal rewritten in place, longer",
       [](JournalSummaries& t) { t.RewriteInPlace(OtherRuns(100, 100 + kJournalTrimAt - 1)); },
       100 + kJournalTrimAt, kJournalRuns},
      {"journal rewritten in place, shorter",
       [](JournalSummaries& t) { t.RewriteInPlace(OtherRuns(500, 502)); }, 503, 4},
      // Removed by the user, the summary left: the run starts the journal afresh.
      {"journal removed", [](JournalSummaries& t) { fs::remove(t.journal); }, 1, 1},
      {"journal replaced by another file",
       [](JournalSummaries& t) {
         const std::string other = t.journal + ".new";
         std::ofstream(other, std::ios::binary) << OtherRuns(7000, 7001);
         fs::rename(other, t.journal);
       },
       7002, 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    fs::remove_all(journal);
    fs::remove_all(summary);
    for (int i = 0; i < 10; ++i)
      Run();
    ASSERT_TRUE(fs::exists(summary));
    row.spoil(*this);
    EXPECT_EQ(Run(), row.next_id);
    const std::vector<JournalRun> runs = Read();
    EXPECT_EQ(runs.size(), row.runs_held);
    std::set<std::int64_t> ids;
    for (const JournalRun& run : runs)
      ids.insert(run.id);
    EXPECT_EQ(ids.size(), runs.size());  // no number given twice
    EXPECT_EQ(Run(), row.next_id + 1);   // and the run after it reads on from that run
    fs::remove_all(summary);
  }
}

// The journal written over in place (the same inode, as a journal trimmed twice by another
// build may get again) with other runs up to exactly where the summary left off, and the same
// bytes from there on: only the file's first bytes tell it from the one summarized.
TEST_F(JournalSummaries, ASummaryOfAFileThatBeganOtherwiseIsNotTrusted) {
  for (int i = 0; i < 10; ++i)
    Run(30);
  // Read and closed: Windows replaces no file a stream of the test still holds open.
  const auto read = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  };
  const std::string kept = read(summary);
  const std::size_t j = kept.find("\nJ\t") + 3;
  const std::size_t resume = std::stoull(kept.substr(kept.find('\t', j) + 1));
  const std::string before = read(journal);
  ASSERT_EQ(before[resume - 1], '\n');
  // Runs 100 to 139 and a run 140 that moved nothing, whose directory fills the gap.
  std::string other = OtherRuns(100, 100 + kJournalTrimAt - 1);
  const std::string header = "\nR\t140\tdir\t2001-01-01 00:00:00\t/pad";
  const std::string tail = "/\t3\t.htm\t-\n";
  ASSERT_LT(other.size() + header.size() + tail.size(), resume);
  other += header + std::string(resume - other.size() - header.size() - tail.size(), 'x') + tail;
  RewriteInPlace(other + before.substr(resume));
  EXPECT_EQ(Run(), 141);
  // Trimmed: the last 19 units that moved (122 to 139, and run 10), run 140 among them, and
  // the new run.
  const std::vector<JournalRun> runs = Read();
  ASSERT_EQ(runs.size(), 21u);
  EXPECT_EQ(runs.front().id, 122);
  EXPECT_EQ(runs.back().id, 141);
}

}  // namespace
}  // namespace qlm::testing
