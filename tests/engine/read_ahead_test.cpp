// Reading ahead of a directory run: whatever happens to a page between its read ahead and its
// turn, the run goes by the page as it is at the turn.
#include "engine/read_ahead.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "common/messages.h"
#include "platform/forwarding_file_system.h"
#include "platform/path.h"
#include "support/engine_harness.h"

namespace qlm::testing {
namespace {

// Writes `contents` over the start of the file at `path`, keeping the file (and its inode).
void Overwrite(const std::string& path, const std::string& contents) {
  FILE* file = std::fopen(path.c_str(), "r+b");
  ASSERT_NE(file, nullptr);
  std::fwrite(contents.data(), 1, contents.size(), file);
  std::fclose(file);
}

// The layer as it is, but reading what it opens ahead one file at a time (as where the layer
// cannot batch reads): the run goes by the same pages either way.
class OneAtATime final : public ForwardingFileSystem {
 public:
  explicit OneAtATime(FileSystem& inner) : ForwardingFileSystem(inner, /*forward_ahead=*/true) {}
  std::unique_ptr<AheadReader> NewAheadReader() override { return std::make_unique<AheadReader>(); }
};

void CheckTheTurnGoesByThePageAsItIsThen(FileSystem& fs) {
  TempDir dir;
  const std::string directory = path::WithSeparator(dir.path());
  for (int i = 0; i < 8; ++i)
    WriteFile(dir / ("p" + std::to_string(i) + ".htm"), Page("Old " + std::to_string(i), "x"));
  TempDir other;
  WriteFile(other / "elsewhere.htm", Page("Not in the directory", "x"));
  std::unique_ptr<DirectorySearch> search;
  ASSERT_EQ(fs.OpenSearch(dir.path(), SearchKind::Html, search), FsError::Ok);
  std::string name;
  ASSERT_TRUE(search->Next(name));  // p0: taken before reading ahead starts

  ReadAhead ahead(fs, directory, /*parse_entities=*/true);
  ahead.Advance(*search, /*took_one=*/false);
  ahead.Settle();
  // Now, with p1 .. p7 read ahead (where the layer reads ahead at all):
  Overwrite(dir / "p2.htm", Page("New 2", "x"));                // changed in place
  std::filesystem::rename(NativePath(other / "elsewhere.htm"),  // another file moved in
                          NativePath(dir / "p3.htm"));
  std::filesystem::remove(NativePath(dir / "p4.htm"));  // gone
  Overwrite(dir / "p5.htm", Page("Old 5", "x"));        // the same bytes again
  Overwrite(dir / "p6.htm", Page("Old &amp; 6", "x"));  // other bytes, the same start
  const std::vector<std::string> expected = {
      "Old 0", "Old 1",   "New 2", "Not in the directory", std::string(msg::kFileCouldNotBeRead),
      "Old 5", "Old & 6", "Old 7"};

  RunStatistics statistics;
  for (std::size_t i = 0;; ++i) {
    SCOPED_TRACE(name);
    ASSERT_LT(i, expected.size());
    const std::unique_ptr<EarlyTitle> early = ahead.Take(name);
    if (i == 0) {
      EXPECT_EQ(early, nullptr);  // never queued
    }
    std::string title;
    ReadTitle(fs, directory + name, true, statistics, title, nullptr, early.get());
    EXPECT_EQ(title, expected[i]);
    if (!search->Next(name)) break;
    ahead.Advance(*search, /*took_one=*/true);
  }
  EXPECT_EQ(statistics.FilesProcessed, 8);
  EXPECT_EQ(statistics.ReadErrors, 1);
}

TEST(ReadAhead, TheTurnGoesByThePageAsItIsThen) {
  NativeFileSystem fs;
  {
    SCOPED_TRACE("batches");
    CheckTheTurnGoesByThePageAsItIsThen(fs);
  }
  OneAtATime one_at_a_time(fs);
  SCOPED_TRACE("one file at a time");
  CheckTheTurnGoesByThePageAsItIsThen(one_at_a_time);
}

TEST(ReadAhead, ANameOutOfTurnIsReadByTheRunItself) {
  TempDir dir;
  for (const char* page : {"a.htm", "b.htm", "c.htm"})
    WriteFile(dir / page, Page(page, "x"));
  NativeFileSystem fs;
  std::unique_ptr<DirectorySearch> search;
  ASSERT_EQ(fs.OpenSearch(dir.path(), SearchKind::Html, search), FsError::Ok);
  std::string name;
  ASSERT_TRUE(search->Next(name));
  ReadAhead ahead(fs, path::WithSeparator(dir.path()), false);
  ahead.Advance(*search, false);
  ahead.Settle();
  EXPECT_EQ(ahead.Take("c.htm"), nullptr);  // b.htm comes first
  ASSERT_TRUE(search->Next(name));
  const std::unique_ptr<EarlyTitle> early = ahead.Take(name);
  if (fs.CanOpenAhead()) {
    ASSERT_NE(early, nullptr);
    EXPECT_EQ(early->title, "b.htm");
  }
}

// Changes pages further on while the run moves its first one.
class ChangeAtFirstMove final : public ForwardingFileSystem {
 public:
  ChangeAtFirstMove(FileSystem& inner, std::function<void()> change)
      : ForwardingFileSystem(inner, /*forward_ahead=*/true), change_(std::move(change)) {}
  FsError Move(const std::string& from, const std::string& to) override {
    if (change_) std::exchange(change_, nullptr)();
    return ForwardingFileSystem::Move(from, to);
  }

 private:
  std::function<void()> change_;
};

void CheckPagesChangedDuringARunAreRenamedAfterTheirNewTitles(bool one_at_a_time) {
  EngineHarness h;
  h.options.EnableFullAutoMode = 1;
  for (int i = 0; i < 40; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "p%02d.htm", i);
    h.AddPage(name, "Old " + std::to_string(i));
  }
  OneAtATime reading_one_at_a_time(h.fs);
  FileSystem& reading = one_at_a_time ? static_cast<FileSystem&>(reading_one_at_a_time) : h.fs;
  ChangeAtFirstMove layer(reading, [&] {
    for (int i = 5; i < 40; i += 5) {
      char name[16];
      std::snprintf(name, sizeof name, "p%02d.htm", i);
      const std::string page = Page("New " + std::to_string(i), name);
      Overwrite(h.work / name, page);
      h.originals[name] = ReadFile(h.work / name);
    }
  });
  const RunStatistics statistics = h.RunDirectory(&layer);
  EXPECT_EQ(statistics.FilesProcessed, 40);
  const auto listing = Listing(h.work.path());
  for (int i = 0; i < 40; ++i) {
    const std::string title = (i % 5 == 0 && i > 0 ? "New " : "Old ") + std::to_string(i);
    EXPECT_EQ(listing.count(title + ".htm"), 1u) << title;
  }
  EXPECT_TRUE(h.NothingLost());
}

TEST(ReadAhead, PagesChangedDuringARunAreRenamedAfterTheirNewTitles) {
  for (const bool one_at_a_time : {false, true}) {
    SCOPED_TRACE(one_at_a_time ? "one file at a time" : "batches");
    CheckPagesChangedDuringARunAreRenamedAfterTheirNewTitles(one_at_a_time);
  }
}

}  // namespace
}  // namespace qlm::testing
