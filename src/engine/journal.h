// The run journal QLM-Journal.txt: every move a run makes, as it happens, so that the names
// can be put back later (even after a crash). Plain text, one record per line, fields
// separated by TAB; a backslash, TAB, CR, LF or other control byte in a field is escaped
// (\\, \t, \r, \n, \xHH):
//
//   R <id> <kind> <start YYYY-MM-DD HH:MM:SS> <directory>     a run began (kind: dir, file, undo)
//   M <id> <step> <from> <to> <device> <inode> <size> <mtime ns>
//       one completed move within the run's directory; the identity is the moved file's as
//       the run last read it (a rename changes none of it).
//       step: 1 first stage, 2 second stage, L leftover scratch file given back its name,
//       S single-file run, U undo
//   E <id>                                                    the run ended normally
//
// The journal keeps the last 20 runs: older ones are dropped when a run starts.
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

inline constexpr std::string_view kJournalName = "QLM-Journal.txt";
inline constexpr int kJournalRuns = 20;

struct JournalMove {
  char step = '1';
  std::string from;
  std::string to;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t mtime_ns = 0;
};

struct JournalRun {
  std::int64_t id = 0;
  std::string kind;
  std::string started;
  std::string directory;  // ends in '/'
  bool ended = false;
  std::vector<JournalMove> moves;
};

// Writes one run's records. The run's header is written with its first move, so a run that
// moves nothing leaves no trace. Every record is one write, made before the run goes on.
class RunJournal {
 public:
  // `program_directory` ends in '/'; when it is empty there is no journal and nothing is
  // written.
  RunJournal(FileSystem& fs, const Clock& clock, std::string program_directory, std::string kind);
  ~RunJournal();
  RunJournal(const RunJournal&) = delete;
  RunJournal& operator=(const RunJournal&) = delete;

  // Records that `from` became `to` in `directory` (ends in '/'), the file being `moved`
  // (as MoveAndDescribe describes it). Failures are ignored: the journal never stops a run.
  void RecordMove(const std::string& directory, char step, std::string_view from,
                  std::string_view to, const FileInfo& moved);
  // Writes the end record and syncs the file (only when the run was recorded).
  void End();

 private:
  bool Begin(const std::string& directory);
  void Append(const std::string& record);

  FileSystem& fs_;
  const Clock& clock_;
  std::string path_;
  std::string kind_;
  std::unique_ptr<LogFile> file_;
  std::uint64_t offset_ = 0;
  std::int64_t id_ = 0;
  bool failed_ = false;
  std::string record_;
};

// Reads the journal at `path`: the run headers only (moves left empty) when `with_moves` is
// false, else only the moves of the run `only_run`. Lines that cannot be read are skipped and
// described in `warnings`. A missing journal gives no runs.
std::vector<JournalRun> ReadJournal(FileSystem& fs, const std::string& path, bool with_moves,
                                    std::int64_t only_run, std::vector<std::string>& warnings);

// A field as the journal holds it, and back.
std::string EscapeJournalField(std::string_view field);
void AppendJournalField(std::string& out, std::string_view field);
std::optional<std::string> UnescapeJournalField(std::string_view field);

}  // namespace qlm
