// Faults through the FileSystem seam, on real directories: for every operation a directory run
// uses, each plausible error at the first, a middle and the last call (counted by a clean run
// of the same directory first) and on every call. Whatever fails, the run ends by one of its
// own ways out, the counters and logs say what happened, no document is lost, doubled or
// changed, and the next run (with the fault gone) leaves every document under an HTML name.
#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "common/messages.h"
#include "platform/fault_injecting_file_system.h"
#include "platform/forwarding_file_system.h"
#include "support/engine_harness.h"

namespace qlm::testing {
namespace {

enum class Position { First, Middle, Last, EveryCall };

struct Operation {
  FsOperation op;
  const char* name;
};

constexpr Operation kOperations[] = {
    {FsOperation::Open, "Open"},
    {FsOperation::Read, "Read"},
    {FsOperation::Move, "Move"},
    {FsOperation::Copy, "Copy"},
    {FsOperation::CreateDirectory, "CreateDirectory"},
    {FsOperation::Enumerate, "Enumerate"},
    {FsOperation::Delete, "Delete"},
    {FsOperation::LogWrite, "LogWrite"},
};

struct Errno {
  int value;
  const char* name;
};

constexpr Errno kErrnos[] = {{ENOSPC, "ENOSPC"},
                             {EIO, "EIO"},
                             {EACCES, "EACCES"},
                             {EROFS, "EROFS"},
                             {ENAMETOOLONG, "ENAMETOOLONG"},
                             {ENOENT, "ENOENT"}};

// What one run over the standard directory left behind.
struct Outcome {
  RunStatistics stats;
  RunEnd end = RunEnd::Completed;
  std::vector<JourneyStep> journey;
  std::vector<std::string> boxes;
  std::string error_log;
  std::string rename_log;
  std::map<std::string, std::string> listing;
};

// A directory that takes every path of a full-auto run: distinct and shared titles (numbered
// moves), a title in another letter case, a file already named after its title, a page
// without a title, and a scratch file left by an interrupted run. Backups (into a new dated
// directory) and both logs are on.
void Prepare(EngineHarness& h) {
  h.options.EnableFullAutoMode = 1;
  h.options.BackupRenamedFiles = 1;
  h.options.BackupCreateNewDir = 1;
  h.options.BackupOverwriteExisting = 0;
  h.options.BackupUnrenamedFiles = 1;
  h.options.WriteErrorLog = 1;
  h.options.WriteRenameLog = 1;
  h.AddPage("a.htm", "Intro");
  h.AddPage("b.html", "Intro");
  h.AddPage("c.HTM", "INTRO");
  h.AddPage("d.htm", "Annual report");
  h.AddPage("e.htm", "Garden");
  h.AddPage("Garden.htm", "Garden");
  h.AddPage("f.htm", "Minutes: May");
  h.AddPage("g.htm", "River");
  h.AddPage("Old.qlm", "Old");
  WriteFile(h.work / "h.htm", "<html><body>no title here</body></html>");
  h.originals["h.htm"] = ReadFile(h.work / "h.htm");
}

// The log's text with the run's directory (a fresh temporary name) replaced by a fixed word.
std::string Log(const EngineHarness& h, std::string_view name) {
  std::string text = ReadFile(h.program / std::string(name));
  for (std::size_t at; (at = text.find(h.work.path())) != std::string::npos;)
    text.replace(at, h.work.path().size(), "WORK");
  return text;
}

Outcome RunOnce(EngineHarness& h, FileSystem& fs) {
  Outcome out;
  out.stats = h.RunDirectory(&fs);
  out.end = h.last_end;
  out.journey = h.view.journey;
  out.boxes = h.view.CallsStartingWith("box ");
  out.error_log = Log(h, msg::kErrorLogName);
  out.rename_log = Log(h, msg::kRenameLogName);
  out.listing = Listing(h.work.path());
  return out;
}

// True when `cut` is `whole` with one non-empty stretch of bytes taken out: one log piece.
bool OnePieceMissing(const std::string& whole, const std::string& cut) {
  if (cut.size() >= whole.size()) return false;
  std::size_t prefix = 0;
  while (prefix < cut.size() && cut[prefix] == whole[prefix])
    ++prefix;
  std::size_t suffix = 0;
  while (suffix < cut.size() - prefix &&
         cut[cut.size() - 1 - suffix] == whole[whole.size() - 1 - suffix])
    ++suffix;
  return prefix + suffix == cut.size();
}

bool AnyJourneyError(const Outcome& o) {
  for (const JourneyStep& step : o.journey) {
    if (step.error != FsError::Ok) return true;
  }
  return false;
}

bool HasScratchFile(const Outcome& o) {
  for (const auto& [name, contents] : o.listing) {
    if (IsScratchName(name)) return true;
  }
  return false;
}

// Passes every call on and notes the file behind each open for reading and each log write,
// in call order, so that a test can tell a title read from the run journal's read, and a
// write to the error log from one to the rename log or the journal.
class PathRecorder final : public ForwardingFileSystem {
 public:
  explicit PathRecorder(FileSystem& inner) : ForwardingFileSystem(inner) {}
  std::vector<std::string> opened;   // path of each OpenForReading call
  std::vector<std::string> written;  // path of each log Append or Sync call

