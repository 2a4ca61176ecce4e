// PosixFileSystem through the system-call seam: the move fallbacks for file systems that
// refuse RENAME_NOREPLACE or hard links, and the errors of full or read-only disks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/posix_file_system.h"
#include "support/system_call_faults.h"
#include "support/temp_dir.h"

namespace qlm {
namespace {

using testing::EntryNames;
using testing::ReadFile;
using testing::Syscall;
using testing::SystemCallFaults;
using testing::TempDir;
using testing::WriteFile;
using Names = std::vector<std::string>;

struct FallbackRow {
  const char* label;
  int renameat2_errno;  // 0: the kernel's own answer
  int link_errno;
  Syscall expected_mover;  // the call that finally moves the file
};

class MoveFallbackTest : public ::testing::TestWithParam<FallbackRow> {
 protected:
  void SetUp() override {
    if (GetParam().renameat2_errno != 0)
      faults_.Fail(Syscall::Renameat2, GetParam().renameat2_errno);
    if (GetParam().link_errno != 0) faults_.Fail(Syscall::Link, GetParam().link_errno);
  }
  SystemCallFaults faults_;
  TempDir dir_;
};

TEST_P(MoveFallbackTest, MovesWithoutEverReplacing) {
  WriteFile(dir_ / "a.htm", "a");
  WriteFile(dir_ / "b.htm", "b");
  PosixFileSystem fs(faults_.calls());
  EXPECT_EQ(fs.Move(dir_ / "a.htm", dir_ / "b.htm"), FsError::AlreadyExists);
  EXPECT_EQ(ReadFile(dir_ / "a.htm"), "a");
  EXPECT_EQ(ReadFile(dir_ / "b.htm"), "b");
  // Past the index: the destination appears right before the file system is asked.
  faults_.Before(Syscall::Renameat2, 1, [&] { WriteFile(dir_ / "c.htm", "c"); });
  EXPECT_EQ(fs.Move(dir_ / "a.htm", dir_ / "c.htm"), FsError::AlreadyExists);
  EXPECT_EQ(ReadFile(dir_ / "a.htm"), "a");
  EXPECT_EQ(ReadFile(dir_ / "c.htm"), "c");

  const int moves_before = faults_.Calls(GetParam().expected_mover);
  EXPECT_EQ(fs.Move(dir_ / "a.htm", dir_ / "d.htm"), FsError::Ok);
  EXPECT_EQ(faults_.Calls(GetParam().expected_mover), moves_before + 1);
  EXPECT_EQ(fs.Move(dir_ / "d.htm", dir_ / "D.htm"), FsError::Ok);
  EXPECT_EQ(EntryNames(dir_.path()), (Names{"D.htm", "b.htm", "c.htm"}));
  EXPECT_EQ(ReadFile(dir_ / "D.htm"), "a");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MoveFallbackTest,
    ::testing::Values(FallbackRow{"Renameat2", 0, 0, Syscall::Renameat2},
                      FallbackRow{"FlagRefusedUseLink", EINVAL, 0, Syscall::Link},
                      FallbackRow{"NoRenameat2UseLink", ENOSYS, 0, Syscall::Link},
                      FallbackRow{"LinksRefusedUseCheckedRename", EINVAL, EPERM, Syscall::Rename},
                      FallbackRow{"LinksUnsupported", EINVAL, EOPNOTSUPP, Syscall::Rename}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(MoveFallbackTest, FailedUnlinkUndoesTheLink) {
  TempDir dir;
  WriteFile(dir / "a.htm", "a");
  SystemCallFaults faults;
  faults.Fail(Syscall::Renameat2, EINVAL);
  faults.Fail(Syscall::Unlink, EBUSY, 1, false);  // the source's unlink; the undo goes ahead
  PosixFileSystem fs(faults.calls());
  EXPECT_EQ(fs.Move(dir / "a.htm", dir / "b.htm"), FsError::SharingViolation);
  EXPECT_EQ(EntryNames(dir.path()), (Names{"a.htm"}));
  EXPECT_FALSE(fs.NameTaken(dir / "b.htm"));
}

// On a file system that ignores case, "Intro.htm" is the same entry as "intro.htm" until the
// file moves away; a hard link stands in for that view here.
TEST(MoveFallbackTest, CaseOnlyRenameOnCaseInsensitiveFileSystem) {
  for (bool second_step_fails : {false, true}) {
    SCOPED_TRACE(second_step_fails ? "second step fails" : "both steps work");
    TempDir dir;
    WriteFile(dir / "intro.htm", "text");
    SystemCallFaults faults;
    const std::string lower = dir / "intro.htm";
    const std::string upper = dir / "Intro.htm";
    faults.Before(Syscall::Renameat2, 1, [&] { ASSERT_EQ(link(lower.c_str(), upper.c_str()), 0); });
    faults.Before(Syscall::Renameat2, 3, [&] { ASSERT_EQ(unlink(upper.c_str()), 0); });
    if (second_step_fails) faults.Fail(Syscall::Renameat2, EIO, 3, false);
    PosixFileSystem fs(faults.calls());
    EXPECT_EQ(fs.Move(lower, upper), second_step_fails ? FsError::IoDevice : FsError::Ok);
    EXPECT_EQ(faults.Calls(Syscall::Renameat2), second_step_fails ? 4 : 3);  // via a temporary
    EXPECT_EQ(EntryNames(dir.path()),
              (Names{second_step_fails ? "intro.htm" : "Intro.htm"}));  // never lost
    EXPECT_EQ(ReadFile(dir / EntryNames(dir.path()).front()), "text");
  }
}

struct ErrnoRow {
  const char* label;
  Syscall call;
  int errno_value;
  FsError expected;
};

class SystemErrorTest : public ::testing::TestWithParam<ErrnoRow> {};

// Every operation that changes the disk reports a failed call by its number and leaves the
// directory as it was.
TEST_P(SystemErrorTest, ReportedAndNothingChanged) {
  TempDir dir;
  WriteFile(dir / "a.htm", std::string(200000, 'a'));
  WriteFile(dir / "Settings.ini", "old");
  SystemCallFaults faults;
  faults.Fail(GetParam().call, GetParam().errno_value);
  PosixFileSystem fs(faults.calls());
  const Names before = EntryNames(dir.path());
  const FsError expected = GetParam().expected;
  switch (GetParam().call) {
    case Syscall::Renameat2:
      EXPECT_EQ(fs.Move(dir / "a.htm", dir / "b.htm"), expected);
      break;
    case Syscall::Mkdir:
      EXPECT_EQ(fs.CreateDirectory(dir / "Backup"), expected);
      break;
    case Syscall::Open:
      EXPECT_EQ(fs.ProbeWritable(dir.path()), expected);
      EXPECT_EQ(fs.Copy(dir / "a.htm", dir / "b.htm", true), expected);
      break;
    case Syscall::Write:
      EXPECT_EQ(fs.Copy(dir / "a.htm", dir / "b.htm", true), expected);
      EXPECT_EQ(fs.Copy(dir / "a.htm", dir / "settings.ini", false), expected);
      EXPECT_EQ(fs.ReplaceFileAtomically(dir / "settings.INI", "new"), expected);
      break;
    case Syscall::Fsync:
      EXPECT_EQ(fs.ReplaceFileAtomically(dir / "Settings.ini", "new"), expected);
      break;
    default:
      FAIL() << "no operation for this call";
  }
  EXPECT_EQ(EntryNames(dir.path()), before);
  EXPECT_EQ(ReadFile(dir / "Settings.ini"), "old");
  EXPECT_EQ(ReadFile(dir / "a.htm").size(), 200000u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SystemErrorTest,
    ::testing::Values(ErrnoRow{"MoveDiskFull", Syscall::Renameat2, ENOSPC, FsError::DiskFull},
                      ErrnoRow{"MoveReadOnly", Syscall::Renameat2, EROFS, FsError::WriteProtect},
                      ErrnoRow{"MoveQuota", Syscall::Renameat2, EDQUOT, FsError::DiskFull},
                      ErrnoRow{"MkdirReadOnly", Syscall::Mkdir, EROFS, FsError::WriteProtect},
                      ErrnoRow{"MkdirDiskFull", Syscall::Mkdir, ENOSPC, FsError::DiskFull},
                      ErrnoRow{"CreateReadOnly", Syscall::Open, EROFS, FsError::WriteProtect},
                      ErrnoRow{"CreateDenied", Syscall::Open, EACCES, FsError::AccessDenied},
                      ErrnoRow{"WriteDiskFull", Syscall::Write, ENOSPC, FsError::DiskFull},
                      ErrnoRow{"WriteIo", Syscall::Write, EIO, FsError::IoDevice},
                      ErrnoRow{"SyncIo", Syscall::Fsync, EIO, FsError::IoDevice}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(CopyFaultTest, DiskFullMidwayLeavesNoPartialFile) {
  // The second write of a 200,000-byte copy fails, with and without O_TMPFILE.
  for (bool tmpfile : {true, false}) {
    SCOPED_TRACE(tmpfile ? "O_TMPFILE" : "named temporary");
    TempDir dir;
    WriteFile(dir / "page.htm", std::string(200000, 'p'));
    WriteFile(dir / "Backup.htm", "old backup");
    SystemCallFaults faults;
    if (!tmpfile) faults.FailTmpfile(EOPNOTSUPP);
    faults.Fail(Syscall::Write, ENOSPC, 2);
    PosixFileSystem fs(faults.calls());
    EXPECT_EQ(fs.Copy(dir / "page.htm", dir / "new.htm", true), FsError::DiskFull);
    EXPECT_EQ(fs.Copy(dir / "page.htm", dir / "BACKUP.htm", false), FsError::DiskFull);
    EXPECT_EQ(EntryNames(dir.path()), (Names{"Backup.htm", "page.htm"}));
    EXPECT_EQ(ReadFile(dir / "Backup.htm"), "old backup");
    EXPECT_FALSE(fs.NameTaken(dir / "new.htm"));
  }
}

TEST(CopyFaultTest, FailedPublishRemovesTheTemporary) {
  TempDir dir;
  WriteFile(dir / "page.htm", "page");
  SystemCallFaults faults;
  faults.FailTmpfile(EOPNOTSUPP);
  faults.Fail(Syscall::Renameat2, EIO);
  PosixFileSystem fs(faults.calls());
  EXPECT_EQ(fs.Copy(dir / "page.htm", dir / "copy.htm", false), FsError::IoDevice);
  EXPECT_EQ(EntryNames(dir.path()), (Names{"page.htm"}));
}

TEST(ProbeFaultTest, FallsBackToAUniqueNameWithoutTmpfile) {
  TempDir dir;
  WriteFile(dir / "qlm.tmp", "keep");
  SystemCallFaults faults;
  faults.FailTmpfile(EOPNOTSUPP);
  PosixFileSystem fs(faults.calls());
  EXPECT_EQ(fs.ProbeWritable(dir.path()), FsError::Ok);
  EXPECT_EQ(faults.Calls(Syscall::Unlink), 1);  // the probe's own file, removed at once
  EXPECT_EQ(EntryNames(dir.path()), (Names{"qlm.tmp"}));
  EXPECT_EQ(ReadFile(dir / "qlm.tmp"), "keep");
}

}  // namespace
}  // namespace qlm
