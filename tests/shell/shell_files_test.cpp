// The settings file and the argument classification on the real file layer, in a temporary
// directory.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/posix/posix_file_system.h"
#include "shell/command_line.h"
#include "shell/settings.h"
#include "support/temp_dir.h"

namespace qlm {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(SettingsOnDisk, SaveReplacesTheFileAndLoadReadsItBack) {
  TempDir dir;
  PosixFileSystem fs;
  Settings settings = LoadSettings(fs, dir.path());
  EXPECT_EQ(settings.SettingsPath, dir / "Quillomat.ini");
  EXPECT_EQ(settings.LastDirectory, dir.path());

  WriteFile(settings.SettingsPath, "[Other]\nx=1\n[Options]\nWriteErrorLog=1\n");
  settings = LoadSettings(fs, dir.path());
  EXPECT_EQ(settings.options.WriteErrorLog, 1);
  settings.LastDirectory = "/srv/pages/";
  ASSERT_EQ(SaveSettings(fs, settings), FsError::Ok);
  EXPECT_EQ(ReadFile(settings.SettingsPath), FormatSettings(settings));
  EXPECT_EQ(ReadFile(settings.SettingsPath).find("[Other]"), std::string::npos);

  const Settings again = LoadSettings(fs, dir.path());
  EXPECT_EQ(again.options, settings.options);
  EXPECT_EQ(again.LastDirectory, "/srv/pages");
  // Nothing but the settings file is left behind (no temporary file).
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST(SettingsOnDisk, TenMegabyteFileGivesTheDefaults) {
  TempDir dir;
  std::string huge = "[Options]\r\n";
  huge.append(10u << 20, '\x01');
  huge += "\r\nWriteErrorLog=1\r\n";
  WriteFile(dir / "Quillomat.ini", huge);
  PosixFileSystem fs;
  const Settings settings = LoadSettings(fs, dir.path());
  EXPECT_EQ(settings.options, OptionSet{});
  EXPECT_EQ(settings.LastDirectory, dir.path());
}

TEST(ClassifyOnDisk, Table) {
  TempDir dir;
  std::filesystem::create_directory(dir / "x.htm");
  std::filesystem::create_directory(dir / "My Pages");
  WriteFile(dir / "My Pages/Index.HTML", "<title>t</title>");
  WriteFile(dir / "pagehtml", "");
  WriteFile(dir / "doc.Htm", "");
  ASSERT_EQ(mkfifo((dir / "fifo.htm").c_str(), 0600), 0);
  struct Row {
    std::string argument;
    RunMode mode;
    std::string target_after;
  };
  const Row rows[] = {
      {dir / "x.htm", RunMode::Directory, dir / "x.htm"},
      {dir / "x.htm/", RunMode::Directory, dir / "x.htm"},
      {dir / "My Pages/index.html", RunMode::SingleFile, dir / "My Pages/Index.HTML"},
      {dir / "pagehtml", RunMode::SingleFile, dir / "pagehtml"},
      {dir / "doc.Htm", RunMode::None, dir / "doc.Htm"},
      {dir / "fifo.htm", RunMode::None, dir / "fifo.htm"},
      {dir / "missing.htm", RunMode::None, dir / "missing.htm"},
      {"\"" + (dir / "pagehtml") + "\"", RunMode::None, "\"" + (dir / "pagehtml") + "\""},
  };
  PosixFileSystem fs;
  for (const Row& row : rows) {
    std::string target = row.argument;
    EXPECT_EQ(ClassifyArgument(fs, target), row.mode) << row.argument;
    EXPECT_EQ(target, row.target_after) << row.argument;
  }
}

TEST(ClassifyOnDisk, UnquotedPathWithBlanksArrivesWhole) {
  TempDir dir;
  std::filesystem::create_directory(dir / "My  Pages");  // two blanks: joined args give one
  std::filesystem::create_directory(dir / "My Pages");
  const std::string first = dir / "My";
  const char* argv[] = {"quillomat", first.c_str(), "Pages", " "};
  std::string target;
  ASSERT_EQ(GetCommandArgument(4, argv, target), 0);
  PosixFileSystem fs;
  EXPECT_EQ(ClassifyArgument(fs, target), RunMode::Directory);
  EXPECT_EQ(target, dir / "My Pages");
}

}  // namespace
}  // namespace qlm