  FsError OpenForReading(const std::string& path, std::unique_ptr<ReadableFile>& file) override {
    opened.push_back(path);
    return ForwardingFileSystem::OpenForReading(path, file);
  }
  FsError OpenLog(const std::string& path, std::unique_ptr<LogFile>& file) override {
    std::unique_ptr<LogFile> log;
    const FsError error = ForwardingFileSystem::OpenLog(path, log);
    if (error == FsError::Ok) file = std::make_unique<Log>(std::move(log), written, path);
    return error;
  }

 private:
  class Log final : public LogFile {
   public:
    Log(std::unique_ptr<LogFile> inner, std::vector<std::string>& written, std::string path)
        : inner_(std::move(inner)), written_(written), path_(std::move(path)) {}
    FsError Append(std::string_view bytes) override {
      written_.push_back(path_);
      return inner_->Append(bytes);
    }
    FsError Lock(int slot, bool exclusive, bool wait) override {
      return inner_->Lock(slot, exclusive, wait);
    }
    void Unlock(int slot) override { inner_->Unlock(slot); }
    bool StillAtPath() override { return inner_->StillAtPath(); }
    FsError Size(std::uint64_t& size) override { return inner_->Size(size); }
    FsError Sync() override {
      written_.push_back(path_);
      return inner_->Sync();
    }

   private:
    std::unique_ptr<LogFile> inner_;
    std::vector<std::string>& written_;
    std::string path_;
  };
};

// True when `path` names one of the two run logs (not the journal or a document).
bool IsRunLog(const std::string& path) {
  return path.ends_with(msg::kErrorLogName) || path.ends_with(msg::kRenameLogName);
}

using FaultCase = std::tuple<Operation, Errno, Position>;

class FaultMatrix : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultMatrix, RunEndsAndNothingIsLost) {
  const auto [operation, error, position] = GetParam();

  // The clean run: how many calls the operation gets, and what the run leaves.
  EngineHarness clean;
  Prepare(clean);
  PathRecorder recorder(clean.fs);
  FaultInjectingFileSystem counting(recorder);
  const Outcome expected = RunOnce(clean, counting);
  ASSERT_TRUE(clean.NothingLost());
  ASSERT_EQ(expected.end, RunEnd::Completed);
  const int calls = counting.Calls(operation.op);

  EngineHarness h;
  Prepare(h);
  FaultInjectingFileSystem faulty(h.fs);
  int nth = 1;
  if (position == Position::Middle) nth = (calls + 1) / 2;
  if (position == Position::Last) nth = calls > 0 ? calls : 1;
  faulty.FailCall(operation.op, nth, error.value, position == Position::EveryCall);
  const Outcome got = RunOnce(h, faulty);
  const bool every = position == Position::EveryCall;

  // Nothing lost, doubled or changed, and the run took one of its own ways out.
  EXPECT_TRUE(h.NothingLost());
  EXPECT_FALSE(h.run_active);
  EXPECT_EQ(h.view.Text(2004), msg::kIdle);
  const bool html_search_failed = operation.op == FsOperation::Enumerate && (every || nth == 2);
  EXPECT_EQ(got.end, html_search_failed ? RunEnd::EndedEarly : RunEnd::Completed);

