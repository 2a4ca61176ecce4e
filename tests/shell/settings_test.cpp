#include "shell/settings.h"

#include <gtest/gtest.h>

#include <string>

#include "fake_file_system.h"
#include "shell/profile.h"

namespace qlm {
namespace {

using testing::FakeFileSystem;

constexpr const char* kProgramDirectory = "/opt/quillomat";
constexpr const char* kSettingsPath = "/opt/quillomat/Quillomat.ini";

// The header is spelled out here rather than taken from messages.h, so a change to either
// shows.
const std::string kHeaderLines =
    "This file is created automatically by Quillomat v1.oo. Use only 1 and 0 for the options "
    "below. Modify it at your own risk!\r\n\r\n";

std::string FileWithDefaults(const std::string& last_directory_line) {
  return kHeaderLines +
         "[Options]\r\n"
         "BackupRenamedFiles=1\r\n"
         "BackupCreateNewDir=1\r\n"
         "BackupOverwriteExisting=0\r\n"
         "BackupUnrenamedFiles=1\r\n"
         "EnableShellExts=0\r\n"
         "EnableFullAutoMode=1\r\n"
         "RenameAsHtm=1\r\n"
         "ParseHTMLEntities=1\r\n"
         "WriteRenameLog=0\r\n"
         "WriteErrorLog=0\r\n" +
         last_directory_line;
}

TEST(Settings, FirstStartGivesTheDefaultsAndSaveWritesTheWholeFile) {
  ASSERT_EQ(kHeaderLines.size(), 126u);
  FakeFileSystem fs;
  Settings settings = LoadSettings(fs, kProgramDirectory);
  EXPECT_EQ(settings.SettingsPath, kSettingsPath);
  const OptionSet expected{1, 1, 0, 1, 0, 1, 1, 1, 0, 0};
  EXPECT_EQ(settings.options, expected);
  EXPECT_EQ(settings.LastDirectory, kProgramDirectory);

  ASSERT_EQ(SaveSettings(fs, settings), FsError::Ok);
  ASSERT_NE(fs.Contents(kSettingsPath), nullptr);
  EXPECT_EQ(*fs.Contents(kSettingsPath), FileWithDefaults("LastDirectory=/opt/quillomat\r\n"));
}

TEST(Settings, EveryFlagSurvivesLoadAndSaveInPlace) {
  // Flip each flag away from its default in turn: a key written or read under the wrong name
  // or in the wrong place would show as a swapped value.
  using Flag = std::uint8_t OptionSet::*;
  const Flag flags[] = {&OptionSet::BackupRenamedFiles,
                        &OptionSet::BackupCreateNewDir,
                        &OptionSet::BackupOverwriteExisting,
                        &OptionSet::BackupUnrenamedFiles,
                        &OptionSet::EnableShellExts,
                        &OptionSet::EnableFullAutoMode,
                        &OptionSet::RenameAsHtm,
                        &OptionSet::ParseHTMLEntities,
                        &OptionSet::WriteRenameLog,
                        &OptionSet::WriteErrorLog};
  for (std::size_t i = 0; i < std::size(flags); ++i) {
    Settings settings = ParseSettings("", kProgramDirectory);
    settings.options.*flags[i] = static_cast<std::uint8_t>(settings.options.*flags[i] ^ 1);
    const Settings loaded = ParseSettings(FormatSettings(settings), kProgramDirectory);
    EXPECT_EQ(loaded.options, settings.options) << "flag " << i;
  }
}

TEST(Settings, ForeignContentDoesNotSurviveASave) {
  FakeFileSystem fs;
  fs.AddFile(kSettingsPath,
             "; my notes\n"
             "stray=line\n"
             "[Extra]\nfoo=bar\n"
             "[options]\n"
             "writeerrorlog = 1\n"
             "Comment=keep me?\n"
             "lastdirectory=/home/u/pages/\n"
             "BackupRenamedFiles=0\n"
             "[More]\nx=1\n");
  Settings settings = LoadSettings(fs, kProgramDirectory);
  EXPECT_EQ(settings.options.WriteErrorLog, 1);
  EXPECT_EQ(settings.options.BackupRenamedFiles, 0);
  SaveSettings(fs, settings);
  EXPECT_EQ(settings.LastDirectory, "/home/u/pages");  // cut in memory as well
  std::string expected = FileWithDefaults("LastDirectory=/home/u/pages\r\n");
  expected.replace(expected.find("BackupRenamedFiles=1"), 20, "BackupRenamedFiles=0");
  expected.replace(expected.find("WriteErrorLog=0"), 15, "WriteErrorLog=1");
  EXPECT_EQ(*fs.Contents(kSettingsPath), expected);
}

TEST(Settings, LastDirectoryRules) {
  struct Row {
    const char* name;
    const char* file_line;   // the LastDirectory line of the file read ("" for none)
    const char* loaded;      // what it loads as
    const char* saved_line;  // the line the next save writes ("" for none)
  };
  const Row rows[] = {
      {"missing key gives the program directory", "", "/opt/quillomat",
       "LastDirectory=/opt/quillomat\r\n"},
      {"empty value loads empty and is not written", "LastDirectory=\r\n", "", ""},
      {"no '=' counts as missing", "LastDirectory\r\n", "/opt/quillomat",
       "LastDirectory=/opt/quillomat\r\n"},
      {"one trailing separator is cut", "LastDirectory=/srv/www/\r\n", "/srv/www/",
       "LastDirectory=/srv/www\r\n"},
      {"only one separator is cut", "LastDirectory=/srv/www//\r\n", "/srv/www//",
       "LastDirectory=/srv/www/\r\n"},
      {"the root is kept, not forgotten", "LastDirectory=/\r\n", "/", "LastDirectory=/\r\n"},
      {"blanks in a path survive through quotes", "LastDirectory=\"/srv/a \"\r\n", "/srv/a ",
       "LastDirectory=\"/srv/a \"\r\n"},
  };
  for (const Row& row : rows) {
    Settings settings =
        ParseSettings(kHeaderLines + "[Options]\r\n" + row.file_line, kProgramDirectory);
    EXPECT_EQ(settings.LastDirectory, row.loaded) << row.name;
    CutTrailingSeparator(settings.LastDirectory);
    EXPECT_EQ(FormatSettings(settings), FileWithDefaults(row.saved_line)) << row.name;
  }
}

TEST(Settings, LastDirectoryThatCannotBeStoredFallsBackToTheDefault) {
  const std::string too_long = "/" + std::string(kMaxLastDirectory, 'd');
  Settings loaded = ParseSettings("[Options]\nLastDirectory=" + too_long + "\n", "/p");
  EXPECT_EQ(loaded.LastDirectory, "/p");
  EXPECT_EQ(ParseSettings("[Options]\n", "").LastDirectory, "/");  // program in the root

  for (const std::string& unstorable : {too_long, std::string("/a\nWriteErrorLog=1")}) {
    Settings settings = ParseSettings("", "/p");
    settings.LastDirectory = unstorable;
    const std::string file = FormatSettings(settings);
    EXPECT_EQ(file, FileWithDefaults(""));
    EXPECT_EQ(ParseSettings(file, "/p").LastDirectory, "/p");
  }
}

TEST(Settings, FlagsKeepTheLowByteAndReadBackUnchanged) {
  struct Row {
    const char* value;
    std::uint8_t flag;
  };
  const Row rows[] = {{"0", 0},   {"1", 1},     {"2", 2},   {"-1", 255}, {"256", 0},
                      {"257", 1}, {"42A9", 42}, {"B42", 0}, {"", 1},     {" 1 ", 1}};
  for (const Row& row : rows) {
    Settings settings =
        ParseSettings(std::string("[Options]\r\nBackupRenamedFiles=") + row.value, "/p");
    EXPECT_EQ(settings.options.BackupRenamedFiles, row.flag) << row.value;
    // Whatever was read is written so that it reads back the same (never a stray character).
    EXPECT_EQ(ParseSettings(FormatSettings(settings), "/p").options, settings.options) << row.value;
  }
}

TEST(Settings, JunkFilesGiveTheDefaults) {
  std::string binary;
  for (int i = 0; i < 100000; ++i)
    binary += static_cast<char>((i * 7919 + 13) % 256);
  std::string huge = kHeaderLines + "[Options]\r\n";
  while (huge.size() < (10u << 20))
    huge += "Junk=" + std::string(1000, 'j') + "\r\n";
  huge += "WriteErrorLog=1\r\n";  // beyond the bounded read: not seen
  const std::string files[] = {binary, std::string(4096, '\0'), huge,
                               "[Options]\r\n" + std::string(2 << 20, 'x')};
  for (const std::string& text : files) {
    FakeFileSystem fs;
    fs.AddFile(kSettingsPath, text);
    const Settings settings = LoadSettings(fs, kProgramDirectory);
    EXPECT_EQ(settings.options, OptionSet{});
    EXPECT_EQ(settings.LastDirectory, kProgramDirectory);
  }
}

TEST(Settings, SettingsFileThatIsNoRegularFileGivesTheDefaults) {
  FakeFileSystem fs;
  fs.AddDirectory(kSettingsPath);
  const Settings settings = LoadSettings(fs, kProgramDirectory);
  EXPECT_EQ(settings.options, OptionSet{});
  EXPECT_EQ(settings.LastDirectory, kProgramDirectory);
}

TEST(Settings, SaveWritesOnceAndAFailedSaveLeavesTheOldFile) {
  FakeFileSystem fs;
  fs.AddFile(kSettingsPath, "[Options]\r\nWriteErrorLog=1\r\n");
  Settings settings = LoadSettings(fs, kProgramDirectory);
  settings.options.WriteErrorLog = 0;
  fs.fail_replace = FsError::WriteProtect;
  EXPECT_EQ(SaveSettings(fs, settings), FsError::WriteProtect);
  EXPECT_EQ(fs.replace_calls, 1);
  EXPECT_EQ(*fs.Contents(kSettingsPath), "[Options]\r\nWriteErrorLog=1\r\n");
}

}  // namespace
}  // namespace qlm
