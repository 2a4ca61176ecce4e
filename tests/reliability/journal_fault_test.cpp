// The run journal is trimmed to its last runs when a run starts. A read of the old journal
// that fails part-way (or cannot open it a second time) must not replace it with the part
// that was read: the runs it keeps are what an undo needs.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "engine/journal.h"
#include "platform/fault_injecting_file_system.h"
#include "support/engine_harness.h"

namespace qlm::testing {
namespace {

// A journal of `runs` whole runs, numbered 1..runs.
std::string OldJournal(int runs) {
  std::string text;
  for (int id = 1; id <= runs; ++id) {
    const std::string n = std::to_string(id);
    text += "R\t" + n + "\tdir\t2003-12-01 10:00:00\t/old/run" + n + "\n";
    text += "M\t" + n + "\t1\t/old/run" + n + "/a.htm\t/old/run" + n + "/A.qlm\t1\t2\t3\t4\n";
    text += "E\t" + n + "\n";
  }
  return text;
}

TEST(JournalFaults, AFailedReadNeverDropsTheRunsToKeep) {
  constexpr int kOldRuns = kJournalTrimAt + 5;
  // Every read and open call of a run is failed in turn, the journal's two passes included.
  for (const FsOperation op : {FsOperation::Read, FsOperation::Open}) {
    for (int nth = 1; nth <= 8; ++nth) {
      EngineHarness h;
      h.AddPage("a.htm", "Intro");
      h.AddPage("b.htm", "Garden");
      const std::string journal = h.program / std::string(kJournalName);
      WriteFile(journal, OldJournal(kOldRuns));
      FaultInjectingFileSystem faulty(h.fs);
      faulty.FailCall(op, nth, EIO);
      h.RunDirectory(&faulty);
      EXPECT_TRUE(h.NothingLost());

      // The runs a trim keeps (the newest kJournalRuns - 1) are all still there, whole.
      const std::string after = ReadFile(journal);
      for (int id = kOldRuns - kJournalRuns + 2; id <= kOldRuns; ++id) {
        const std::string n = std::to_string(id);
        EXPECT_NE(after.find("R\t" + n + "\tdir\t"), std::string::npos)
            << "run " << id << " lost when call " << nth << " failed";
        EXPECT_NE(after.find("\nE\t" + n + "\n"), std::string::npos) << "run " << id;
      }
    }
  }
}

}  // namespace
}  // namespace qlm::testing