  // What the counters, the logs and the view say.
  const RunStatistics& s = got.stats;
  const RunStatistics& c = expected.stats;
  switch (operation.op) {
    case FsOperation::Open:
      if (!every && !IsHtmlName(recorder.opened.at(nth - 1))) {
        // Not a document (the run journal): the run itself does as it did.
        EXPECT_EQ(got.listing, expected.listing);
        EXPECT_EQ(s.ReadErrors, 0);
        break;
      }
      // The document could not be read, and keeps its name.
      EXPECT_EQ(s.ReadErrors, every ? s.FilesProcessed : 1);
      EXPECT_NE(got.error_log.find("R1) "), std::string::npos);
      EXPECT_GT(s.Unrenamed, c.Unrenamed - (every ? c.Unrenamed : 1));
      break;
    case FsOperation::Read:  // a failed read delivers no bytes: no title in them
      EXPECT_EQ(s.ReadErrors, 0);
      EXPECT_EQ(s.TitleErrors, every ? s.FilesProcessed : c.TitleErrors + 1);
      break;
    case FsOperation::Move:  // counted unrenamed, or reported as a failed move
      EXPECT_TRUE(s.Unrenamed > c.Unrenamed || AnyJourneyError(got));
      break;
    case FsOperation::Copy:
      EXPECT_GE(s.BackupErrors, 1);
      EXPECT_NE(got.error_log.find("B1) "), std::string::npos);
      if (error.value == ENOSPC) {
        ASSERT_FALSE(got.boxes.empty());
        EXPECT_NE(got.boxes.front().find(msg::kDiskFullCaption), std::string::npos);
        EXPECT_EQ(s.BackupErrors, 1);  // backups stop after the disk is full
      } else if (!every) {
        EXPECT_EQ(s.BackupErrors, 1);
      }
      break;
    case FsOperation::CreateDirectory:  // no backup directory: every copy fails and counts
      EXPECT_EQ(s.BackupErrors, counting.Calls(FsOperation::Copy));
      break;
    case FsOperation::Enumerate:
      if (html_search_failed) {
        ASSERT_FALSE(got.boxes.empty());
        EXPECT_NE(got.boxes.front().find(msg::kNoFilesCaption), std::string::npos);
      }
      break;
    case FsOperation::Delete:  // a run deletes nothing: the fault never fires
      EXPECT_EQ(calls, 0);
      EXPECT_EQ(faulty.Calls(FsOperation::Delete), 0);
      EXPECT_EQ(got.listing, expected.listing);
      break;
    case FsOperation::LogWrite:  // only the log misses what could not be written
      EXPECT_EQ(got.listing, expected.listing);
      EXPECT_EQ(s.FilesProcessed, c.FilesProcessed);
      EXPECT_EQ(s.Unrenamed, c.Unrenamed);
      if (every) {
        EXPECT_EQ(got.error_log, "");
        EXPECT_EQ(got.rename_log, "");
      } else if (!IsRunLog(recorder.written.at(nth - 1))) {
        EXPECT_EQ(got.error_log, expected.error_log);  // the journal missed a record
        EXPECT_EQ(got.rename_log, expected.rename_log);
      } else {
        const bool error_log_cut = OnePieceMissing(expected.error_log, got.error_log) &&
                                   got.rename_log == expected.rename_log;
        const bool rename_log_cut = OnePieceMissing(expected.rename_log, got.rename_log) &&
                                    got.error_log == expected.error_log;
        EXPECT_TRUE(error_log_cut || rename_log_cut) << got.error_log << got.rename_log;
      }
      break;
    default:
      FAIL() << "operation not covered";
  }
  // Only a failed move, or a directory that can never be searched, leaves a scratch name; a
  // second-stage search that fails once is tried again.
  if (operation.op != FsOperation::Move && !(operation.op == FsOperation::Enumerate && every)) {
    EXPECT_FALSE(HasScratchFile(got));
  }

  // The next run, with the fault gone, leaves every document under an HTML name.
  h.view.journey.clear();
  const Outcome next = RunOnce(h, h.fs);
  EXPECT_EQ(next.end, RunEnd::Completed);
  EXPECT_FALSE(HasScratchFile(next));
  EXPECT_EQ(next.stats.FilesProcessed, static_cast<std::int32_t>(h.originals.size()));
  EXPECT_TRUE(h.NothingLost());
}

std::string CaseName(const ::testing::TestParamInfo<FaultCase>& info) {
  const auto& [operation, error, position] = info.param;
  constexpr const char* kPositions[] = {"First", "Middle", "Last", "EveryCall"};
  return std::string(operation.name) + "_" + error.name + "_" +
         kPositions[static_cast<int>(position)];
}

INSTANTIATE_TEST_SUITE_P(AllOperations, FaultMatrix,
                         ::testing::Combine(::testing::ValuesIn(kOperations),
                                            ::testing::ValuesIn(kErrnos),
                                            ::testing::Values(Position::First, Position::Middle,
                                                              Position::Last, Position::EveryCall)),
                         CaseName);

}  // namespace
}  // namespace qlm::testing
