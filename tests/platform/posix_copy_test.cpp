// PosixFileSystem's writing operations: Copy, ReplaceFileAtomically, logs and whole-file reads.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/posix_file_system.h"
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

TEST(PosixLogTest, WritesAtOffsetsWithoutTruncating) {
  TempDir dir;
  WriteFile(dir / "QLM-RenLog.txt", "existing\r\n");
  PosixFileSystem fs;
  std::unique_ptr<LogFile> log;
  ASSERT_EQ(fs.OpenLog(dir / "qlm-renlog.TXT", log), FsError::Ok);  // found by case
  std::uint64_t size = 0;
  ASSERT_EQ(log->Size(size), FsError::Ok);
  EXPECT_EQ(size, 10u);
  EXPECT_EQ(log->WriteAt(size, "next\r\n"), FsError::Ok);
  EXPECT_EQ(log->WriteAt(0, "E"), FsError::Ok);
  EXPECT_EQ(log->Sync(), FsError::Ok);
  log.reset();
  EXPECT_EQ(ReadFile(dir / "QLM-RenLog.txt"), "Existing\r\nnext\r\n");
  ASSERT_EQ(fs.OpenLog(dir / "QLM-ErrorLog.txt", log), FsError::Ok);  // created
  EXPECT_EQ(EntryNames(dir.path()), (Names{"QLM-ErrorLog.txt", "QLM-RenLog.txt"}));
  EXPECT_EQ(fs.OpenLog(dir / "nul.txt", log), FsError::InvalidName);
  EXPECT_EQ(fs.OpenLog(dir / "missing/log.txt", log), FsError::PathNotFound);
}

TEST(PosixLogTest, FullDiskIsReported) {
  TempDir dir;
  SystemCallFaults faults;
  faults.Fail(testing::Syscall::Pwrite, ENOSPC);
  PosixFileSystem fs(faults.calls());
  std::unique_ptr<LogFile> log;
  ASSERT_EQ(fs.OpenLog(dir / "log.txt", log), FsError::Ok);
  EXPECT_EQ(log->WriteAt(0, "line"), FsError::DiskFull);
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

}  // namespace
}  // namespace qlm
