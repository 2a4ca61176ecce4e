// The run journal QLM-Journal.txt: every move a run or an undo makes, written before the move
// is made, so that the names can be put back later, after a crash too. Plain text, one record
// per line (each record is appended as a line break followed by the record, so that a record
// cut short by a full disk can never run into the next one), fields separated by TAB; a
// backslash, TAB, CR, LF or other control byte in a field is escaped (\\, \t, \r, \n, \xHH):
//
//   R <id> <kind> <start YYYY-MM-DD HH:MM:SS> <directory/> <directory inode> <extension>
//     <undoes> [<tree>]
//       a run began: kind dir, file or undo; the directory's inode (0 when unknown); the final
//       extension the run gives (.htm or .html); for an undo the runs it puts back
//       (comma-separated ids), else "-"; for a run that is one directory of a tree run
//       (quillomat-cli --recursive, or the undo of one), the tree's number: the id of its
//       first journaled run. Older journals hold the form without <tree>, and a still older
//       one only the first five fields.
//   M <id> <step> <from> <to> <inode> <size> <mtime ns>
//       a move about to be made within the run's directory: the names are plain names, the
//       identity the file's as the run last read it. Whether the move was made is read from
//       the disk (where the file with that identity is) when the journal is read.
//       step: 1 first stage, 2 second stage, L a scratch file left by an interrupted run given
//       back its name, S single-file run, U undo.
//   E <id>                                                    the run ended normally
//
// A file a run gives back its own name (it passes through the scratch name of its own name and
// returns unchanged) is not journaled at all. Runs sharing a program directory append to the
// journal side by side: every record lands whole, run numbers are unique (allotted under an
// exclusive lock), and the journal keeps at least the last 20 runs that moved something, the
// runs of one tree counting as one: when a run starts while no other run is writing and the
// journal holds 40, the older ones are dropped, so that the file is rewritten once in 20 runs
// rather than at every run. Beside it, QLM-Journal.idx keeps what the last run to start read of
// it, so that a run reads only what was added since instead of the whole journal.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"

namespace qlm {

class Clock;
class FileSystem;
class LogFile;
struct FileInfo;
struct JournalSummary;

inline constexpr std::string_view kJournalName = "QLM-Journal.txt";
inline constexpr int kJournalRuns = 20;    // kept at least
inline constexpr int kJournalTrimAt = 40;  // dropping the older ones once it holds this many

struct JournalMove {
  char step = '1';
  std::string from;
  std::string to;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t mtime_ns = 0;
};

struct JournalRun {
  std::int64_t id = 0;
  std::string kind;
  std::string started;
  std::string directory;              // ends in '/'
  std::uint64_t directory_inode = 0;  // 0 when the journal did not record it
  std::string extension;              // "" when the journal did not record it
  std::vector<std::int64_t> undoes;   // an undo's runs
  std::int64_t tree = 0;              // the tree run it is part of; 0 for none
  bool ended = false;
  std::size_t move_count = 0;
  std::vector<JournalMove> moves;  // filled only for the runs asked for
};

// The runs of one tree run share one JournalTree, one after another: each names the tree in
// its header, and each reads only what was added to the journal since the one before it read
// it (a tree's own runs make the journal longer with every directory, and reading it whole at
// each would cost time in proportion to the tree's size, for every directory).
class JournalTree {
 public:
  // A new tree: it takes the number of its first run that writes a header. Or the tree `id`
  // (a tree that is continued: an interrupted undo of a tree being finished).
  explicit JournalTree(std::int64_t id = 0);
  ~JournalTree();
  JournalTree(const JournalTree&) = delete;
  JournalTree& operator=(const JournalTree&) = delete;

  // The tree's number; 0 while none of its runs has written a header.
  std::int64_t id() const { return id_; }

 private:
  friend class RunJournal;
  std::int64_t id_ = 0;
  std::unique_ptr<JournalSummary> read_;  // what the tree's runs have read of the journal
};

// What a run writes. The header is written before the run's first move, so a run that moves
// nothing leaves no trace.
class RunJournal {
 public:
  // `program_directory` ends in '/'; when it is empty there is no journal and nothing is
  // written. `directory` (ending in '/') is where the run works. `tree`, when given, is the
  // tree run this run is part of; it must outlive the RunJournal.
  RunJournal(FileSystem& fs, const Clock& clock, std::string program_directory, std::string kind,
             std::string directory, std::uint64_t directory_inode, std::string extension,
             std::vector<std::int64_t> undoes = {}, JournalTree* tree = nullptr);
  ~RunJournal();
  RunJournal(const RunJournal&) = delete;
  RunJournal& operator=(const RunJournal&) = delete;

  // Records that `from` is about to become `to` (the file being `identity`), before the move
  // is made. False when the journal cannot be written: the first failure, and every call after
  // it, which then writes nothing. The run goes on either way.
  bool Intend(char step, std::string_view from, std::string_view to, const FileInfo& identity);
  // One move of IntendAll.
  struct Intent {
    char step;
    std::string_view from;
    std::string_view to;
    const FileInfo* identity;
  };
  // Intend for several moves about to be made, in one write: each must still be made after
  // all of them are recorded (a record of a move not made yet reads as a move not made).
  bool IntendAll(const std::vector<Intent>& intents);
  // Writes the run's header if it is not written yet, before a move that is not journaled
  // itself: should the run be killed, the journal still tells that it was (and what final
  // extension it gave), so its scratch files can be given back their names. As Intend, false
  // when the journal cannot be written.
  bool Announce();
  // Writes the end record and syncs the file (only when the run was recorded).
  void End();
  // True when a program directory was given (a journal is expected at all).
  bool expected() const { return !path_.empty(); }
  // The run's number; 0 while its header is not written.
  std::int64_t id() const { return id_; }

 private:
  bool Begin();
  bool OpenAndShare();
  // Appends one move's record to record_.
  void AppendRecord(char step, std::string_view from, std::string_view to,
                    const FileInfo& identity);

  FileSystem& fs_;
  const Clock& clock_;
  std::string path_;
  std::string header_;  // the R record's fields after its id (the tree's aside)
  JournalTree* tree_ = nullptr;
  std::unique_ptr<LogFile> file_;
  std::int64_t id_ = 0;
  bool failed_ = false;
  std::string record_;
};

// Reads the journal at `path`: every run's header (with its move count), and the moves of the
// runs in `with_moves` only. Lines that cannot be read (a bad field, a name that is not a plain
// name, a move outside its run) are skipped and described in `warnings`. A missing journal
// gives no runs.
std::vector<JournalRun> ReadJournal(FileSystem& fs, const std::string& path,
                                    const std::vector<std::int64_t>& with_moves,
                                    std::vector<std::string>& warnings);

// A field as the journal holds it, and back.
std::string EscapeJournalField(std::string_view field);
void AppendJournalField(std::string& out, std::string_view field);
std::optional<std::string> UnescapeJournalField(std::string_view field);

}  // namespace qlm
