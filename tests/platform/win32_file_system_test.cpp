// Win32FileSystem where Windows answers differently from Linux: the characters and name
// endings Windows refuses, a file another program holds open, the read-only attribute, and
// paths beyond MAX_PATH. (A read-only file in the place of a copy or a replacement: Windows
// refuses it, Wine replaces it as Linux does; neither is shown here.) Each case must end with a
// designed error and nothing lost.
#include "platform/win32/win32_file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/win32/wide.h"
#include "platform/win32/windows_api.h"
#include "support/layer_probes.h"
#include "support/temp_dir.h"

namespace qlm {
namespace {

using testing::ReadThrough;
using testing::SearchNames;
using testing::SortedEntries;

using testing::NativePath;
using testing::ReadFile;
using testing::TempDir;
using testing::Utf8;
using testing::WriteFile;
using Names = std::vector<std::string>;

// Opens `path` the way another program might hold it: sharing only what `share` allows.
HANDLE HoldOpen(const std::string& path, DWORD share) {
  return CreateFileW(win32::Widen(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(Win32FileSystemTest, NamesWindowsRefusesCreateNothing) {
  TempDir dir;
  WriteFile(dir / "a.htm", "a");
  Win32FileSystem fs;
  for (const char* name : {"a<b.htm", "a>b.htm", "a:b.htm", "a\"b.htm", "a|b.htm", "a?b.htm",
                           "a*b.htm", "ends in a point.", "ends in a blank "}) {
    EXPECT_EQ(fs.Move(dir / "a.htm", dir / name), FsError::InvalidName) << name;
    EXPECT_EQ(fs.Copy(dir / "a.htm", dir / name, true), FsError::InvalidName) << name;
    EXPECT_EQ(fs.CreateDirectory(dir / name), FsError::InvalidName) << name;
    std::unique_ptr<LogFile> log;
    EXPECT_EQ(fs.OpenLog(dir / name, log), FsError::InvalidName) << name;
  }
  EXPECT_EQ(SortedEntries(dir.path()), (Names{"a.htm"}));
  EXPECT_EQ(ReadFile(dir / "a.htm"), "a");
}

TEST(Win32FileSystemTest, AFileHeldOpenByAnotherProgramIsReportedAndKept) {
  TempDir dir;
  WriteFile(dir / "held.htm", "<title>Held</title>");
  WriteFile(dir / "Quillomat.ini", "old");
  Win32FileSystem fs;
  const HANDLE exclusive = HoldOpen(dir / "held.htm", 0);
  ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
  std::unique_ptr<ReadableFile> file;
  EXPECT_EQ(fs.OpenForReading(dir / "held.htm", file), FsError::SharingViolation);
  EXPECT_EQ(fs.Move(dir / "held.htm", dir / "Held.qlm"), FsError::SharingViolation);
  EXPECT_EQ(fs.Copy(dir / "held.htm", dir / "copy.htm", true), FsError::SharingViolation);
  CloseHandle(exclusive);

  // Readers that let others read but not rename or delete: a replacement is refused whole.
  const HANDLE reader = HoldOpen(dir / "Quillomat.ini", FILE_SHARE_READ);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  const FsError replaced = fs.ReplaceFileAtomically(dir / "Quillomat.ini", "new");
  CloseHandle(reader);
  if (replaced == FsError::Ok) {
    EXPECT_EQ(ReadFile(dir / "Quillomat.ini"), "new");  // POSIX semantics: replaced under it
  } else {
    EXPECT_EQ(replaced, FsError::SharingViolation);
    EXPECT_EQ(ReadFile(dir / "Quillomat.ini"), "old");
  }
  EXPECT_EQ(SortedEntries(dir.path()), (Names{"Quillomat.ini", "held.htm"}));
  EXPECT_EQ(ReadFile(dir / "held.htm"), "<title>Held</title>");
}

TEST(Win32FileSystemTest, AFileReadAheadIsLetGoOnceRead) {
  TempDir dir;
  WriteFile(dir / "page.htm", "<title>Page</title>");
  Win32FileSystem fs;
  // A file another program holds is not opened ahead: the run answers for it at its turn.
  const HANDLE exclusive = HoldOpen(dir / "page.htm", 0);
  ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
  EXPECT_EQ(fs.OpenAhead(dir / "page.htm"), nullptr);
  CloseHandle(exclusive);

  std::unique_ptr<AheadFile> ahead = fs.OpenAhead(dir / "page.htm");
  ASSERT_NE(ahead, nullptr);
  const auto can_hold_alone = [&] {
    const HANDLE alone = HoldOpen(dir / "page.htm", 0);
    if (alone == INVALID_HANDLE_VALUE) return false;
    CloseHandle(alone);
    return true;
  };
  EXPECT_FALSE(can_hold_alone());  // open until it is read
  char start[64];
  std::size_t got = 0;
  ASSERT_EQ(ahead->ReadStart(start, sizeof start, got), FsError::Ok);
  EXPECT_EQ(std::string(start, got), "<title>Page</title>");
  // Read, it is let go before its turn comes, and read once only.
  EXPECT_TRUE(can_hold_alone());
  EXPECT_EQ(ahead->ReadStart(start, sizeof start, got), FsError::InvalidParameter);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(ReadThrough(fs, dir / "page.htm", std::move(ahead)), "<title>Page</title>");
}

TEST(Win32FileSystemTest, AReadOnlyPageIsBackedUpAndRenamed) {
  TempDir dir;
  WriteFile(dir / "a.htm", "a");
  ASSERT_TRUE(SetFileAttributesW(win32::Widen(dir / "a.htm").c_str(), FILE_ATTRIBUTE_READONLY));
  Win32FileSystem fs;
  ASSERT_EQ(fs.CreateDirectory(dir / "Backup"), FsError::Ok);
  EXPECT_EQ(fs.Copy(dir / "a.htm", dir / "Backup/a.htm", true), FsError::Ok);
  // Windows renames a read-only file: the attribute guards its contents, not its name.
  EXPECT_EQ(fs.Move(dir / "a.htm", dir / "A title.htm"), FsError::Ok);
  EXPECT_EQ(ReadFile(dir / "A title.htm"), "a");
  EXPECT_EQ(ReadFile(dir / "Backup/a.htm"), "a");
  EXPECT_EQ(SortedEntries(dir.path()), (Names{"A title.htm", "Backup"}));
  for (const char* name : {"A title.htm", "Backup/a.htm"})
    SetFileAttributesW(win32::Widen(dir / name).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Win32FileSystemTest, PathsBeyondMaxPathWork) {
  TempDir dir;
  Win32FileSystem fs;
  // Three directories of 100 characters: every path below them is beyond MAX_PATH (260).
  std::string deep = dir.path();
  for (char letter : {'x', 'y', 'z'}) {
    deep += '\\' + std::string(100, letter);
    ASSERT_EQ(fs.CreateDirectory(deep), FsError::Ok);
  }
  ASSERT_GT(deep.size(), 300u);
  std::unique_ptr<LogFile> log;
  ASSERT_EQ(fs.OpenLog(deep + "\\a.htm", log), FsError::Ok);
  ASSERT_EQ(log->Append("<title>Deep</title>"), FsError::Ok);
  log.reset();
  ASSERT_EQ(fs.Move(deep + "\\a.htm", deep + "\\Deep.qlm"), FsError::Ok);
  ASSERT_EQ(fs.Copy(deep + "\\Deep.qlm", deep + "\\Deep.htm", true), FsError::Ok);
  std::unique_ptr<DirectorySearch> search;
  ASSERT_EQ(fs.OpenSearch(deep, SearchKind::Html, search), FsError::Ok);
  std::string name;
  ASSERT_TRUE(search->Next(name));
  EXPECT_EQ(name, "Deep.htm");
  std::string contents;
  ASSERT_EQ(fs.ReadWholeFile(deep + "\\Deep.htm", 100, contents), FsError::Ok);
  EXPECT_EQ(contents, "<title>Deep</title>");
  EXPECT_EQ(fs.Delete(deep + "\\Deep.qlm"), FsError::Ok);
}

}  // namespace
}  // namespace qlm
