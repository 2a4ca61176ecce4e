// quillomat-cli end to end: the built program on temporary directories.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string_view>

#include "cli/cli_app.h"
#include "cli/cli_process.h"
#include "platform/forwarding_file_system.h"
#include "platform/native_file_system.h"
#include "support/engine_harness.h"
#include "support/layer_probes.h"

namespace qlm::testing {
namespace {

namespace fs = std::filesystem;

class Cli : public ::testing::Test {
 protected:
  void AddPage(const std::string& name, const std::string& title) {
    WriteFile(work / name, Page(title, name));
  }
  std::vector<std::string> Args(std::vector<std::string> extra) const {
    std::vector<std::string> args{"--config-dir", config.path()};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  TempDir work;
  TempDir config;
};

TEST_F(Cli, ClassifiesItsArgument) {
  constexpr const char* kNeither = "' is neither a directory nor an HTML file";
  struct Row {
    const char* name;  // created in the work directory unless it starts with "missing"
    bool directory;
    int status;
    const char* says;  // on standard error, when the status is 2
  };
  const Row rows[] = {
      {"x.htm", true, 1, ""},      // a directory, even one named like a page (and empty: 1)
      {"pageHTML", false, 0, ""},  // "HTML" without a point qualifies
      {"page.HTM", false, 0, ""},
      {"page.Htm", false, 2, kNeither},  // a mixed-case ending is ignored
      {"notes.txt", false, 2, kNeither},
      {"missing.htm", false, 2, "': no such file or directory"},
      {"missing/page.htm", false, 2, "': no such file or directory"},
  };
  for (const Row& row : rows) {
    const std::string path = work / row.name;
    if (row.directory) {
      fs::create_directory(path);
    } else if (std::string_view(row.name).substr(0, 7) != "missing") {
      WriteFile(path, Page("Classified", row.name));
    }
    const CliRun run = RunCliProcess(Args({path}));
    EXPECT_EQ(run.status, row.status) << row.name << "\n" << run.err;
    if (row.status == 2) {
      EXPECT_NE(run.err.find(row.says), std::string::npos) << row.name << "\n" << run.err;
    }
    fs::remove_all(path);
    fs::remove(work / "Classified.htm");
  }
}

// Answers for the path alone, whatever the platform says of it.
class PathLookupFails final : public ForwardingFileSystem {
 public:
  PathLookupFails(FileSystem& inner, std::string path, FsError error)
      : ForwardingFileSystem(inner), path_(std::move(path)), error_(error) {}
  FsError GetInfo(const std::string& path, FileInfo& info) override {
    return path == path_ ? error_ : ForwardingFileSystem::GetInfo(path, info);
  }

 private:
  std::string path_;
  FsError error_;
};

TEST_F(Cli, APathThatCannotBeLookedUpIsToldWhy) {
  const struct {
    FsError error;
    const char* says;
  } rows[] = {
      {FsError::AccessDenied, "': permission denied"},
      {FsError::FilenameTooLong, "': the path is too long"},
      {FsError::PathNotFound, "': no such file or directory"},
      {FsError::IoDevice, "' is neither a directory nor an HTML file"},
  };
  AddPage("page.htm", "Untouched");
  const std::string path = work / "page.htm";
  const std::unique_ptr<FileSystem> native = MakeNativeFileSystem();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.says);
    PathLookupFails disk(*native, path, row.error);
    std::vector<std::string> words = Args({path});
    words.insert(words.begin(), "quillomat-cli");
    std::vector<char*> argv;
    for (std::string& word : words)
      argv.push_back(word.data());
    ::testing::internal::CaptureStderr();
    const int status = cli::RunCli(static_cast<int>(argv.size()), argv.data(), disk);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 2);
    EXPECT_NE(err.find(row.says), std::string::npos) << err;
    EXPECT_EQ(ReadFile(path), Page("Untouched", "page.htm"));
  }
}

TEST_F(Cli, PathWithBlanksNeedsNoQuotes) {
  fs::create_directory(work / "my pages");
  WriteFile(work / "my pages/a.htm", Page("Alpha", "a"));
  const CliRun run = RunCliProcess(Args({work / "my", "pages"}));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::exists(work / "my pages/Alpha.htm"));
}

