// Runs on directories someone else can write to: links planted (or swapped in during the run)
// where the run reads pages, makes its backup directory or writes its logs and journal must
// never let it read, copy, create or change anything of the victim's.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "engine/journal.h"
#include "platform/forwarding_file_system.h"
#include "shell/settings.h"
#include "support/engine_harness.h"

namespace qlm::testing {
namespace {

namespace fs = std::filesystem;

// Every entry under `directory` (recursively, links not followed) with its contents.
std::map<std::string, std::string> Snapshot(const std::string& directory) {
  std::map<std::string, std::string> tree;
  for (auto it = fs::recursive_directory_iterator(directory); it != fs::end(it); ++it) {
    const std::string relative = fs::relative(it->path(), directory).string();
    tree[relative] = it->is_symlink()     ? "-> " + fs::read_symlink(it->path()).string()
                     : it->is_directory() ? "/"
                                          : ReadFile(it->path().string());
  }
  return tree;
}

class Hostile : public ::testing::Test {
 protected:
  Hostile() {
    h.options.BackupRenamedFiles = 1;
    h.options.BackupUnrenamedFiles = 1;
    h.options.BackupCreateNewDir = 0;
    WriteFile(victim / "private.html", Page("Salary list", "private"));
    WriteFile(victim / "a.htm", "the victim's own a.htm");
    h.AddPage("a.htm", "Alpha");
    h.AddPage("b.htm", "Beta");
    h.AddPage("c.htm", "Gamma");
    victim_before = Snapshot(victim.path());
  }
  // The victim's files are as they were, and the documents are all still there.
  void ExpectNothingOfTheVictimsTouched() {
    EXPECT_EQ(Snapshot(victim.path()), victim_before);
    EXPECT_TRUE(h.NothingLost());
  }
  EngineHarness h;
  TempDir victim;
  std::map<std::string, std::string> victim_before;
};

TEST_F(Hostile, ABackupDirectoryThatIsALinkIsNeverWrittenThrough) {
  struct Row {
    const char* link;  // planted in the processed directory
    std::uint8_t overwrite;
  };
  for (const Row& row : {Row{"Backup", 0}, Row{"Backup", 1}, Row{"backup", 1}}) {
    SCOPED_TRACE(std::string(row.link) + (row.overwrite ? " overwrite" : ""));
    h.options.BackupOverwriteExisting = row.overwrite;
    ASSERT_EQ(symlink(victim.path().c_str(), (h.work / row.link).c_str()), 0);
    const RunStatistics stats = h.RunDirectory();
    ExpectNothingOfTheVictimsTouched();
    EXPECT_EQ(stats.BackupErrors, row.overwrite ? 0 : 3);  // every copy failed, and said so
    EXPECT_TRUE(fs::is_symlink(h.work / row.link));
    fs::remove(h.work / row.link);
  }
}

TEST_F(Hostile, PlantedDatedNamesAreSkippedNotFollowed) {
  h.options.BackupCreateNewDir = 1;
  for (const char* name : {"20031207", "20031207-1"})
    ASSERT_EQ(symlink(victim.path().c_str(), (h.work / name).c_str()), 0);
  const RunStatistics stats = h.RunDirectory();
  ExpectNothingOfTheVictimsTouched();
  EXPECT_EQ(stats.BackupErrors, 0);
  EXPECT_EQ(Listing(h.work / "20031207-2").size(), 3u);
}

TEST_F(Hostile, ALinkSwappedInForTheBackupDirectoryMidRunIsRefused) {
  h.view.on_file = [&](const std::string& name) {
    if (name != "b.htm") return;
    fs::rename(h.work / "Backup", h.work / "moved away");
    fs::create_directory_symlink(victim.path(), h.work / "Backup");
  };
  const RunStatistics stats = h.RunDirectory();
  ExpectNothingOfTheVictimsTouched();
  EXPECT_EQ(stats.BackupErrors, 2);  // b and c: refused, counted and logged
  EXPECT_EQ(Listing(h.work / "moved away").size(), 1u);
}

TEST_F(Hostile, PlantedPageLinksAreNeitherReadNorCopied) {
  h.options.BackupCreateNewDir = 0;
  ASSERT_EQ(symlink((victim / "private.html").c_str(), (h.work / "p1.htm").c_str()), 0);
  // Swapped in after the listing, while the run is busy with an earlier file.
  h.view.on_file = [&](const std::string& name) {
    if (name != "a.htm") return;
    fs::remove(h.work / "c.htm");
    fs::create_symlink(victim / "private.html", h.work / "c.htm");
    h.originals.erase("c.htm");
  };
  const RunStatistics stats = h.RunDirectory();
  EXPECT_EQ(Snapshot(victim.path()), victim_before);
  EXPECT_EQ(fs::read_symlink(h.work / "p1.htm"), victim / "private.html");
  EXPECT_EQ(fs::read_symlink(h.work / "c.htm"), victim / "private.html");
  EXPECT_EQ(ReadFile(h.work / "Alpha.htm"), h.originals.at("a.htm"));
  EXPECT_EQ(ReadFile(h.work / "Beta.htm"), h.originals.at("b.htm"));
  EXPECT_EQ(stats.ReadErrors, 2);
  for (const auto& [name, contents] : Listing(h.work / "Backup"))
    EXPECT_EQ(contents.find("Salary"), std::string::npos) << name;
  for (const auto& entry : fs::directory_iterator(h.work.path()))
    EXPECT_EQ(entry.path().filename().string().find("Salary"), std::string::npos);
}

TEST_F(Hostile, LinksInTheProgramDirectoryLeadNoLineAnywhere) {
  h.options.WriteErrorLog = 1;
  h.options.WriteRenameLog = 1;
  WriteFile(victim / ".bashrc", "# the victim's\n");
  victim_before = Snapshot(victim.path());
  h.AddPage("x;id>>pwned.txt;#.htm", "Delta");
  ASSERT_EQ(symlink((victim / ".bashrc").c_str(), (h.program / "QLM-Journal.txt").c_str()), 0);
  ASSERT_EQ(symlink((victim / ".bashrc").c_str(), (h.program / "QLM-ErrorLog.txt").c_str()), 0);
  ASSERT_EQ(symlink((victim / "new").c_str(), (h.program / "QLM-RenLog.txt").c_str()), 0);
  h.RunDirectory();
  ExpectNothingOfTheVictimsTouched();
  EXPECT_TRUE(fs::exists(h.work / "Delta.htm"));  // the run itself went on as designed
}

// The journal's summary beside it: a link in its place is neither read nor written through;
// the run reads the whole journal and leaves a summary file of its own there.
TEST_F(Hostile, AJournalSummaryLinkIsReplacedNotFollowed) {
  h.RunDirectory();
  WriteFile(victim / "summary", "victim's");
  victim_before = Snapshot(victim.path());
  fs::remove(h.program / "QLM-Journal.idx");
  ASSERT_EQ(symlink((victim / "summary").c_str(), (h.program / "QLM-Journal.idx").c_str()), 0);
  h.AddPage("d.htm", "Delta");
  h.RunDirectory();
  ExpectNothingOfTheVictimsTouched();
  struct stat status {};
  ASSERT_EQ(lstat((h.program / "QLM-Journal.idx").c_str(), &status), 0);
  EXPECT_TRUE(S_ISREG(status.st_mode));
  std::vector<std::string> warnings;
  const auto runs = ReadJournal(h.fs, h.program / "QLM-Journal.txt", {}, warnings);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs.back().id, 2);
}

TEST_F(Hostile, ASettingsLinkIsReplacedByTheUsersOwnFile) {
  WriteFile(victim / "settings", "victim's");
  ASSERT_EQ(chmod((victim / "settings").c_str(), 04666), 0);
  victim_before = Snapshot(victim.path());
  ASSERT_EQ(symlink((victim / "settings").c_str(), (h.program / "Quillomat.ini").c_str()), 0);
  Settings settings = LoadSettings(h.fs, h.program.path());
  ASSERT_EQ(SaveSettings(h.fs, settings), FsError::Ok);
  struct stat status {};
  ASSERT_EQ(lstat((h.program / "Quillomat.ini").c_str(), &status), 0);
  EXPECT_TRUE(S_ISREG(status.st_mode));
  EXPECT_EQ(status.st_mode & 07777, 0600u);
  EXPECT_EQ(Snapshot(victim.path()), victim_before);
  struct stat target {};
  ASSERT_EQ(stat((victim / "settings").c_str(), &target), 0);
  EXPECT_EQ(target.st_mode & 07777, 04666u);
}

// Resets the run's event (an Abort) as a backup copy begins, as a user pressing Abort during
// a long copy would.
class AbortDuringCopy final : public ForwardingFileSystem {
 public:
  AbortDuringCopy(FileSystem& inner, Event& event) : ForwardingFileSystem(inner), event_(event) {}
  FsError CopyFile(const std::string& from, const std::string& to, bool fail_if_exists,
                   const CancelCheck* cancelled) override {
    event_.Reset();
    return inner().CopyFile(from, to, fail_if_exists, cancelled);
  }

 private:
  Event& event_;
};

TEST_F(Hostile, AnAbortStopsALongCopyAndTheFileIsStillRenamed) {
  h.options.WriteErrorLog = 1;
  AbortDuringCopy abort(h.fs, h.continue_event);
  const RunStatistics stats = h.RunDirectory(&abort);
  EXPECT_EQ(h.last_end, RunEnd::Aborted);
  EXPECT_EQ(stats.BackupErrors, 1);                 // the stopped copy, counted
  EXPECT_TRUE(Listing(h.work / "Backup").empty());  // and no partial file left
  EXPECT_TRUE(fs::exists(h.work / "Alpha.htm"));    // the file in hand was finished
  EXPECT_TRUE(fs::exists(h.work / "b.htm"));        // the rest were not reached
  EXPECT_TRUE(h.NothingLost());
}

}  // namespace
}  // namespace qlm::testing
