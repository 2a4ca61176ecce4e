// Backups: the run's backup directory, which files are copied and when, failed copies and a
// full disk. Every copy must be byte-identical to the document it copied.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "common/ui.h"
#include "platform/fault_injecting_file_system.h"
#include "platform/path.h"
#include "support/engine_harness.h"

namespace qlm::testing {
namespace {

namespace fs = std::filesystem;

class Backups : public ::testing::Test {
 protected:
  Backups() {
    h.options.BackupRenamedFiles = 1;
    h.options.BackupCreateNewDir = 0;
    h.options.BackupOverwriteExisting = 0;
    h.options.BackupUnrenamedFiles = 0;
    h.options.WriteErrorLog = 1;
  }
  std::string ErrorLog() const { return ReadFile(h.program / "QLM-ErrorLog.txt"); }
  EngineHarness h;
};

TEST_F(Backups, DatedDirectoriesAreNumberedRunByRun) {
  h.options.BackupCreateNewDir = 1;
  for (int run = 1; run <= 12; ++run) {
    h.AddPage("new" + std::to_string(run) + ".htm", "Run " + std::to_string(run));
    h.RunDirectory();
  }
  EXPECT_TRUE(fs::is_directory(h.work / "20031207"));
  for (int n = 1; n <= 11; ++n) {
    EXPECT_TRUE(fs::is_directory(h.work / ("20031207-" + std::to_string(n)))) << n;
  }
  EXPECT_FALSE(fs::exists(h.work / "20031207-12"));
  // The twelfth run's only new file went into the twelfth directory.
  EXPECT_EQ(ReadFile(h.work / "20031207-11/new12.htm"), h.originals.at("new12.htm"));
  const std::string dated = path::WithSeparator(path::Join(h.work.path(), "20031207-11"));
  EXPECT_NE(ErrorLog().find("BackupDir=" + dated + "\r\n"), std::string::npos);
}

TEST_F(Backups, CopiesAreByteIdenticalToTheDocuments) {
  h.AddPage("a.htm", "Alpha");
  h.AddPage("b.html", "Beta");
  const RunStatistics stats = h.RunDirectory();
  EXPECT_EQ(stats.BackupErrors, 0);
  EXPECT_EQ(Listing(h.work / "Backup"), h.originals);
  EXPECT_TRUE(h.NothingLost());
}

TEST_F(Backups, TakenBackupNameCountsOrIsReplaced) {
  struct Row {
    std::uint8_t overwrite;
    std::int32_t errors;
  };
  for (const Row row : {Row{0, 1}, Row{1, 0}}) {
    EngineHarness& run = h;
    fs::remove_all(run.work / "Backup");
    fs::remove(run.program / "QLM-ErrorLog.txt");
    fs::create_directory(run.work / "Backup");
    WriteFile(run.work / "Backup/a.htm", "an older copy");
    for (const auto& [name, contents] : Listing(run.work.path()))
      fs::remove(run.work / name);
    run.originals.clear();
    run.AddPage("a.htm", "Alpha");
    run.options.BackupOverwriteExisting = row.overwrite;
    const RunStatistics stats = run.RunDirectory();
    EXPECT_EQ(stats.BackupErrors, row.errors);
    EXPECT_EQ(Listing(run.work.path()).count("Alpha.htm"), 1u);  // renamed all the same
    EXPECT_EQ(ReadFile(run.work / "Backup/a.htm"),
              row.overwrite ? run.originals.at("a.htm") : "an older copy");
    const bool b_line =
        ErrorLog().find("B1) a.htm could not be backed up.\r\n") != std::string::npos;
    EXPECT_EQ(b_line, row.overwrite == 0);
  }
}

TEST_F(Backups, FullDiskStopsBackupsForTheRestOfTheRun) {
  for (const char* name : {"a.htm", "b.htm", "c.htm"})
    h.AddPage(name, std::string("T ") + name);
  FaultInjectingFileSystem faulty(h.fs);
  faulty.FailCall(FsOperation::Copy, 1, ENOSPC);
  const RunStatistics stats = h.RunDirectory(&faulty);
  EXPECT_EQ(h.view.CallsStartingWith("box Disk full! 0x00 Sorry, the disk is full.").size(), 1u);
  EXPECT_EQ(faulty.Calls(FsOperation::Copy), 1);  // no copy after the first failed one
  EXPECT_EQ(stats.BackupErrors, 1);
  const std::string log = ErrorLog();
  EXPECT_NE(log.find("B1) a.htm could not be backed up.\r\n"), std::string::npos);
  EXPECT_NE(log.find("Number of backup errors (B)      : N/A\r\n"), std::string::npos);
  for (const char* title : {"T a.htm", "T b.htm", "T c.htm"}) {
    EXPECT_EQ(Listing(h.work.path()).count(std::string(title) + ".htm"), 1u) << title;
  }
  EXPECT_TRUE(h.NothingLost());
}

TEST_F(Backups, InteractiveFileKeepingItsNameIsCopiedAfterItsMove) {
  h.options.EnableFullAutoMode = 0;
  h.options.BackupUnrenamedFiles = 1;
  h.AddPage("page.html", "page");
  h.RunDirectory();
  EXPECT_EQ(ReadFile(h.work / "Backup/page.htm"), h.originals.at("page.html"));
  EXPECT_FALSE(fs::exists(h.work / "Backup/page.html"));
  EXPECT_TRUE(h.NothingLost());
}

TEST_F(Backups, WhichFilesAreCopied) {
  // name, title, full auto, back up unrenamed files, expected copy name ("" for none)
  struct Row {
    const char* name;
    const char* title;
    std::uint8_t full_auto;
    std::uint8_t unrenamed;
    const char* copy;
  };
  const Row rows[] = {
      {"a.htm", "Alpha", 1, 0, "a.htm"},  // renamed: copied before its move
      {"a.htm", "a", 1, 0, ""},           // already named after its title
      {"a.htm", "a", 1, 1, "a.htm"},     {"a.htm", "a", 0, 0, ""},
      {"a.htm", "a", 0, 1, "a.htm"},  // copied after its move, under the scratch name
      {"a.htm", "Alpha", 0, 0, "a.htm"},
  };
  for (const Row& row : rows) {
    EngineHarness run;
    run.options.BackupRenamedFiles = 1;
    run.options.BackupCreateNewDir = 0;
    run.options.EnableFullAutoMode = row.full_auto;
    run.options.BackupUnrenamedFiles = row.unrenamed;
    run.AddPage(row.name, row.title);
    run.RunDirectory();
    const auto copies = Listing(run.work / "Backup");
    if (*row.copy) {
      ASSERT_EQ(copies.size(), 1u) << row.title << " " << int(row.full_auto);
      EXPECT_EQ(copies.begin()->first, row.copy);
      EXPECT_EQ(copies.begin()->second, run.originals.at(row.name));
    } else {
      EXPECT_TRUE(copies.empty()) << row.title << " " << int(row.full_auto);
    }
    EXPECT_TRUE(run.NothingLost());
  }
}

TEST_F(Backups, InteractiveRetryDoesNotCountTheFirstCopyAsFailed) {
  // b.htm is copied, its move meets a name taken meanwhile, and the user picks another name:
  // the file is not copied a second time (which would only fail on its own first copy).
  h.options.EnableFullAutoMode = 0;
  h.AddPage("a.htm", "Shared");
  h.AddPage("b.htm", "Other");
  h.view.on_file = [&](const std::string& name) {
    if (name == "b.htm") WriteFile(h.work / "Other.qlm", "appeared meanwhile");
  };
  h.originals["Other.qlm"] = "appeared meanwhile";
  h.view.typed_names = {std::string("Renamed")};
  const RunStatistics stats = h.RunDirectory();
  EXPECT_EQ(stats.BackupErrors, 0);
  EXPECT_EQ(stats.UserRenamed, 1);
  EXPECT_EQ(ReadFile(h.work / "Backup/b.htm"), h.originals.at("b.htm"));
  EXPECT_EQ(ReadFile(h.work / "Renamed.htm"), h.originals.at("b.htm"));
}

}  // namespace
}  // namespace qlm::testing