TEST_F(Cli, DryRunPrintsThePlanTheRealRunCarriesOut) {
  AddPage("a.htm", "Intro");
  AddPage("b.htm", "Intro");
  AddPage("c.html", "INTRO");
  AddPage("Intro-1.htm", "Other");  // a final name that is already taken
  AddPage("d.htm", "d");            // already named after its title
  WriteFile(work / "e.htm", "no title");
  const auto work_before = Tree(work.path());
  const std::vector<std::string> options = {"-o", "WriteErrorLog=1",     "-o", "WriteRenameLog=1",
                                            "-o", "BackupRenamedFiles=1"};
  std::vector<std::string> dry = options;
  dry.push_back("--dry-run");
  dry.push_back(work.path());
  const CliRun plan = RunCliProcess(Args(dry));
  EXPECT_EQ(plan.status, 0) << plan.err;
  EXPECT_EQ(Tree(work.path()), work_before);  // not a byte changed
  EXPECT_TRUE(fs::is_empty(config.path()));   // no log, no settings file

  std::vector<std::string> real = options;
  real.push_back(work.path());
  const CliRun done = RunCliProcess(Args(real));
  EXPECT_EQ(done.status, 0) << done.err;
  EXPECT_EQ(plan.out, done.out);
  EXPECT_NE(done.out.find("a.htm -> Intro.htm"), std::string::npos) << done.out;
  EXPECT_NE(done.out.find("Files processed: 6"), std::string::npos);
  EXPECT_TRUE(fs::exists(config / "QLM-ErrorLog.txt"));
}

TEST_F(Cli, ARunAgainSaysWhichNameItNumbered) {
  for (const char* name : {"a.htm", "b.htm", "c.htm"})
    AddPage(name, "Same");
  const std::vector<std::string> args = Args({"-o", "BackupRenamedFiles=0", work.path()});
  ASSERT_EQ(RunCliProcess(args).status, 0);
  // Again, in folded order: Same-1, Same-2, then Same.htm, whose name equals its title but
  // which comes last to that name. Its line must not say it kept its name.
  const CliRun again = RunCliProcess(args);
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.out.find("Same-1.htm -> Same.htm\n"), std::string::npos) << again.out;
  EXPECT_NE(again.out.find("Same.htm -> Same-2.htm (numbered: it is already named after its "
                           "title, but another file took that name first)\n"),
            std::string::npos)
      << again.out;
  EXPECT_EQ(again.out.find("kept its name"), std::string::npos) << again.out;
}

TEST_F(Cli, InteractiveClashAnsweredFromStandardInput) {
  AddPage("a.htm", "Our Prices");
  AddPage("b.htm", "Our Prices");
  const CliRun run = RunCliProcess(Args({"-o", "EnableFullAutoMode=0", "-o", "WriteErrorLog=1",
                                         "-o", "BackupRenamedFiles=0", work.path()}),
                                   "y\nPrice List\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("[Filename already exists!] Quillomatic has encountered"),
            std::string::npos);
  EXPECT_NE(run.err.find("New name [Our Prices-1]: "), std::string::npos);
  EXPECT_EQ(ReadFile(work / "Price List.htm"), Page("Our Prices", "b.htm"));
  EXPECT_NE(ReadFile(config / "QLM-ErrorLog.txt")
                .find("M1) b.htm was manually renamed to Price List.htm\r\n"),
            std::string::npos);
}

TEST_F(Cli, EndOfInputAnswersNoAndCancel) {
  AddPage("a.htm", "Same");
  AddPage("b.htm", "Same");
  const CliRun run = RunCliProcess(
      Args({"-o", "EnableFullAutoMode=0", "-o", "BackupRenamedFiles=0", work.path()}), "");
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(fs::exists(work / "b.htm"));
  EXPECT_NE(run.out.find("Unrenamed (U): 1"), std::string::npos);
}

TEST_F(Cli, UsageErrorsChangeNothing) {
  AddPage("a.htm", "Alpha");
  const auto before = Tree(work.path());
  const std::vector<std::vector<std::string>> cases = {
      {"--frobnicate", work.path()},
      {"-o", "NoSuchKey=1", work.path()},
      {"-o", "RenameAsHtm=2", work.path()},
      {"-o", "RenameAsHtm", work.path()},
      {"--option"},
      {},
  };
  for (const auto& args : cases) {
    const CliRun run = RunCliProcess(Args(args));
    EXPECT_EQ(run.status, 2) << (args.empty() ? "(none)" : args[0]);
    EXPECT_NE(run.err.find("quillomat-cli: "), std::string::npos);
    EXPECT_EQ(Tree(work.path()), before);
  }
  EXPECT_TRUE(fs::is_empty(config.path()));
}

