// PosixFileSystem on the real file system: letter case, moves that never replace, the names
// it refuses, enumeration, files that must not be opened, and bad input.
#include "platform/posix/posix_file_system.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "support/layer_probes.h"
#include "support/system_call_faults.h"
#include "support/temp_dir.h"

namespace qlm {
namespace {

using testing::ReadThrough;
using testing::SearchNames;
using testing::SortedEntries;

using testing::EntryNames;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;
using Names = std::vector<std::string>;

TEST(PosixFileSystemTest, NamesAreTakenAndFoundRegardlessOfCase) {
  TempDir dir;
  WriteFile(dir / "Intro.qlm", "intro");
  WriteFile(dir / "other.htm", "other");
  PosixFileSystem fs;
  EXPECT_TRUE(fs.NameTaken(dir / "INTRO.qlm"));
  EXPECT_FALSE(fs.NameTaken(dir / "Intro.htm"));
  EXPECT_EQ(fs.Move(dir / "other.htm", dir / "INTRO.qlm"), FsError::AlreadyExists);
  EXPECT_EQ(EntryNames(dir.path()), (Names{"Intro.qlm", "other.htm"}));
  EXPECT_EQ(ReadFile(dir / "Intro.qlm"), "intro");
  EXPECT_EQ(ReadFile(dir / "other.htm"), "other");
  EXPECT_EQ(ReadThrough(fs, dir / "INTRO.qlm"), "intro");
  FileInfo info;
  ASSERT_EQ(fs.GetInfo(dir / "intro.QLM", info), FsError::Ok);
  EXPECT_EQ(info.stored_name, "Intro.qlm");
  EXPECT_TRUE(info.is_regular);
  EXPECT_EQ(info.size, 5u);
}

TEST(PosixFileSystemTest, ExactNamePreferredWhenBothCasesExist) {
  TempDir dir;
  WriteFile(dir / "a.htm", "lower");
  WriteFile(dir / "A.htm", "upper");
  PosixFileSystem fs;
  EXPECT_EQ(ReadThrough(fs, dir / "A.htm"), "upper");
  EXPECT_EQ(ReadThrough(fs, dir / "a.htm"), "lower");
  EXPECT_EQ(ReadThrough(fs, dir / "a.HTM"), "upper");  // both match: the smaller bytes win
}

TEST(PosixFileSystemTest, MoveOntoNameCreatedAfterTheCheckFails) {
  // Another process creates the destination between the layer's check and its rename.
  TempDir dir;
  WriteFile(dir / "a.htm", "mine");
  testing::SystemCallFaults faults;
  faults.Before(testing::Syscall::Renameat2, 1, [&] { WriteFile(dir / "b.htm", "theirs"); });
  PosixFileSystem fs(faults.calls());
  EXPECT_FALSE(fs.NameTaken(dir / "b.htm"));
  EXPECT_EQ(fs.Move(dir / "a.htm", dir / "b.htm"), FsError::AlreadyExists);
  EXPECT_EQ(ReadFile(dir / "a.htm"), "mine");
  EXPECT_EQ(ReadFile(dir / "b.htm"), "theirs");
  EXPECT_TRUE(fs.NameTaken(dir / "B.htm"));
}

TEST(PosixFileSystemTest, IndexSeesCaseVariantsCreatedBehindItsBack) {
  TempDir dir;
  WriteFile(dir / "a.htm", "a");
  PosixFileSystem fs;
  EXPECT_FALSE(fs.NameTaken(dir / "b.htm"));                   // index built now
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // past a coarse clock tick
  WriteFile(dir / "B.HTM", "b");
  EXPECT_TRUE(fs.NameTaken(dir / "b.htm"));
  EXPECT_EQ(fs.Move(dir / "a.htm", dir / "b.htm"), FsError::AlreadyExists);
  // And a name the index holds that vanished no longer counts.
  ASSERT_EQ(unlink((dir / "B.HTM").c_str()), 0);
  EXPECT_FALSE(fs.NameTaken(dir / "b.htm"));
}

struct MoveRow {
  const char* label;
  std::string destination;
  FsError expected;
};

class MoveOntoTest : public ::testing::TestWithParam<MoveRow> {};

TEST_P(MoveOntoTest, NeverReplaces) {
  TempDir dir;
  WriteFile(dir / "source.htm", "source");
  WriteFile(dir / "taken.htm", "taken");
  ASSERT_EQ(mkdir((dir / "Folder").c_str(), 0755), 0);
  PosixFileSystem fs;
  const Names before = EntryNames(dir.path());
  EXPECT_EQ(fs.Move(dir / "source.htm", dir / GetParam().destination), GetParam().expected);
  EXPECT_EQ(EntryNames(dir.path()), before);
  EXPECT_EQ(ReadFile(dir / "source.htm"), "source");
  EXPECT_EQ(ReadFile(dir / "taken.htm"), "taken");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MoveOntoTest,
    ::testing::Values(MoveRow{"ExactName", "taken.htm", FsError::AlreadyExists},
                      MoveRow{"OtherCase", "TAKEN.HTM", FsError::AlreadyExists},
                      MoveRow{"Directory", "folder", FsError::AlreadyExists},
                      MoveRow{"ControlByte", "bad\x01name.htm", FsError::InvalidName},
                      MoveRow{"Tab", "bad\tname.htm", FsError::InvalidName},
                      MoveRow{"Nul", "nul.htm", FsError::InvalidName},
                      MoveRow{"Con", "CON.qlm", FsError::InvalidName},
                      MoveRow{"Com1", "com1.html", FsError::InvalidName},
                      MoveRow{"TrailingBlank", "Lpt3 .htm", FsError::InvalidName},
                      MoveRow{"Dot", ".", FsError::InvalidName},
                      MoveRow{"EmptyName", "", FsError::InvalidName},
                      MoveRow{"TooLong", std::string(256, 'n'), FsError::FilenameTooLong},
                      MoveRow{"MissingDirectory", "missing/x.htm", FsError::PathNotFound}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(PosixFileSystemTest, MovesRenameAndKeepTheIndexCurrent) {
  TempDir dir;
  WriteFile(dir / "intro.htm", "text");
  PosixFileSystem fs;
  EXPECT_EQ(fs.Move(dir / "intro.htm", dir / "intro.htm"), FsError::Ok);
  EXPECT_EQ(fs.Move(dir / "intro.htm", dir / "Intro.htm"), FsError::Ok);  // case only
  EXPECT_EQ(EntryNames(dir.path()), (Names{"Intro.htm"}));
  EXPECT_EQ(fs.Move(dir / "INTRO.HTM", dir / "x.qlm"), FsError::Ok);  // source found by case
  EXPECT_FALSE(fs.NameTaken(dir / "intro.htm"));
  EXPECT_TRUE(fs.NameTaken(dir / "X.QLM"));
  EXPECT_EQ(fs.Move(dir / "x.qlm", dir / "intro.htm"), FsError::Ok);
  EXPECT_EQ(EntryNames(dir.path()), (Names{"intro.htm"}));
  EXPECT_EQ(ReadFile(dir / "intro.htm"), "text");
  EXPECT_EQ(fs.Move(dir / "gone.htm", dir / "y.htm"), FsError::FileNotFound);
}

TEST(PosixFileSystemTest, DirectoriesAndDanglingLinksAreEntriesToo) {
  TempDir dir;
  ASSERT_EQ(mkdir((dir / "sub").c_str(), 0755), 0);
  ASSERT_EQ(symlink("nowhere", (dir / "Dangling.htm").c_str()), 0);
  PosixFileSystem fs;
  EXPECT_EQ(fs.Move(dir / "sub/", dir / "Sub"), FsError::Ok);  // case only, trailing '/'
  EXPECT_TRUE(fs.NameTaken(dir / "dangling.HTM"));
  FileInfo info;
  EXPECT_EQ(fs.GetInfo(dir / "dangling.htm", info), FsError::FileNotFound);
  EXPECT_TRUE(fs.NameTaken(dir / "DANGLING.htm"));  // still known after the failed lookup
  EXPECT_EQ(fs.Move(dir / "Sub", dir / "DANGLING.HTM"), FsError::AlreadyExists);
  EXPECT_EQ(fs.Move(dir / "dangling.htm", dir / "link.htm"), FsError::Ok);  // the link moves
  EXPECT_EQ(EntryNames(dir.path()), (Names{"Sub", "link.htm"}));
}

TEST(PosixFileSystemTest, CreateAndDeleteFollowTheCaseRules) {
  TempDir dir;
  WriteFile(dir / "Old.qlm", "x");
  PosixFileSystem fs;
  EXPECT_EQ(fs.CreateDirectory(dir / "Backup"), FsError::Ok);
  EXPECT_EQ(fs.CreateDirectory(dir / "BACKUP"), FsError::AlreadyExists);
  EXPECT_EQ(fs.CreateDirectory(dir / "aux"), FsError::InvalidName);
  EXPECT_EQ(fs.CreateDirectory(dir / "missing/sub"), FsError::PathNotFound);
  EXPECT_TRUE(fs.NameTaken(dir / "old.qlm"));
  EXPECT_EQ(fs.Delete(dir / "OLD.QLM"), FsError::Ok);
  EXPECT_FALSE(fs.NameTaken(dir / "old.qlm"));
  EXPECT_EQ(fs.Delete(dir / "old.qlm"), FsError::FileNotFound);
  EXPECT_EQ(fs.Delete(dir / "Backup"), FsError::AccessDenied);  // never a directory
  EXPECT_EQ(EntryNames(dir.path()), (Names{"Backup"}));
}

TEST(PosixFileSystemTest, SearchesMatchExtensionsInFoldedOrder) {
  TempDir dir;
  for (const char* name : {"b.htm", "A.HTM", "c.Html", "_u.htm", "Z.htm", "a.html", "ab.htm",
                           "AB.htm", "e.htmx", "f.ht", "htm", "g.qlm", "H.QLM", "i.qlmx"}) {
    WriteFile(dir / name, name);
  }
  ASSERT_EQ(mkdir((dir / "x.htm").c_str(), 0755), 0);
  PosixFileSystem fs;
  EXPECT_EQ(SearchNames(fs, dir.path(), SearchKind::Html),
            (Names{"_u.htm", "A.HTM", "a.html", "AB.htm", "ab.htm", "b.htm", "c.Html", "x.htm",
                   "Z.htm"}));
  EXPECT_EQ(SearchNames(fs, dir.path() + "/", SearchKind::Scratch), (Names{"g.qlm", "H.QLM"}));
  EXPECT_EQ(SearchNames(fs, dir / "missing", SearchKind::Html), (Names{"<failed>"}));
  std::unique_ptr<DirectorySearch> search;
  EXPECT_EQ(fs.OpenSearch(dir / "missing", SearchKind::Html, search), FsError::PathNotFound);
  EXPECT_EQ(fs.OpenSearch(dir / "b.htm", SearchKind::Html, search), FsError::PathNotFound);
  EXPECT_EQ(search, nullptr);
}

TEST(PosixFileSystemTest, SearchSnapshotIgnoresLaterChanges) {
  TempDir dir;
  WriteFile(dir / "a.htm", "");
  PosixFileSystem fs;
  std::unique_ptr<DirectorySearch> search;
  ASSERT_EQ(fs.OpenSearch(dir.path(), SearchKind::Html, search), FsError::Ok);
  ASSERT_EQ(fs.Move(dir / "a.htm", dir / "b.htm"), FsError::Ok);
  std::string name;
  ASSERT_TRUE(search->Next(name));
  EXPECT_EQ(name, "a.htm");
  EXPECT_FALSE(search->Next(name));
}

TEST(PosixFileSystemTest, EachSearchSeesTheDirectoryAsItIsThen) {
  TempDir dir;
  WriteFile(dir / "a.htm", "");
  PosixFileSystem fs;
  EXPECT_EQ(SearchNames(fs, dir.path(), SearchKind::Html), (Names{"a.htm"}));
  EXPECT_EQ(SearchNames(fs, dir.path(), SearchKind::Html), (Names{"a.htm"}));  // nothing changed
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // past a coarse clock tick
  WriteFile(dir / "b.htm", "");
  ASSERT_EQ(rename((dir / "a.htm").c_str(), (dir / "c.qlm").c_str()), 0);
  EXPECT_EQ(SearchNames(fs, dir.path(), SearchKind::Html), (Names{"b.htm"}));
  EXPECT_EQ(SearchNames(fs, dir.path(), SearchKind::Scratch), (Names{"c.qlm"}));
  ASSERT_EQ(fs.Move(dir / "c.qlm", dir / "C.htm"), FsError::Ok);  // the layer's own change
  EXPECT_EQ(SearchNames(fs, dir.path(), SearchKind::Html), (Names{"b.htm", "C.htm"}));
}

// Makes a UNIX socket bound at `path`; returns the descriptor (or -1).
int BindSocket(const std::string& path) {
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return -1;
  return fd;
}

TEST(PosixFileSystemTest, OnlyRegularFilesOpenAndNothingBlocks) {
  TempDir dir;
  ASSERT_EQ(mkdir((dir / "dir.htm").c_str(), 0755), 0);
  ASSERT_EQ(mkfifo((dir / "fifo.htm").c_str(), 0644), 0);
  int socket_fd = BindSocket(dir / "socket.htm");
  ASSERT_GE(socket_fd, 0);
  WriteFile(dir / "real.htm", "real");
  ASSERT_EQ(symlink("real.htm", (dir / "link.htm").c_str()), 0);
  PosixFileSystem fs;
  for (const char* name : {"dir.htm", "fifo.htm", "socket.htm", "/dev/null"}) {
    std::string path = name[0] == '/' ? name : dir / name;
    std::unique_ptr<ReadableFile> file;
    EXPECT_EQ(fs.OpenForReading(path, file), FsError::AccessDenied) << name;
    EXPECT_EQ(file, nullptr);
    std::string contents = "unchanged";
    EXPECT_EQ(fs.ReadWholeFile(path, 100, contents), FsError::AccessDenied) << name;
    EXPECT_EQ(contents, "unchanged");
    std::unique_ptr<LogFile> log;
    EXPECT_EQ(fs.OpenLog(path, log), FsError::AccessDenied) << name;
  }
  // A link is found regardless of case but never read through as a page; the settings and
  // journal reader still follows one.
  std::unique_ptr<ReadableFile> linked;
  EXPECT_EQ(fs.OpenForReading(dir / "LINK.htm", linked), FsError::StoppedOnSymlink);
  EXPECT_EQ(linked, nullptr);
  std::string contents;
  EXPECT_EQ(fs.ReadWholeFile(dir / "LINK.htm", 100, contents), FsError::Ok);
  EXPECT_EQ(contents, "real");
  close(socket_fd);
}

TEST(PosixFileSystemTest, ADirectoryReplacedAtItsPathIsWorkedInThere) {
  // The layer works relative to the directories it holds open; once one is found replaced
  // by another at the same path, it must work in the new one.
  TempDir root;
  const std::string pages = root / "pages";
  ASSERT_EQ(mkdir(pages.c_str(), 0755), 0);
  WriteFile(pages + "/a.htm", "old");
  PosixFileSystem fs;
  std::unique_ptr<DirectorySearch> search;  // holds the directory open while it lives
  ASSERT_EQ(fs.OpenSearch(pages, SearchKind::Html, search), FsError::Ok);
  ASSERT_EQ(ReadThrough(fs, pages + "/a.htm"), "old");
  ASSERT_EQ(rename(pages.c_str(), (root / "moved").c_str()), 0);
  ASSERT_EQ(mkdir(pages.c_str(), 0755), 0);
  WriteFile(pages + "/a.htm", "new");
  std::this_thread::sleep_for(2 * posix::DirectoryIndexCache::kTrustChecked);
  EXPECT_EQ(ReadThrough(fs, pages + "/a.htm"), "new");
  EXPECT_EQ(fs.Move(pages + "/a.htm", pages + "/b.htm"), FsError::Ok);
  EXPECT_EQ(EntryNames(pages), (Names{"b.htm"}));
  EXPECT_EQ(EntryNames(root / "moved"), (Names{"a.htm"}));
  EXPECT_EQ(ReadFile(root / "moved/a.htm"), "old");
}

std::size_t OpenDescriptors() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    ++count;
  return count;
}

TEST(PosixFileSystemTest, NoDirectoryStaysOpenOnceItsSearchesAreDone) {
  // A directory held open keeps its file system busy: a removable disk could not be unmounted
  // while the desktop program stays open after a run.
  TempDir dir;
  WriteFile(dir / "a.htm", "a");
  PosixFileSystem fs;
  const std::size_t before = OpenDescriptors();
  {
    std::unique_ptr<DirectorySearch> html, scratch;
    ASSERT_EQ(fs.OpenSearch(dir.path(), SearchKind::Html, html), FsError::Ok);
    ASSERT_EQ(fs.OpenSearch(dir.path(), SearchKind::Scratch, scratch), FsError::Ok);
    EXPECT_EQ(OpenDescriptors(), before + 1);  // one for both searches
    ASSERT_EQ(ReadThrough(fs, dir / "a.htm"), "a");
    ASSERT_EQ(fs.Move(dir / "a.htm", dir / "b.htm"), FsError::Ok);
  }
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_TRUE(fs.NameTaken(dir / "B.htm"));  // the index itself is still there
  EXPECT_EQ(fs.Move(dir / "b.htm", dir / "c.htm"), FsError::Ok);
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST(PosixFileSystemTest, AListedFileSwappedForAFifoIsStillRefused) {
  TempDir dir;
  WriteFile(dir / "page.htm", "page");
  PosixFileSystem fs;
  ASSERT_EQ(SearchNames(fs, dir.path(), SearchKind::Html),
            (Names{"page.htm"}));  // listed as a file
  ASSERT_EQ(unlink((dir / "page.htm").c_str()), 0);
  ASSERT_EQ(mkfifo((dir / "page.htm").c_str(), 0644), 0);
  std::unique_ptr<ReadableFile> file;
  EXPECT_EQ(fs.OpenForReading(dir / "page.htm", file), FsError::AccessDenied);
  EXPECT_EQ(file, nullptr);
}

// How the layer came to know the file before moving it; the description of a move must be
// the moved entry's own (what lstat says of it afterwards) whichever way that was.
struct DescribeRow {
  const char* label;
  std::function<std::string(PosixFileSystem&, const TempDir&)> prepare;  // returns the source
};

class MoveDescribesTest : public ::testing::TestWithParam<DescribeRow> {};

TEST_P(MoveDescribesTest, WithTheEntrysOwnIdentity) {
  TempDir dir;
  WriteFile(dir / "a.htm", "first");
  WriteFile(dir / "other.htm", "a different file, longer");
  ASSERT_EQ(symlink("other.htm", (dir / "link.htm").c_str()), 0);
  PosixFileSystem fs;
  const std::string source = GetParam().prepare(fs, dir);
  FileInfo moved;
  ASSERT_EQ(fs.MoveAndDescribe(source, dir / "moved.htm", moved), FsError::Ok);
  struct stat status;
  ASSERT_EQ(lstat((dir / "moved.htm").c_str(), &status), 0);
  EXPECT_EQ(moved.device, status.st_dev);
  EXPECT_EQ(moved.inode, status.st_ino);
  EXPECT_EQ(moved.size, static_cast<std::uint64_t>(status.st_size));
  EXPECT_EQ(moved.mtime_ns, status.st_mtim.tv_sec * 1'000'000'000LL + status.st_mtim.tv_nsec);
  EXPECT_EQ(moved.is_regular, S_ISREG(status.st_mode));
  EXPECT_EQ(moved.stored_name, "moved.htm");
}

std::string Opened(PosixFileSystem& fs, const std::string& path) {
  EXPECT_NE(ReadThrough(fs, path).substr(0, 6), "<error");
  return path;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MoveDescribesTest,
    ::testing::Values(
        DescribeRow{"never_seen", [](PosixFileSystem&, const TempDir& d) { return d / "a.htm"; }},
        DescribeRow{"listed",
                    [](PosixFileSystem& fs, const TempDir& d) {
                      SearchNames(fs, d.path(), SearchKind::Html);
                      return d / "a.htm";
                    }},
        DescribeRow{"opened",
                    [](PosixFileSystem& fs, const TempDir& d) {
                      SearchNames(fs, d.path(), SearchKind::Html);
                      return Opened(fs, d / "a.htm");
                    }},
        DescribeRow{"opened_then_moved_and_listed_again",
                    [](PosixFileSystem& fs, const TempDir& d) {
                      SearchNames(fs, d.path(), SearchKind::Html);
                      Opened(fs, d / "a.htm");
                      EXPECT_EQ(fs.Move(d / "a.htm", d / "a.qlm"), FsError::Ok);
                      SearchNames(fs, d.path(), SearchKind::Scratch);
                      return d / "a.qlm";
                    }},
        DescribeRow{"a_link_refused",  // the link moves, so it is the link described
                    [](PosixFileSystem& fs, const TempDir& d) {
                      SearchNames(fs, d.path(), SearchKind::Html);
                      std::unique_ptr<ReadableFile> file;
                      EXPECT_EQ(fs.OpenForReading(d / "link.htm", file), FsError::StoppedOnSymlink);
                      return d / "link.htm";
                    }},
        DescribeRow{"opened_then_replaced_and_listed_again",
                    [](PosixFileSystem& fs, const TempDir& d) {
                      SearchNames(fs, d.path(), SearchKind::Html);
                      Opened(fs, d / "a.htm");
                      std::this_thread::sleep_for(std::chrono::milliseconds(20));  // a new tick
                      EXPECT_EQ(rename((d / "other.htm").c_str(), (d / "a.htm").c_str()), 0);
                      SearchNames(fs, d.path(), SearchKind::Html);
                      return d / "a.htm";
                    }},
        DescribeRow{"opened_then_renamed_to_a_case_variant",  // found again regardless of case
                    [](PosixFileSystem& fs, const TempDir& d) {
                      SearchNames(fs, d.path(), SearchKind::Html);
                      Opened(fs, d / "a.htm");
                      EXPECT_EQ(rename((d / "a.htm").c_str(), (d / "A.htm").c_str()), 0);
                      return d / "a.htm";
                    }}),
    [](const ::testing::TestParamInfo<DescribeRow>& info) { return info.param.label; });

TEST(PosixFileSystemTest, BadPathsFailWithoutCreatingAnything) {
  TempDir dir;
  WriteFile(dir / "a.htm", "a");
  PosixFileSystem fs;
  const std::string with_nul = dir / std::string("b.htm\0.qlm", 10);
  const std::string too_long = dir / std::string(PATH_MAX, 'x');
  const std::string deep_long =
      dir.path() + std::string(PATH_MAX / 2, '/') + std::string(PATH_MAX / 2, 'y');
  struct Row {
    std::string path;
    FsError expected;
  };
  for (const Row& row :
       {Row{"", FsError::FileNotFound}, Row{with_nul, FsError::InvalidName},
        Row{too_long, FsError::FilenameTooLong}, Row{deep_long, FsError::FilenameTooLong}}) {
    std::unique_ptr<ReadableFile> file;
    std::unique_ptr<LogFile> log;
    FileInfo info;
    std::string text;
    EXPECT_EQ(fs.OpenForReading(row.path, file), row.expected);
    EXPECT_EQ(fs.GetInfo(row.path, info), row.expected);
    EXPECT_EQ(fs.Move(dir / "a.htm", row.path), row.expected);
    EXPECT_EQ(fs.Copy(dir / "a.htm", row.path, false), row.expected);
    EXPECT_EQ(fs.CreateDirectory(row.path), row.expected);
    EXPECT_EQ(fs.OpenLog(row.path, log), row.expected);
    EXPECT_EQ(fs.ReplaceFileAtomically(row.path, "x"), row.expected);
    EXPECT_EQ(fs.ReadWholeFile(row.path, 10, text), row.expected);
    EXPECT_NE(fs.Delete(row.path), FsError::Ok);
    EXPECT_FALSE(fs.NameTaken(row.path));
    EXPECT_NE(fs.ProbeWritable(row.path), FsError::Ok);
  }
  EXPECT_EQ(EntryNames(dir.path()), (Names{"a.htm"}));
  EXPECT_EQ(ReadFile(dir / "a.htm"), "a");
}

TEST(PosixFileSystemTest, WriteProbeLeavesExistingFilesAlone) {
  TempDir dir;
  WriteFile(dir / "qlm.tmp", "user data");
  ASSERT_EQ(chmod((dir / "qlm.tmp").c_str(), 0444), 0);
  struct stat before;
  ASSERT_EQ(stat((dir / "qlm.tmp").c_str(), &before), 0);
  PosixFileSystem fs;
  EXPECT_EQ(fs.ProbeWritable(dir.path()), FsError::Ok);
  EXPECT_EQ(fs.ProbeWritable(dir / "missing"), FsError::PathNotFound);
  EXPECT_EQ(fs.GetDriveKind(dir.path()), DriveKind::Fixed);
  struct stat after;
  ASSERT_EQ(stat((dir / "qlm.tmp").c_str(), &after), 0);
  EXPECT_EQ(ReadFile(dir / "qlm.tmp"), "user data");
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(EntryNames(dir.path()), (Names{"qlm.tmp"}));
}

}  // namespace
}  // namespace qlm
