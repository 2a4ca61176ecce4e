// What a walk over a tree asks of the file layer: the subdirectories of one directory, links
// never followed, and in a dry run's overlay the directories a run moved or made.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "native_file_system_type.h"
#include "platform/overlay_file_system.h"
#include "support/temp_dir.h"

namespace qlm {
namespace {

using testing::TempDir;
using testing::WriteFile;
namespace fs = std::filesystem;

// "name" for a directory, "name@" for a link to one, in the listing's order.
std::vector<std::string> Names(const DirectoryListing& listing) {
  std::vector<std::string> names;
  for (const Subdirectory& entry : listing.subdirectories)
    names.push_back(entry.name + (entry.is_link ? "@" : ""));
  return names;
}

TEST(ListSubdirectories, DirectoriesAndLinksToThemInFoldedOrder) {
  TempDir dir;
  TempDir outside;
  for (const char* name : {"beta", "Alpha", "alpha", "gamma.htm", "Backup"})
    fs::create_directory(dir / name);
  WriteFile(dir / "file.htm", "a page");
  fs::create_directory_symlink(outside.path(), dir / "Delta");
  fs::create_symlink(dir / "file.htm", dir / "to-file");  // a link to a file: no directory
  fs::create_symlink(dir / "gone", dir / "dangling");
  NativeFileSystem layer;
  DirectoryListing listing;
  ASSERT_EQ(layer.ListSubdirectories(dir.path() + "/", listing), FsError::Ok);
  EXPECT_EQ(Names(listing),
            (std::vector<std::string>{"Alpha", "alpha", "Backup", "beta", "Delta@", "gamma.htm"}));
  struct stat self, beta;
  ASSERT_EQ(stat(dir.path().c_str(), &self), 0);
  ASSERT_EQ(stat((dir / "beta").c_str(), &beta), 0);
  EXPECT_EQ(listing.device, self.st_dev);
  EXPECT_EQ(listing.inode, self.st_ino);
  EXPECT_EQ(listing.subdirectories[3].device, beta.st_dev);
  EXPECT_EQ(listing.subdirectories[3].inode, beta.st_ino);
  EXPECT_EQ(listing.subdirectories[4].inode, 0u);  // a link is never looked into further
}

TEST(ListSubdirectories, WhatCannotBeListedSaysWhyAndLeavesTheListingAlone) {
  TempDir dir;
  fs::create_directory(dir / "real");
  fs::create_directory_symlink(dir / "real", dir / "link");
  WriteFile(dir / "file", "not a directory");
  struct Row {
    const char* path;
    FsError error;
  };
  const Row rows[] = {
      {"link", FsError::StoppedOnSymlink},  // a link in the last place is never followed
      {"link/", FsError::StoppedOnSymlink},
      {"file", FsError::PathNotFound},
      {"missing", FsError::PathNotFound},
  };
  NativeFileSystem layer;
  for (const Row& row : rows) {
    DirectoryListing listing;
    listing.inode = 42;
    EXPECT_EQ(layer.ListSubdirectories(dir / row.path, listing), row.error) << row.path;
    EXPECT_EQ(listing.inode, 42u) << row.path;
  }
  DirectoryListing listing;
  EXPECT_EQ(layer.ListSubdirectories(std::string(PATH_MAX, 'x'), listing),
            FsError::FilenameTooLong);
}

TEST(OverlayListSubdirectories, ADirectoryMovedInTheOverlayIsReadBelowItsOriginal) {
  TempDir dir;
  fs::create_directories(dir / "docs.html/inner");
  WriteFile(dir / "docs.html/page.htm", "<title>Page</title>");
  NativeFileSystem disk;
  OverlayFileSystem overlay(disk);
  ASSERT_EQ(overlay.Move(dir / "docs.html", dir / "docs.qlm"), FsError::Ok);
  ASSERT_EQ(overlay.Move(dir / "docs.qlm", dir / "docs.htm"), FsError::Ok);
  ASSERT_EQ(overlay.CreateDirectory(dir / "Backup"), FsError::Ok);

  DirectoryListing top;
  ASSERT_EQ(overlay.ListSubdirectories(dir.path(), top), FsError::Ok);
  EXPECT_EQ(Names(top), (std::vector<std::string>{"Backup", "docs.htm"}));
  struct stat docs;
  ASSERT_EQ(stat((dir / "docs.html").c_str(), &docs), 0);
  EXPECT_EQ(top.subdirectories[1].inode, docs.st_ino);  // a moved directory is still itself

  // Below its new name the overlay reads the disk's directory; the old name is gone.
  DirectoryListing inner;
  ASSERT_EQ(overlay.ListSubdirectories(dir / "docs.htm", inner), FsError::Ok);
  EXPECT_EQ(Names(inner), std::vector<std::string>{"inner"});
  std::unique_ptr<DirectorySearch> search;
  ASSERT_EQ(overlay.OpenSearch(dir / "docs.htm", SearchKind::Html, search), FsError::Ok);
  std::string name;
  ASSERT_TRUE(search->Next(name));
  EXPECT_EQ(name, "page.htm");
  std::unique_ptr<ReadableFile> file;
  EXPECT_EQ(overlay.OpenForReading(dir / "docs.htm/page.htm", file), FsError::Ok);
  EXPECT_TRUE(overlay.NameTaken(dir / "docs.htm/PAGE.htm"));
  EXPECT_NE(overlay.OpenForReading(dir / "docs.html/page.htm", file), FsError::Ok);
  EXPECT_FALSE(overlay.NameTaken(dir / "docs.html/page.htm"));
  EXPECT_NE(overlay.ListSubdirectories(dir / "docs.html", inner), FsError::Ok);

  // A move within the moved directory is the overlay's; the disk is untouched.
  EXPECT_EQ(overlay.Move(dir / "docs.htm/page.htm", dir / "docs.htm/Page.qlm"), FsError::Ok);
  EXPECT_TRUE(fs::exists(dir / "docs.html/page.htm"));
  EXPECT_FALSE(fs::exists(dir / "docs.htm"));

  // Moved back where the disk holds it, it is read there again.
  ASSERT_EQ(overlay.Move(dir / "docs.htm", dir / "docs.html"), FsError::Ok);
  EXPECT_EQ(overlay.ListSubdirectories(dir / "docs.html", inner), FsError::Ok);
  EXPECT_EQ(Names(inner), std::vector<std::string>{"inner"});
}

TEST(ReadableFileSkip, SkipsForwardOnEveryLayer) {
  TempDir dir;
  WriteFile(dir / "f", "0123456789");
  NativeFileSystem disk;
  OverlayFileSystem overlay(disk);
  for (FileSystem* layer : {static_cast<FileSystem*>(&disk), static_cast<FileSystem*>(&overlay)}) {
    for (const std::uint64_t skip : {0u, 4u, 10u, 50u}) {
      std::unique_ptr<ReadableFile> file;
      ASSERT_EQ(layer->OpenForReading(dir / "f", file), FsError::Ok);
      ASSERT_EQ(file->Skip(skip), FsError::Ok);
      char buffer[16];
      std::size_t got = 0;
      ASSERT_EQ(file->Read(buffer, sizeof buffer, got), FsError::Ok);
      EXPECT_EQ(std::string(buffer, got),
                std::string("0123456789").substr(std::min<std::size_t>(skip, 10)));
    }
  }
}

// A file that only reads: its Skip is the base's, which reads and discards.
class ReadOnlyString final : public ReadableFile {
 public:
  explicit ReadOnlyString(std::string text) : text_(std::move(text)) {}
  FsError Read(char* buffer, std::size_t capacity, std::size_t& bytes_read) override {
    bytes_read = std::min(capacity, text_.size() - at_);
    text_.copy(buffer, bytes_read, at_);
    at_ += bytes_read;
    return FsError::Ok;
  }
  FsError Size(std::uint64_t& size) override {
    size = text_.size();
    return FsError::Ok;
  }

 private:
  std::string text_;
  std::size_t at_ = 0;
};

TEST(ReadableFileSkip, TheDefaultReadsAndDiscardsAcrossItsBuffer) {
  const std::string text = std::string(10000, 'a') + "tail";
  ReadOnlyString file(text);
  ASSERT_EQ(file.Skip(10000), FsError::Ok);
  char buffer[8];
  std::size_t got = 0;
  ASSERT_EQ(file.Read(buffer, sizeof buffer, got), FsError::Ok);
  EXPECT_EQ(std::string(buffer, got), "tail");
}

}  // namespace
}  // namespace qlm