TEST_F(Cli, JunkSettingsFilesGiveTheDefaults) {
  std::string junk;
  for (int i = 0; i < 4096; ++i)
    junk += static_cast<char>((i * 37) % 256);
  const std::string huge(10 * 1024 * 1024, '=');
  for (const std::string& contents : {junk, huge}) {
    WriteFile(config / "Quillomat.ini", contents);
    AddPage("a.htm", "Alpha");
    const CliRun run = RunCliProcess(Args({"-o", "BackupRenamedFiles=0", work.path()}));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(work / "Alpha.htm"));              // full auto, .htm: the defaults
    EXPECT_EQ(ReadFile(config / "Quillomat.ini"), contents);  // never written
    fs::remove(work / "Alpha.htm");
  }
}

TEST_F(Cli, HelpAndVersion) {
  EXPECT_EQ(RunCliProcess({"--version"}).out, "quillomat-cli 1.01\n");
  const CliRun help = RunCliProcess({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("End of input answers No or Cancel."), std::string::npos);
}

}  // namespace
}  // namespace qlm::testing

namespace qlm::testing {
namespace {

TEST_F(Cli, UndoPutsBackEveryNameAndTheUndoCanBeUndone) {
  AddPage("a.htm", "Intro");
  AddPage("b.htm", "Intro");
  WriteFile(work / "c.html", "no title");
  const auto before = Tree(work.path());
  ASSERT_EQ(RunCliProcess(Args({"-o", "BackupRenamedFiles=0", work.path()})).status, 0);
  const auto after = Tree(work.path());
  ASSERT_NE(after, before);

  const CliRun preview = RunCliProcess(Args({"--undo", "--dry-run", work.path()}));
  EXPECT_EQ(preview.status, 0) << preview.err;
  EXPECT_NE(preview.out.find("Intro.htm -> a.htm"), std::string::npos) << preview.out;
  EXPECT_EQ(Tree(work.path()), after);  // a dry run changes nothing

  const CliRun undo = RunCliProcess(Args({"--undo", work.path()}));
  EXPECT_EQ(undo.status, 0) << undo.err;
  EXPECT_EQ(undo.out, preview.out);
  EXPECT_EQ(Tree(work.path()), before);

  EXPECT_EQ(RunCliProcess(Args({"--undo"})).status, 0);  // the undo was journaled
  EXPECT_EQ(Tree(work.path()), after);
}

TEST_F(Cli, UndoLeavesAnEditedFileAloneAndSaysSo) {
  AddPage("a.htm", "Alpha");
  AddPage("b.htm", "Beta");
  ASSERT_EQ(RunCliProcess(Args({"-o", "BackupRenamedFiles=0", work.path()})).status, 0);
  WriteFile(work / "Alpha.htm", "edited");
  const CliRun undo = RunCliProcess(Args({"--undo", work.path()}));
  EXPECT_NE(undo.out.find("Alpha.htm: left alone (changed since the run; it was a.htm)"),
            std::string::npos)
      << undo.out;
  EXPECT_EQ(ReadFile(work / "Alpha.htm"), "edited");
  EXPECT_TRUE(fs::exists(work / "b.htm"));
}

TEST_F(Cli, UndoWithoutAJournaledRunSaysSo) {
  const CliRun undo = RunCliProcess(Args({"--undo", work.path()}));
  EXPECT_EQ(undo.status, 1);
  EXPECT_NE(undo.err.find("no run to undo"), std::string::npos);
}

}  // namespace
}  // namespace qlm::testing

namespace qlm::testing {
namespace {

TEST_F(Cli, CtrlCFinishesTheFileInHandThenAborts) {
  if (!CanInterruptCli()) GTEST_SKIP() << "no console to send Ctrl-C through";
  AddPage("a.htm", "Same");
  AddPage("b.htm", "Same");  // its clash question holds the run while Ctrl-C comes
  AddPage("c.htm", "Third");
  const CliRun run = RunCliInterrupted(
      Args({"-o", "EnableFullAutoMode=0", "-o", "BackupRenamedFiles=0", work.path()}),
      "OK or cancel? [y/N] ", "n\n");
  EXPECT_EQ(run.status, 130) << run.err;
  EXPECT_NE(run.err.find("Abort requested"), std::string::npos);
  EXPECT_TRUE(fs::exists(work / "Same.htm"));  // handled before the abort: its final name
  EXPECT_TRUE(fs::exists(work / "b.htm"));     // the file in hand, finished (kept its name)
  EXPECT_TRUE(fs::exists(work / "c.htm"));     // not reached
  EXPECT_FALSE(fs::exists(work / "Third.htm"));
}

}  // namespace
}  // namespace qlm::testing
