// FaultInjectingFileSystem fails exactly the chosen calls, and a failed call does nothing.
#include "platform/fault_injecting_file_system.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/posix/posix_file_system.h"
#include "support/system_call_faults.h"
#include "support/temp_dir.h"

namespace qlm {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

struct OperationRow {
  const char* label;
  FsOperation operation;
  // Call number `i` of the operation, on its own files in `dir`.
  std::function<FsError(FileSystem& fs, const TempDir& dir, int i)> call;
  // Whether call number `i` left its mark.
  std::function<bool(const TempDir& dir, int i)> done;
};

std::string Name(const char* stem, int i) {
  return stem + std::to_string(i) + ".htm";
}
bool Exists(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}

class FaultRuleTest : public ::testing::TestWithParam<OperationRow> {};

TEST_P(FaultRuleTest, FailsExactlyTheNthCall) {
  for (bool and_after : {false, true}) {
    SCOPED_TRACE(and_after ? "from the 2nd on" : "the 2nd only");
    TempDir dir;
    for (int i = 1; i <= 3; ++i)
      WriteFile(dir / Name("f", i), "file");
    PosixFileSystem real;
    FaultInjectingFileSystem fs(real);
    fs.FailCall(GetParam().operation, 2, ENOSPC, and_after);
    for (int i = 1; i <= 3; ++i) {
      const bool fails = i == 2 || (and_after && i > 2);
      EXPECT_EQ(GetParam().call(fs, dir, i), fails ? FsError::DiskFull : FsError::Ok) << i;
      EXPECT_EQ(GetParam().done(dir, i), !fails) << i;
    }
    EXPECT_EQ(fs.Calls(GetParam().operation), 3);
  }
}

// For operations that leave nothing on disk, `done` is the result the call produced.
std::string last_contents;

INSTANTIATE_TEST_SUITE_P(
    Rows, FaultRuleTest,
    ::testing::Values(
        OperationRow{"Move", FsOperation::Move,
                     [](FileSystem& fs, const TempDir& dir, int i) {
                       return fs.Move(dir / Name("f", i), dir / Name("g", i));
                     },
                     [](const TempDir& dir, int i) { return Exists(dir / Name("g", i)); }},
        OperationRow{"Copy", FsOperation::Copy,
                     [](FileSystem& fs, const TempDir& dir, int i) {
                       return fs.Copy(dir / Name("f", i), dir / Name("c", i), true);
                     },
                     [](const TempDir& dir, int i) { return Exists(dir / Name("c", i)); }},
        OperationRow{"CreateDirectory", FsOperation::CreateDirectory,
                     [](FileSystem& fs, const TempDir& dir, int i) {
                       return fs.CreateDirectory(dir / Name("d", i));
                     },
                     [](const TempDir& dir, int i) { return Exists(dir / Name("d", i)); }},
        OperationRow{
            "Delete", FsOperation::Delete,
            [](FileSystem& fs, const TempDir& dir, int i) { return fs.Delete(dir / Name("f", i)); },
            [](const TempDir& dir, int i) { return !Exists(dir / Name("f", i)); }},
        OperationRow{
            "ReplaceFile", FsOperation::ReplaceFile,
            [](FileSystem& fs, const TempDir& dir, int i) {
              return fs.ReplaceFileAtomically(dir / Name("f", i), "new");
            },
            [](const TempDir& dir, int i) { return ReadFile(dir / Name("f", i)) == "new"; }},
        OperationRow{"ReadFile", FsOperation::ReadFile,
                     [](FileSystem& fs, const TempDir& dir, int i) {
                       last_contents = "none";
                       return fs.ReadWholeFile(dir / Name("f", i), 100, last_contents);
                     },
                     [](const TempDir&, int) { return last_contents == "file"; }},
        OperationRow{"Open", FsOperation::Open,
                     [](FileSystem& fs, const TempDir& dir, int i) {
                       std::unique_ptr<ReadableFile> file;
                       FsError error = fs.OpenForReading(dir / Name("f", i), file);
                       last_contents = file ? "open" : "none";
                       return error;
                     },
                     [](const TempDir&, int) { return last_contents == "open"; }},
        OperationRow{"Enumerate", FsOperation::Enumerate,
                     [](FileSystem& fs, const TempDir& dir, int) {
                       std::unique_ptr<DirectorySearch> search;
                       FsError error = fs.OpenSearch(dir.path(), SearchKind::Html, search);
                       last_contents = search ? "open" : "none";
                       return error;
                     },
                     [](const TempDir&, int) { return last_contents == "open"; }},
        OperationRow{"GetInfo", FsOperation::GetInfo,
                     [](FileSystem& fs, const TempDir& dir, int i) {
                       FileInfo info;
                       FsError error = fs.GetInfo(dir / Name("f", i), info);
                       last_contents = info.stored_name;
                       return error;
                     },
                     [](const TempDir&, int i) { return last_contents == Name("f", i); }},
        OperationRow{"ListDirectories", FsOperation::ListDirectories,
                     [](FileSystem& fs, const TempDir& dir, int) {
                       DirectoryListing listing;
                       FsError error = fs.ListSubdirectories(dir.path(), listing);
                       last_contents = listing.inode != 0 ? "listed" : "none";
                       return error;
                     },
                     [](const TempDir&, int) { return last_contents == "listed"; }}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(FaultInjectingFileSystemTest, FailedProbeNeverReachesTheDisk) {
  TempDir dir;
  testing::SystemCallFaults calls;
  PosixFileSystem real(calls.calls());
  FaultInjectingFileSystem fs(real);
  fs.FailCall(FsOperation::Probe, 1, EROFS);
  EXPECT_EQ(fs.ProbeWritable(dir.path()), FsError::WriteProtect);
  EXPECT_EQ(calls.Calls(testing::Syscall::Open), 0);
  EXPECT_EQ(fs.ProbeWritable(dir.path()), FsError::Ok);
  EXPECT_EQ(calls.Calls(testing::Syscall::Open), 1);
  EXPECT_EQ(fs.Calls(FsOperation::Probe), 2);
}

TEST(FaultInjectingFileSystemTest, FailsCallsOnHandedOutFiles) {
  TempDir dir;
  WriteFile(dir / "page.htm", "abcdef");
  PosixFileSystem real;
  FaultInjectingFileSystem fs(real);
  fs.FailCall(FsOperation::Read, 2, EIO);
  fs.FailCall(FsOperation::LogWrite, 1, EROFS);
  std::unique_ptr<ReadableFile> file;
  ASSERT_EQ(fs.OpenForReading(dir / "page.htm", file), FsError::Ok);
  char buffer[3];
  std::size_t count = 99;
  EXPECT_EQ(file->Read(buffer, sizeof buffer, count), FsError::Ok);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(file->Read(buffer, sizeof buffer, count), FsError::IoDevice);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(file->Read(buffer, sizeof buffer, count), FsError::Ok);
  EXPECT_EQ(std::string(buffer, count), "def");  // the failed read consumed nothing
  EXPECT_EQ(fs.Calls(FsOperation::Read), 3);

  std::unique_ptr<LogFile> log;
  ASSERT_EQ(fs.OpenLog(dir / "log.txt", log), FsError::Ok);
  EXPECT_EQ(log->Append("lost"), FsError::WriteProtect);
  EXPECT_EQ(log->Append("kept"), FsError::Ok);
  EXPECT_EQ(log->Sync(), FsError::Ok);
  EXPECT_EQ(fs.Calls(FsOperation::LogWrite), 3);
  EXPECT_EQ(ReadFile(dir / "log.txt"), "kept");
  fs.ClearFaults();
  EXPECT_EQ(fs.Calls(FsOperation::LogWrite), 3);
}

}  // namespace
}  // namespace qlm
