// A dry run's overlay over a Linux directory holding one name in two letter cases (a.htm and
// A.htm): moving one away leaves the other in sight, as on disk, so the plan is the real run's.
#include <gtest/gtest.h>

#include "platform/overlay_file_system.h"
#include "platform/posix/posix_file_system.h"
#include "support/layer_probes.h"
#include "support/temp_dir.h"

namespace qlm {
namespace {

using testing::ReadThrough;
using testing::SearchNames;
using testing::SortedEntries;

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;
using Names = std::vector<std::string>;

class OverlayTwins : public ::testing::Test {
 protected:
  OverlayTwins() {
    WriteFile(dir / "a.htm", "lower");
    WriteFile(dir / "A.htm", "upper");
    WriteFile(dir / "b.htm", "b");
  }
  TempDir dir;
  PosixFileSystem disk;
  OverlayFileSystem overlay{disk};
};

TEST_F(OverlayTwins, EachMovedAwayInTurnLeavesTheOtherInSight) {
  ASSERT_EQ(overlay.Move(dir / "A.htm", dir / "1.qlm"), FsError::Ok);
  EXPECT_EQ(ReadThrough(overlay, dir / "a.htm"), "lower");
  EXPECT_EQ(ReadThrough(overlay, dir / "A.htm"), "lower");  // found regardless of case
  EXPECT_TRUE(overlay.NameTaken(dir / "A.HTM"));
  FileInfo info;
  ASSERT_EQ(overlay.GetInfo(dir / "A.htm", info), FsError::Ok);
  EXPECT_EQ(info.stored_name, "a.htm");
  EXPECT_EQ(SearchNames(overlay, dir.path(), SearchKind::Html), (Names{"a.htm", "b.htm"}));
  EXPECT_EQ(SearchNames(overlay, dir.path(), SearchKind::Scratch), (Names{"1.qlm"}));
  EXPECT_EQ(overlay.Move(dir / "b.htm", dir / "a.htm"), FsError::AlreadyExists);

  ASSERT_EQ(overlay.Move(dir / "a.htm", dir / "2.qlm"), FsError::Ok);
  EXPECT_FALSE(overlay.NameTaken(dir / "a.htm"));
  EXPECT_EQ(ReadThrough(overlay, dir / "a.htm"), "<error 2>");
  EXPECT_EQ(ReadThrough(overlay, dir / "1.qlm"), "upper");
  EXPECT_EQ(ReadThrough(overlay, dir / "2.qlm"), "lower");
  EXPECT_EQ(SearchNames(overlay, dir.path(), SearchKind::Html), (Names{"b.htm"}));
  EXPECT_EQ(overlay.Move(dir / "b.htm", dir / "A.htm"), FsError::Ok);
  EXPECT_EQ(ReadThrough(overlay, dir / "a.htm"), "b");

  // The disk never saw any of it.
  EXPECT_EQ(ReadFile(dir / "a.htm"), "lower");
  EXPECT_EQ(ReadFile(dir / "A.htm"), "upper");
}

TEST_F(OverlayTwins, ACaseOnlyRenameOntoTheOtherIsRefusedAndADeleteLeavesIt) {
  EXPECT_EQ(overlay.Move(dir / "A.htm", dir / "a.htm"), FsError::AlreadyExists);
  EXPECT_EQ(disk.Move(dir / "A.htm", dir / "a.htm"), FsError::AlreadyExists);  // as on disk
  ASSERT_EQ(overlay.Delete(dir / "a.htm"), FsError::Ok);
  EXPECT_EQ(ReadThrough(overlay, dir / "a.htm"), "upper");
  EXPECT_EQ(SearchNames(overlay, dir.path(), SearchKind::Html), (Names{"A.htm", "b.htm"}));
}

}  // namespace
}  // namespace qlm
