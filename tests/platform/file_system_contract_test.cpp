// The promises of FileSystem, kept by the platform's own layer: PosixFileSystem on Linux,
// Win32FileSystem on Windows (run under Wine). Only what both platforms can show is here; what
// Wine cannot show is listed at the end, and each layer's own suite covers its own ground.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/native_file_system.h"
#include "platform/path.h"
#include "support/layer_probes.h"
#include "support/temp_dir.h"

namespace qlm {
namespace {

using testing::OpenFailure;
using testing::ReadThrough;
using testing::SearchNames;
using testing::SortedEntries;

using testing::NativePath;
using testing::ReadFile;
using testing::TempDir;
using testing::Utf8;
using testing::WriteFile;
using Names = std::vector<std::string>;

class FileSystemContract : public ::testing::Test {
 protected:
  std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();
  TempDir dir;
};

TEST_F(FileSystemContract, NamesAreTakenAndFoundRegardlessOfCase) {
  WriteFile(dir / "Intro.htm", "intro");
  EXPECT_TRUE(fs->NameTaken(dir / "Intro.htm"));
  EXPECT_TRUE(fs->NameTaken(dir / "INTRO.HTM"));
  EXPECT_FALSE(fs->NameTaken(dir / "Intro.html"));
  EXPECT_EQ(ReadThrough(*fs, dir / "iNTRO.htm"), "intro");
  FileInfo info;
  ASSERT_EQ(fs->GetInfo(dir / "INTRO.htm", info), FsError::Ok);
  EXPECT_EQ(info.stored_name, "Intro.htm");
  EXPECT_TRUE(info.is_regular);
  EXPECT_EQ(info.size, 5u);
  EXPECT_EQ(fs->GetInfo(dir / "missing.htm", info), FsError::FileNotFound);
  EXPECT_EQ(ReadThrough(*fs, dir / "missing.htm"), "<error 2>");
}

TEST_F(FileSystemContract, NothingIsEverReplaced) {
  struct Row {
    const char* target;  // created before the move, as file or (ending in '/') directory
    const char* to;      // where the move and the no-replace copy go
  };
  const Row rows[] = {
      {"taken.htm", "taken.htm"}, {"taken.htm", "TAKEN.HTM"}, {"Dir/", "dir"}, {"x.qlm", "X.qlm"}};
  for (const Row& row : rows) {
    TempDir work;
    WriteFile(work / "from.htm", "from");
    std::string target = row.target;
    if (target.back() == '/') {
      target.pop_back();
      ASSERT_EQ(fs->CreateDirectory(work / target), FsError::Ok);
    } else {
      WriteFile(work / target, "target");
    }
    const Names before = SortedEntries(work.path());
    EXPECT_EQ(fs->Move(work / "from.htm", work / row.to), FsError::AlreadyExists) << row.to;
    EXPECT_EQ(fs->Copy(work / "from.htm", work / row.to, true), FsError::AlreadyExists);
    EXPECT_EQ(fs->CreateDirectory(work / row.to), FsError::AlreadyExists);
    EXPECT_EQ(SortedEntries(work.path()), before) << row.to;
    EXPECT_EQ(ReadFile(work / "from.htm"), "from");
    if (std::string(row.target).back() != '/') {
      EXPECT_EQ(ReadFile(work / target), "target");
    }
  }
}

TEST_F(FileSystemContract, MovesRenameIncludingCaseOnly) {
  WriteFile(dir / "a.htm", "a");
  FileInfo moved;
  ASSERT_EQ(fs->MoveAndDescribe(dir / "a.htm", dir / "b.qlm", moved), FsError::Ok);
  EXPECT_EQ(moved.size, 1u);
  EXPECT_EQ(SortedEntries(dir.path()), (Names{"b.qlm"}));
  // A name held only by the file itself is not taken: the case-only rename goes through.
  ASSERT_EQ(fs->Move(dir / "b.qlm", dir / "B.QLM"), FsError::Ok);
  EXPECT_EQ(SortedEntries(dir.path()), (Names{"B.QLM"}));
  EXPECT_EQ(ReadFile(dir / "B.QLM"), "a");
  EXPECT_EQ(fs->Move(dir / "gone.htm", dir / "c.htm"), FsError::FileNotFound);
  ASSERT_EQ(fs->Delete(dir / "b.QLM"), FsError::Ok);
  EXPECT_EQ(SortedEntries(dir.path()), Names{});
}

TEST_F(FileSystemContract, RefusedNamesCreateNothing) {
  WriteFile(dir / "a.htm", "a");
  for (const std::string& name :
       std::vector<std::string>{"con.htm", "CON", "Nul.html", "lpt9.txt", "com1", "aux.x.qlm",
                                std::string("tab\there.htm"), std::string("bell\x07.htm")}) {
    EXPECT_EQ(fs->Move(dir / "a.htm", dir / name), FsError::InvalidName) << name;
    EXPECT_EQ(fs->Copy(dir / "a.htm", dir / name, true), FsError::InvalidName) << name;
    EXPECT_EQ(fs->CreateDirectory(dir / name), FsError::InvalidName) << name;
  }
  // Not reserved: a device name inside a longer name.
  EXPECT_EQ(fs->Move(dir / "a.htm", dir / "console.htm"), FsError::Ok);
  EXPECT_EQ(SortedEntries(dir.path()), (Names{"console.htm"}));
  // Not even an undo, which may give back names a run would not create, makes these.
  FileInfo moved;
  for (const char* name : {"..", "."})
    EXPECT_EQ(fs->MoveBackAndDescribe(dir / "console.htm", dir / name, moved),
              FsError::InvalidName);
  EXPECT_EQ(SortedEntries(dir.path()), (Names{"console.htm"}));
}

TEST_F(FileSystemContract, SearchesMatchExtensionsInFoldedOrder) {
  for (const char* name : {"b.htm", "A.HTM", "c.Html", "_u.htm", "Z.htm", "a.html", "ab.htm",
                           "e.htmx", "f.ht", "htm", "g.qlm", "H.QLM", "i.qlmx", "d.txt"}) {
    WriteFile(dir / name, name);
  }
  ASSERT_EQ(fs->CreateDirectory(dir / "x.htm"), FsError::Ok);
  EXPECT_EQ(SearchNames(*fs, dir.path(), SearchKind::Html),
            (Names{"_u.htm", "A.HTM", "a.html", "ab.htm", "b.htm", "c.Html", "x.htm", "Z.htm"}));
  EXPECT_EQ(SearchNames(*fs, path::WithSeparator(dir.path()), SearchKind::Scratch),
            (Names{"g.qlm", "H.QLM"}));
  std::unique_ptr<DirectorySearch> search;
  EXPECT_EQ(fs->OpenSearch(dir / "missing", SearchKind::Html, search), FsError::PathNotFound);
  EXPECT_EQ(fs->OpenSearch(dir / "b.htm", SearchKind::Html, search), FsError::PathNotFound);
  // A snapshot: what happens after it opens is not in it.
  ASSERT_EQ(fs->OpenSearch(dir.path(), SearchKind::Scratch, search), FsError::Ok);
  ASSERT_EQ(fs->Move(dir / "g.qlm", dir / "g2.txt"), FsError::Ok);
  WriteFile(dir / "new.qlm", "");
  std::string name;
  ASSERT_TRUE(search->Next(name));
  EXPECT_EQ(name, "g.qlm");
  ASSERT_TRUE(search->Next(name));
  EXPECT_EQ(name, "H.QLM");
  EXPECT_FALSE(search->Next(name));
}

TEST_F(FileSystemContract, SubdirectoriesInFoldedOrderWithoutFiles) {
  for (const char* name : {"b", "A", "_c", "Backup"})
    ASSERT_EQ(fs->CreateDirectory(dir / name), FsError::Ok);
  WriteFile(dir / "a.htm", "");
  DirectoryListing listing;
  ASSERT_EQ(fs->ListSubdirectories(dir.path(), listing), FsError::Ok);
  Names names;
  for (const Subdirectory& subdirectory : listing.subdirectories) {
    names.push_back(subdirectory.name);
    EXPECT_FALSE(subdirectory.is_link);
  }
  EXPECT_EQ(names, (Names{"_c", "A", "b", "Backup"}));
  // Each directory has an identity of its own, and the same one each time it is listed.
  DirectoryListing again;
  ASSERT_EQ(fs->ListSubdirectories(dir / "A", again), FsError::Ok);
  EXPECT_NE(again.inode, listing.inode);
  EXPECT_EQ(again.inode, listing.subdirectories[1].inode);
  EXPECT_EQ(again.device, listing.subdirectories[1].device);
  EXPECT_EQ(fs->ListSubdirectories(dir / "missing", again), FsError::PathNotFound);
}

TEST_F(FileSystemContract, CopiesLeaveNoPartialFileAndReplaceOnlyWhenAsked) {
  const std::string contents(300000, 'x');
  WriteFile(dir / "a.htm", contents);
  WriteFile(dir / "old.htm", "old");
  ASSERT_EQ(fs->Copy(dir / "a.htm", dir / "copy.htm", true), FsError::Ok);
  EXPECT_EQ(ReadFile(dir / "copy.htm"), contents);
  EXPECT_EQ(fs->Copy(dir / "a.htm", dir / "OLD.htm", true), FsError::AlreadyExists);
  EXPECT_EQ(ReadFile(dir / "old.htm"), "old");
  ASSERT_EQ(fs->Copy(dir / "a.htm", dir / "old.htm", false), FsError::Ok);
  EXPECT_EQ(ReadFile(dir / "old.htm"), contents);
  // Cancelled (an Abort given before the copy starts), and from a file that is not there:
  // nothing new stays behind.
  int asked = 0;
  const CancelCheck cancel = [&] { return ++asked > 0; };
  EXPECT_EQ(fs->CopyFile(dir / "a.htm", dir / "cancelled.htm", true, &cancel), FsError::Cancelled);
  EXPECT_GE(asked, 1);
  EXPECT_EQ(fs->Copy(dir / "missing.htm", dir / "m.htm", true), FsError::FileNotFound);
  EXPECT_EQ(SortedEntries(dir.path()), (Names{"a.htm", "copy.htm", "old.htm"}));
}

TEST_F(FileSystemContract, LogsAreAppendedToWhateverTheirCase) {
  std::unique_ptr<LogFile> log;
  ASSERT_EQ(fs->OpenLog(dir / "QLM-ErrorLog.txt", log), FsError::Ok);
  ASSERT_EQ(log->Append("one\r\n"), FsError::Ok);
  log.reset();
  ASSERT_EQ(fs->OpenLog(dir / "qlm-errorlog.TXT", log), FsError::Ok);  // the same file
  ASSERT_EQ(log->Append("two\r\n"), FsError::Ok);
  std::uint64_t size = 0;
  ASSERT_EQ(log->Size(size), FsError::Ok);
  EXPECT_EQ(size, 10u);
  log.reset();
  EXPECT_EQ(ReadFile(dir / "QLM-ErrorLog.txt"), "one\r\ntwo\r\n");
  EXPECT_EQ(SortedEntries(dir.path()), (Names{"QLM-ErrorLog.txt"}));
}

TEST_F(FileSystemContract, AReplacementReplacesTheFileOfAnyCaseWhole) {
  WriteFile(dir / "Quillomat.ini", "old");
  ASSERT_EQ(fs->ReplaceFileAtomically(dir / "quillomat.ini", "new contents"), FsError::Ok);
  std::string text;
  ASSERT_EQ(fs->ReadWholeFile(dir / "Quillomat.ini", 3, text), FsError::Ok);
  EXPECT_EQ(text, "new");
  EXPECT_EQ(SortedEntries(dir.path()), (Names{"Quillomat.ini"}));
}

// A file replaced by its own last bytes, through a name of another case too: from its start,
// from either side of a read piece's end, from its last byte, and from its end and beyond (an
// empty file). A file that is not there stays missing and nothing else appears.
TEST_F(FileSystemContract, ATailReplacesTheFileWithItsOwnLastBytes) {
  std::string contents;
  for (int i = 0; i < 200000; ++i)
    contents += static_cast<char>('a' + (i * 7 + i / 26) % 26);
  const std::vector<std::uint64_t> offsets = {
      0, 1, 65535, 65536, 65537, 150001, contents.size() - 1, contents.size(), contents.size() + 9};
  for (const std::uint64_t offset : offsets) {
    WriteFile(dir / "Journal.txt", contents);
    ASSERT_EQ(fs->ReplaceWithTail(dir / "journal.TXT", offset), FsError::Ok) << offset;
    EXPECT_EQ(ReadFile(dir / "Journal.txt"),
              contents.substr(std::min<std::uint64_t>(offset, contents.size())))
        << offset;
    EXPECT_EQ(SortedEntries(dir.path()), (Names{"Journal.txt"})) << offset;
  }
  EXPECT_EQ(fs->ReplaceWithTail(dir / "missing.txt", 0), FsError::FileNotFound);
  EXPECT_EQ(SortedEntries(dir.path()), (Names{"Journal.txt"}));
}

TEST_F(FileSystemContract, DirectoryLocksExcludeEachOther) {
  std::unique_ptr<DirectoryLock> first;
  std::unique_ptr<DirectoryLock> second;
  ASSERT_EQ(fs->LockDirectory(dir.path(), first), FsError::Ok);
  EXPECT_EQ(fs->LockDirectory(dir.path(), second), FsError::SharingViolation);
  first.reset();
  EXPECT_EQ(fs->LockDirectory(dir.path(), second), FsError::Ok);
  // The lock is no entry a search or the user sees.
  EXPECT_EQ(SearchNames(*fs, dir.path(), SearchKind::Html), Names{});
  EXPECT_EQ(SearchNames(*fs, dir.path(), SearchKind::Scratch), Names{});
}

TEST_F(FileSystemContract, ProbesAndResolvesWithoutChangingAnything) {
  WriteFile(dir / "qlm.tmp", "user data");
  ASSERT_EQ(fs->CreateDirectory(dir / "sub"), FsError::Ok);
  EXPECT_EQ(fs->ProbeWritable(dir.path()), FsError::Ok);
  EXPECT_EQ(fs->ProbeWritable(dir / "missing"), FsError::PathNotFound);
  EXPECT_EQ(fs->GetDriveKind(dir.path()), DriveKind::Fixed);
  EXPECT_EQ(ReadFile(dir / "qlm.tmp"), "user data");
  EXPECT_EQ(SortedEntries(dir.path()), (Names{"qlm.tmp", "sub"}));

  std::string resolved;
  ASSERT_EQ(fs->ResolvePath(dir / "sub/..", resolved), FsError::Ok);
  FileInfo parent;
  FileInfo own;
  ASSERT_EQ(fs->GetInfo(resolved, parent), FsError::Ok);
  ASSERT_EQ(fs->GetInfo(dir.path(), own), FsError::Ok);
  EXPECT_EQ(parent.inode, own.inode);
  EXPECT_TRUE(path::IsAbsolute(resolved));
}

TEST_F(FileSystemContract, AFileReadAheadIsReadAsItsNameHoldsItAtItsTurn) {
  ASSERT_TRUE(fs->CanOpenAhead());
  struct Row {
    const char* what;
    std::function<void(const TempDir&)> meanwhile;  // between reading ahead and the turn
    std::string expected;
  };
  const std::vector<Row> rows = {
      {"nothing", [](const TempDir&) {}, "first"},
      {"rewritten in place",
       [](const TempDir& dir) {
         std::fstream file(NativePath(dir / "page.htm"), std::ios::in | std::ios::out);
         file << "FIRST";
       },
       "FIRST"},
      {"another file moved in",
       [](const TempDir& dir) {
         WriteFile(dir / "other", "the other one");
         std::filesystem::rename(NativePath(dir / "other"), NativePath(dir / "page.htm"));
       },
       "the other one"},
      {"removed", [](const TempDir& dir) { std::filesystem::remove(NativePath(dir / "page.htm")); },
       OpenFailure(FsError::FileNotFound)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempDir work;
    WriteFile(work / "page.htm", "first");
    std::unique_ptr<AheadFile> ahead = fs->OpenAhead(work / "page.htm");
    ASSERT_NE(ahead, nullptr);
    char start[8];
    std::size_t got = 0;
    ASSERT_EQ(ahead->ReadStart(start, sizeof start, got), FsError::Ok);
    EXPECT_EQ(std::string(start, got), "first");
    row.meanwhile(work);
    EXPECT_EQ(ReadThrough(*fs, work / "page.htm", std::move(ahead)), row.expected);
  }
  // Only a regular file is opened ahead; the run's own open answers for the rest at its turn.
  WriteFile(dir / "empty.htm", "");
  ASSERT_EQ(fs->CreateDirectory(dir / "folder.htm"), FsError::Ok);
  for (const char* name : {"folder.htm", "missing.htm", "con.htm", "nul"})
    EXPECT_EQ(fs->OpenAhead(dir / name), nullptr) << name;
  std::unique_ptr<AheadFile> empty = fs->OpenAhead(dir / "empty.htm");
  ASSERT_NE(empty, nullptr);
  char start[8];
  std::size_t got = 1;
  EXPECT_EQ(empty->ReadStart(start, sizeof start, got), FsError::Ok);
  EXPECT_EQ(got, 0u);
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

TEST_F(FileSystemContract, ABatchReadAheadGivesTheFirstBytesOfEachFile) {
  // More files than one batch of the ring holds, of sizes on both sides of the read's limit.
  constexpr std::size_t kLimit = 1000;
  const std::size_t sizes[] = {0, 1, 999, 1000, 1001, 5000};
  std::vector<std::string> contents;
  for (std::size_t i = 0; i < 40; ++i) {
    std::string text = "page " + std::to_string(i) + ": ";
    text.resize(std::max(text.size(), sizes[i % std::size(sizes)]),
                static_cast<char>('a' + i % 26));
    if (sizes[i % std::size(sizes)] == 0) text.clear();
    WriteFile(dir / ("p" + std::to_string(i) + ".htm"), text);
    contents.push_back(text);
  }
  struct Row {
    const char* what;
    std::unique_ptr<AheadReader> reader;
  };
  Row rows[] = {{"the layer's reader", fs->NewAheadReader()},
                {"one file at a time", std::make_unique<AheadReader>()}};
  for (Row& row : rows) {
    SCOPED_TRACE(row.what);
    for (int round = 0; round < 2; ++round) {  // a reader serves batch after batch
      std::vector<std::unique_ptr<AheadFile>> files;
      for (std::size_t i = 0; i < contents.size(); ++i) {
        files.push_back(fs->OpenAhead(dir / ("p" + std::to_string(i) + ".htm")));
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
      EXPECT_EQ(ReadThrough(*fs, dir / "p5.htm", std::move(files[5])), contents[5]);
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

// What Wine cannot show, so no test here asks it (each has its place in PosixFileSystem's own
// suite, and on Windows itself):
//  * a case-only rename done in one step: Wine renames in place where Windows needs the
//    layer's scratch name; both end as the test above checks;
//  * a read-only file or directory refused to the owner: CI runs as root, which Linux lets
//    through, and Wine maps Windows' attributes onto the Linux modes;
//  * paths beyond MAX_PATH without the \\?\ prefix, and error 19 (a write-protected medium);
//  * symbolic links and junctions: Wine answers that it made one and makes none;
//  * the sharing violation of a file another program holds open without FILE_SHARE_DELETE;
//  * a copy cancelled halfway: Wine's CopyFileExW does not ask its progress routine between
//    pieces.

}  // namespace
}  // namespace qlm
