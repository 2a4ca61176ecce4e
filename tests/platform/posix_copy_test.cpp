// PosixFileSystem's writing operations: Copy, ReplaceFileAtomically, ReplaceWithTail, logs and
// whole-file reads.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <utility>

#include "platform/posix/posix_file_system.h"
#include "support/system_call_faults.h"
#include "support/temp_dir.h"

namespace qlm {
namespace {

using testing::EntryNames;
using testing::ReadFile;
using testing::SystemCallFaults;
using testing::TempDir;
using testing::WriteFile;
using Names = std::vector<std::string>;

struct stat StatOf(const std::string& path) {
  struct stat status {};
  stat(path.c_str(), &status);
  return status;
}

TEST(PosixCopyTest, KeepsBytesPermissionsAndModificationTime) {
  std::string contents(150000, '\0');
  for (std::size_t i = 0; i < contents.size(); ++i)
    contents[i] = static_cast<char>(i * 7);
  for (bool tmpfile : {true, false}) {
    SCOPED_TRACE(tmpfile ? "O_TMPFILE" : "named temporary");
    TempDir dir;
    WriteFile(dir / "page.htm", contents);
    ASSERT_EQ(chmod((dir / "page.htm").c_str(), 0640), 0);
    const struct timespec times[2] = {{1000000000, 0}, {1234567890, 123456789}};
    ASSERT_EQ(utimensat(AT_FDCWD, (dir / "page.htm").c_str(), times, 0), 0);
    SystemCallFaults faults;
    if (!tmpfile) faults.FailTmpfile(EOPNOTSUPP);
    PosixFileSystem fs(faults.calls());
    ASSERT_EQ(fs.Copy(dir / "PAGE.htm", dir / "copy.htm", true), FsError::Ok);
    EXPECT_EQ(ReadFile(dir / "copy.htm"), contents);
    struct stat copy = StatOf(dir / "copy.htm");
    EXPECT_EQ(copy.st_mode & 07777, 0640u);
    EXPECT_EQ(copy.st_mtim.tv_sec, 1234567890);
    EXPECT_EQ(copy.st_mtim.tv_nsec, 123456789);
    EXPECT_EQ(EntryNames(dir.path()), (Names{"copy.htm", "page.htm"}));
    EXPECT_TRUE(fs.NameTaken(dir / "COPY.HTM"));
  }
}

TEST(PosixCopyTest, FailIfExistsHonoursEveryLetterCase) {
  for (bool tmpfile : {true, false}) {
    SCOPED_TRACE(tmpfile ? "O_TMPFILE" : "named temporary");
    TempDir dir;
    WriteFile(dir / "page.htm", "new");
    WriteFile(dir / "Backup.htm", "old");
    SystemCallFaults faults;
    if (!tmpfile) faults.FailTmpfile(EOPNOTSUPP);
    PosixFileSystem fs(faults.calls());
    EXPECT_EQ(fs.Copy(dir / "page.htm", dir / "Backup.htm", true), FsError::AlreadyExists);
    EXPECT_EQ(fs.Copy(dir / "page.htm", dir / "BACKUP.HTM", true), FsError::AlreadyExists);
    EXPECT_EQ(fs.Copy(dir / "page.htm", dir / "PAGE.htm", true), FsError::AlreadyExists);
    // A file created after the layer's check is still not replaced.
    faults.Before(tmpfile ? testing::Syscall::Linkat : testing::Syscall::Renameat2, 1,
                  [&] { WriteFile(dir / "late.htm", "late"); });
    EXPECT_EQ(fs.Copy(dir / "page.htm", dir / "late.htm", true), FsError::AlreadyExists);
    EXPECT_EQ(ReadFile(dir / "late.htm"), "late");
    EXPECT_EQ(ReadFile(dir / "Backup.htm"), "old");
    EXPECT_EQ(EntryNames(dir.path()), (Names{"Backup.htm", "late.htm", "page.htm"}));
  }
}

TEST(PosixCopyTest, ReplacesTheStoredNameWhenAllowed) {
  TempDir dir;
  WriteFile(dir / "page.htm", "new");
  WriteFile(dir / "Backup.htm", "old");
  PosixFileSystem fs;
  EXPECT_EQ(fs.Copy(dir / "page.htm", dir / "BACKUP.htm", false), FsError::Ok);
  EXPECT_EQ(EntryNames(dir.path()), (Names{"Backup.htm", "page.htm"}));
  EXPECT_EQ(ReadFile(dir / "Backup.htm"), "new");
  EXPECT_EQ(fs.Copy(dir / "missing.htm", dir / "x.htm", false), FsError::FileNotFound);
  EXPECT_EQ(fs.Copy(dir / "page.htm", dir / "nope/x.htm", false), FsError::PathNotFound);
  EXPECT_EQ(fs.Copy(dir / "page.htm", dir / "prn.htm", false), FsError::InvalidName);
  EXPECT_EQ(EntryNames(dir.path()), (Names{"Backup.htm", "page.htm"}));
}

TEST(PosixReplaceTest, ReplacesAtomicallyKeepingPermissions) {
  TempDir dir;
  PosixFileSystem fs;
  ASSERT_EQ(fs.ReplaceFileAtomically(dir / "Quillomat.ini", "first"), FsError::Ok);
  EXPECT_EQ(ReadFile(dir / "Quillomat.ini"), "first");
  ASSERT_EQ(chmod((dir / "Quillomat.ini").c_str(), 0600), 0);
  ASSERT_EQ(fs.ReplaceFileAtomically(dir / "quillomat.INI", "second"), FsError::Ok);
  EXPECT_EQ(ReadFile(dir / "Quillomat.ini"), "second");
  EXPECT_EQ(StatOf(dir / "Quillomat.ini").st_mode & 07777, 0600u);
  EXPECT_EQ(EntryNames(dir.path()), (Names{"Quillomat.ini"}));
  EXPECT_EQ(fs.ReplaceFileAtomically(dir / "missing/x.ini", "x"), FsError::PathNotFound);
}

// A tail replacement that fails at any of its writing calls leaves the file whole and no
// temporary beside it; a link of the name is never read through nor replaced.
TEST(PosixReplaceTest, ATailThatFailsLeavesTheFileWhole) {
  const std::string contents(150000, 'j');
  for (const auto& [call, error] :
       {std::pair{testing::Syscall::Write, ENOSPC}, std::pair{testing::Syscall::Fsync, EIO},
        std::pair{testing::Syscall::Renameat2, EIO}}) {
    TempDir dir;
    WriteFile(dir / "QLM-Journal.txt", contents);
    SystemCallFaults faults;
    faults.Fail(call, error);
    PosixFileSystem fs(faults.calls());
    EXPECT_NE(fs.ReplaceWithTail(dir / "QLM-Journal.txt", 100), FsError::Ok);
    EXPECT_EQ(ReadFile(dir / "QLM-Journal.txt"), contents);
    EXPECT_EQ(EntryNames(dir.path()), Names{"QLM-Journal.txt"});
  }
  TempDir dir, victim;
  WriteFile(victim / "secret", "victim's");
  ASSERT_EQ(symlink((victim / "secret").c_str(), (dir / "QLM-Journal.txt").c_str()), 0);
  PosixFileSystem fs;
  EXPECT_EQ(fs.ReplaceWithTail(dir / "QLM-Journal.txt", 2), FsError::StoppedOnSymlink);
  struct stat status {};
  ASSERT_EQ(lstat((dir / "QLM-Journal.txt").c_str(), &status), 0);
  EXPECT_TRUE(S_ISLNK(status.st_mode));
  EXPECT_EQ(EntryNames(dir.path()), Names{"QLM-Journal.txt"});
  EXPECT_EQ(ReadFile(victim / "secret"), "victim's");
}

TEST(PosixLogTest, AppendsWithoutTruncatingWhoeverElseAppends) {
  TempDir dir;
  WriteFile(dir / "QLM-RenLog.txt", "existing\r\n");
  PosixFileSystem fs;
  std::unique_ptr<LogFile> log, other;
  ASSERT_EQ(fs.OpenLog(dir / "qlm-renlog.TXT", log), FsError::Ok);  // found by case
  ASSERT_EQ(fs.OpenLog(dir / "QLM-RenLog.txt", other), FsError::Ok);
  std::uint64_t size = 0;
  ASSERT_EQ(log->Size(size), FsError::Ok);
  EXPECT_EQ(size, 10u);
  EXPECT_EQ(log->Append("next\r\n"), FsError::Ok);
  EXPECT_EQ(other->Append("other\r\n"), FsError::Ok);  // after it, not over it
  EXPECT_EQ(log->Append("last\r\n"), FsError::Ok);
  EXPECT_EQ(log->Sync(), FsError::Ok);
  log.reset();
  EXPECT_EQ(ReadFile(dir / "QLM-RenLog.txt"), "existing\r\nnext\r\nother\r\nlast\r\n");
  ASSERT_EQ(fs.OpenLog(dir / "QLM-ErrorLog.txt", log), FsError::Ok);  // created
  EXPECT_EQ(EntryNames(dir.path()), (Names{"QLM-ErrorLog.txt", "QLM-RenLog.txt"}));
  EXPECT_EQ(fs.OpenLog(dir / "nul.txt", log), FsError::InvalidName);
  EXPECT_EQ(fs.OpenLog(dir / "missing/log.txt", log), FsError::PathNotFound);
}

TEST(PosixLogTest, FullDiskIsReported) {
  TempDir dir;
  SystemCallFaults faults;
  faults.Fail(testing::Syscall::Write, ENOSPC);
  PosixFileSystem fs(faults.calls());
  std::unique_ptr<LogFile> log;
  ASSERT_EQ(fs.OpenLog(dir / "log.txt", log), FsError::Ok);
  EXPECT_EQ(log->Append("line"), FsError::DiskFull);
}

TEST(PosixReadTest, ReadWholeFileStopsAtTheLimit) {
  TempDir dir;
  WriteFile(dir / "Settings.ini", std::string(100000, 's'));
  PosixFileSystem fs;
  std::string contents;
  ASSERT_EQ(fs.ReadWholeFile(dir / "settings.ini", 70000, contents), FsError::Ok);
  EXPECT_EQ(contents, std::string(70000, 's'));
  ASSERT_EQ(fs.ReadWholeFile(dir / "Settings.ini", 1 << 20, contents), FsError::Ok);
  EXPECT_EQ(contents.size(), 100000u);
  EXPECT_EQ(fs.ReadWholeFile(dir / "none.ini", 10, contents), FsError::FileNotFound);
  EXPECT_EQ(contents.size(), 100000u);  // unchanged on failure
}

TEST(PosixCopyTest, HolesStayHolesAndDataStaysInPlace) {
  TempDir dir;
  const std::string page = dir / "sparse.htm";
  {
    const int fd = open(page.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, "<title>head</title>", 19, 0), 19);
    ASSERT_EQ(pwrite(fd, "middle", 6, 512L << 20), 6);
    ASSERT_EQ(ftruncate(fd, 1L << 30), 0);  // 1 GiB, nearly all of it a hole
    close(fd);
  }
  PosixFileSystem fs;
  ASSERT_EQ(fs.Copy(page, dir / "copy.htm", true), FsError::Ok);
  const struct stat copy = StatOf(dir / "copy.htm");
  EXPECT_EQ(copy.st_size, 1L << 30);
  EXPECT_LT(copy.st_blocks * 512, 16L << 20) << "the holes were written out";
  const int fd = open((dir / "copy.htm").c_str(), O_RDONLY);
  char buffer[19] = {};
  EXPECT_EQ(pread(fd, buffer, 19, 0), 19);
  EXPECT_EQ(std::string(buffer, 19), "<title>head</title>");
  EXPECT_EQ(pread(fd, buffer, 6, 512L << 20), 6);
  EXPECT_EQ(std::string(buffer, 6), "middle");
  close(fd);
}

TEST(PosixCopyTest, ACancelledCopyLeavesNothing) {
  for (bool tmpfile : {true, false}) {
    SCOPED_TRACE(tmpfile ? "O_TMPFILE" : "named temporary");
    TempDir dir;
    WriteFile(dir / "page.htm", std::string(1 << 20, 'p'));
    SystemCallFaults faults;
    if (!tmpfile) faults.FailTmpfile(EOPNOTSUPP);
    PosixFileSystem fs(faults.calls());
    int asked = 0;
    const CancelCheck stop_on_third = [&] { return ++asked == 3; };
    EXPECT_EQ(fs.CopyFile(dir / "page.htm", dir / "copy.htm", true, &stop_on_third),
              FsError::Cancelled);
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(EntryNames(dir.path()), Names{"page.htm"});
  }
}

TEST(PosixCopyTest, NeverThroughALink) {
  TempDir dir, victim;
  WriteFile(dir / "page.htm", "page");
  WriteFile(victim / "secret.htm", "secret");
  ASSERT_EQ(mkdir((dir / "real").c_str(), 0755), 0);
  ASSERT_EQ(symlink(victim.path().c_str(), (dir / "Backup").c_str()), 0);
  ASSERT_EQ(symlink((victim / "secret.htm").c_str(), (dir / "link.htm").c_str()), 0);
  PosixFileSystem fs;
  // Not from a link, not into a directory that is a link, with or without replacing.
  EXPECT_EQ(fs.Copy(dir / "link.htm", dir / "real/x.htm", true), FsError::StoppedOnSymlink);
  EXPECT_EQ(fs.Copy(dir / "page.htm", dir / "Backup/page.htm", true), FsError::StoppedOnSymlink);
  EXPECT_EQ(fs.Copy(dir / "page.htm", dir / "Backup/secret.htm", false), FsError::StoppedOnSymlink);
  EXPECT_EQ(EntryNames(victim.path()), Names{"secret.htm"});
  EXPECT_EQ(ReadFile(victim / "secret.htm"), "secret");
  EXPECT_TRUE(EntryNames(dir / "real").empty());
}

TEST(PosixCopyTest, ReplacingALinkTakesNoModeFromItsTarget) {
  TempDir dir, victim;
  WriteFile(victim / "target.ini", "victim's");
  ASSERT_EQ(chmod((victim / "target.ini").c_str(), 04666), 0);
  ASSERT_EQ(symlink((victim / "target.ini").c_str(), (dir / "Quillomat.ini").c_str()), 0);
  WriteFile(dir / "kept.ini", "old");
  ASSERT_EQ(chmod((dir / "kept.ini").c_str(), 0640), 0);
  PosixFileSystem fs;
  ASSERT_EQ(fs.ReplaceFileAtomically(dir / "Quillomat.ini", "new"), FsError::Ok);
  ASSERT_EQ(fs.ReplaceFileAtomically(dir / "kept.ini", "new"), FsError::Ok);
  ASSERT_EQ(fs.ReplaceFileAtomically(dir / "fresh.ini", "new"), FsError::Ok);
  struct stat status {};
  ASSERT_EQ(lstat((dir / "Quillomat.ini").c_str(), &status), 0);
  EXPECT_TRUE(S_ISREG(status.st_mode));
  EXPECT_EQ(status.st_mode & 07777, 0600u);
  EXPECT_EQ(StatOf(dir / "kept.ini").st_mode & 07777, 0640u);
  EXPECT_EQ(StatOf(dir / "fresh.ini").st_mode & 07777, 0600u);
  EXPECT_EQ(ReadFile(victim / "target.ini"), "victim's");
  EXPECT_EQ(StatOf(victim / "target.ini").st_mode & 07777, 04666u);
}

TEST(PosixLogTest, NeverThroughALinkAndForTheUserAlone) {
  TempDir dir, victim;
  WriteFile(victim / ".bashrc", "victim's");
  ASSERT_EQ(symlink((victim / ".bashrc").c_str(), (dir / "QLM-Journal.txt").c_str()), 0);
  ASSERT_EQ(symlink((victim / "new").c_str(), (dir / "QLM-RenLog.txt").c_str()), 0);
  PosixFileSystem fs;
  std::unique_ptr<LogFile> log;
  EXPECT_EQ(fs.OpenLog(dir / "QLM-Journal.txt", log), FsError::StoppedOnSymlink);
  EXPECT_EQ(fs.OpenLog(dir / "qlm-renlog.txt", log), FsError::StoppedOnSymlink);  // dangling
  EXPECT_EQ(EntryNames(victim.path()), Names{".bashrc"});
  ASSERT_EQ(fs.OpenLog(dir / "QLM-ErrorLog.txt", log), FsError::Ok);
  EXPECT_EQ(StatOf(dir / "QLM-ErrorLog.txt").st_mode & 07777, 0600u);
}

}  // namespace
}  // namespace qlm
