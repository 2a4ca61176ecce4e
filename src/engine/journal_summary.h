// The summary of the journal a run takes when it starts: the highest run number, and where the
// units it keeps begin (internal to the engine).
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace qlm {

class FileSystem;

// What a run needs to know of the journal when it starts, from one pass over it; a JournalTree
// keeps it, so that the next run of the tree reads on from where this pass stopped.
struct JournalSummary {
  bool whole = false;                // read to its end
  std::int64_t highest = 0;          // the highest run number
  std::vector<std::uint64_t> moves;  // offsets of the first headers of the units that moved
                                     // something (a run, or all the runs of one tree)
  // To read on later: which file was read, and the offset of its last line (read again, as a
  // record being appended may have been read cut short).
  std::uint64_t inode = 0;
  std::uint64_t resume = 0;
  // The first bytes of that line as they were read: reading on starts only where they are found
  // again, so that a summary kept from an earlier run is never applied to another file.
  std::string mark;
  // The file's first bytes: a file that only happens to hold those bytes where reading goes on
  // (a journal trimmed twice by another build may get the inode number of the one summarized)
  // begins otherwise.
  std::string head;
  struct Unit {
    std::uint64_t offset;  // of its first header
    std::int64_t tree;     // 0: the run alone
  };
  std::map<std::int64_t, Unit> quiet;           // runs without a move so far
  std::map<std::int64_t, std::uint64_t> trees;  // tree -> the offset of its first header
  std::set<std::int64_t> moving_trees;          // trees counted in `moves`
  std::int64_t last_moving = -1;
};

// Reads the journal at `path` into `summary`: on from where it was read last when it is still
// the same file (a trim replaces it), else from its beginning. The runs of one tree count as
// one unit, which begins at the tree's first header.
void Summarize(FileSystem& fs, const std::string& path, JournalSummary& summary);

// The file beside the journal at `journal_path` where a run keeps its summary, so that the next
// run reads on from where this one stopped instead of reading the whole journal again.
std::string SummaryPath(const std::string& journal_path);
// Fills `summary` from the file SaveSummary wrote; false (and `summary` left as it was) when
// there is none or it is not whole. Summarize checks that it still fits the journal.
bool LoadSummary(FileSystem& fs, const std::string& journal_path, JournalSummary& summary);
// Keeps `summary` (of a journal read to its end) beside the journal; a failure only means that
// the next run reads the whole journal.
void SaveSummary(FileSystem& fs, const std::string& journal_path, const JournalSummary& summary);

}  // namespace qlm
