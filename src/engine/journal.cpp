#include "engine/journal.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>

#include "common/byte_words.h"
#include "engine/journal_lines.h"
#include "engine/journal_summary.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/path.h"

namespace qlm {

namespace {

// The journal's locks (see LogFile::Lock): every run writing holds kActive shared; a trim
// needs it exclusive, so it happens only while no other run writes. kAllot is held exclusive
// while a run finds the next run number and writes its header.
constexpr int kActive = 0;
constexpr int kAllot = 1;

// A name that stays inside its directory: not empty, no separator, not "." or "..", no NUL.
bool IsPlainName(std::string_view name) {
  return path::IsPlainName(name) && name.find('\0') == std::string_view::npos &&
         std::none_of(name.begin(), name.end(), path::IsSeparator);
}

std::string Timestamp(const Clock& clock) {
  const LocalTime t = clock.Now();
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

}  // namespace

std::string EscapeJournalField(std::string_view field) {
  std::string out;
  AppendJournalField(out, field);
  return out;
}

namespace {

// True when the field holds nothing to escape: no control byte, DEL or backslash. Checked eight
// bytes at a time, since every record holds two names.
bool IsPlainField(std::string_view field) {
  return !words::AnyByte(
      field,
      [](std::uint64_t word) {
        return words::HasByteBelow(word, 0x20) || words::HasByte(word, 0x7F) ||
               words::HasByte(word, '\\');
      },
      [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F || c == '\\';
      });
}

}  // namespace

void AppendJournalField(std::string& out, std::string_view field) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  if (IsPlainField(field)) {  // nearly every name: nothing to escape
    out.append(field);
    return;
  }
  out.reserve(out.size() + field.size());
  for (const char c : field) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          out += "\\x";
          out += kHex[byte >> 4];
          out += kHex[byte & 15];
        } else {
          out += c;
        }
    }
  }
}

std::optional<std::string> UnescapeJournalField(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\') {
      out += field[i];
      continue;
    }
    if (++i == field.size()) return std::nullopt;
    switch (field[i]) {
      case '\\':
        out += '\\';
        break;
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 'x': {
        unsigned value = 0;
        if (i + 2 >= field.size()) return std::nullopt;  // two hex digits must follow
        const auto [end, error] =
            std::from_chars(field.data() + i + 1, field.data() + i + 3, value, 16);
        if (error != std::errc() || end != field.data() + i + 3) return std::nullopt;
        out += static_cast<char>(value);
        i += 2;
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return out;
}

std::vector<JournalRun> ReadJournal(FileSystem& fs, const std::string& path,
                                    const std::vector<std::int64_t>& with_moves,
                                    std::vector<std::string>& warnings) {
  std::vector<JournalRun> runs;
  std::map<std::int64_t, std::size_t> index;  // run id -> its place in `runs`
  std::size_t number = 0;
  ForEachLine(fs, path, [&](std::string_view line, std::uint64_t) {
    ++number;
    if (line.empty()) return;
    const std::vector<std::string_view> f = SplitFields(line);
    const auto skip = [&](const char* why) {
      warnings.push_back(std::string(kJournalName) + " line " + std::to_string(number) +
                         " skipped: " + why);
    };
    std::int64_t id = 0;
    if (f.size() < 2 || !ParseNumber(f[1], id)) return skip("no run number");
    if (f[0] == "R" && (f.size() == 5 || f.size() == 8 || f.size() == 9)) {
      auto directory = UnescapeJournalField(f[4]);
      if (!directory || !path::IsAbsolute(*directory) || directory->empty() ||
          !path::IsSeparator(directory->back()))
        return skip("bad directory");
      if (index.count(id) != 0) return skip("run number used twice");
      JournalRun run;
      run.id = id;
      run.kind = f[2];
      run.started = f[3];
      run.directory = *directory;
      if (f.size() == 9 && (!ParseNumber(f[8], run.tree) || run.tree <= 0)) {
        return skip("bad tree run");
      }
      if (f.size() >= 8) {
        if (!ParseNumber(f[5], run.directory_inode)) return skip("bad directory inode");
        run.extension = std::string(f[6]);
        if (f[7] != "-") {
          for (std::string_view rest = f[7]; !rest.empty();) {
            const std::size_t comma = rest.find(',');
            std::int64_t undone = 0;
            if (!ParseNumber(rest.substr(0, comma), undone)) return skip("bad undone run");
            run.undoes.push_back(undone);
            rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
          }
        }
      }
      index[id] = runs.size();
      runs.push_back(std::move(run));
    } else if (f[0] == "E" && f.size() == 2) {
      if (const auto it = index.find(id); it != index.end()) runs[it->second].ended = true;
    } else if (f[0] == "M" && (f.size() == 8 || f.size() == 9)) {
      const auto it = index.find(id);
      if (it == index.end()) return skip("move outside its run");
      JournalRun& run = runs[it->second];
      // The older form also holds the device (a re-plugged disk may change it: not used).
      const std::size_t at = f.size() == 9 ? 6 : 5;
      JournalMove move;
      auto from = UnescapeJournalField(f[3]);
      auto to = UnescapeJournalField(f[4]);
      if (f[2].size() != 1 || !from || !to || !ParseNumber(f[at], move.inode) ||
          !ParseNumber(f[at + 1], move.size) || !ParseNumber(f[at + 2], move.mtime_ns)) {
        return skip("unreadable move");
      }
      if (!IsPlainName(*from) || !IsPlainName(*to)) return skip("a name that is not a plain name");
      ++run.move_count;
      if (std::find(with_moves.begin(), with_moves.end(), id) == with_moves.end()) return;
      move.step = f[2][0];
      move.from = std::move(*from);
      move.to = std::move(*to);
      run.moves.push_back(std::move(move));
    } else {
      skip("unknown record");
    }
  });
  return runs;
}

RunJournal::RunJournal(FileSystem& fs, const Clock& clock, std::string program_directory,
                       std::string kind, std::string directory, std::uint64_t directory_inode,
                       std::string extension, std::vector<std::int64_t> undoes, JournalTree* tree)
    : fs_(fs),
      clock_(clock),
      path_(program_directory.empty() ? std::string()
                                      : program_directory + std::string(kJournalName)),
      tree_(tree),
      failed_(program_directory.empty()) {
  header_ = kind + "\t" + Timestamp(clock_) + "\t" + EscapeJournalField(directory) + "\t" +
            std::to_string(directory_inode) + "\t" + (extension.empty() ? "-" : extension) + "\t";
  if (undoes.empty()) header_ += '-';
  for (std::size_t i = 0; i < undoes.size(); ++i) {
    if (i > 0) header_ += ',';
    header_ += std::to_string(undoes[i]);
  }
}

RunJournal::~RunJournal() = default;

// Opens the journal and takes the shared lock of a writing run, on the file its path names now
// (a trim by another run may have replaced the file opened).
bool RunJournal::OpenAndShare() {
  for (int attempt = 0; attempt < 5; ++attempt) {
    file_.reset();
    if (fs_.OpenLog(path_, file_) != FsError::Ok || !file_) return false;
    if (file_->Lock(kActive, /*exclusive=*/false, /*wait=*/true) != FsError::Ok) return false;
    if (file_->StillAtPath()) return true;
  }
  return false;
}

JournalTree::JournalTree(std::int64_t id) : id_(id) {}
JournalTree::~JournalTree() = default;

bool RunJournal::Begin() {
  if (!OpenAndShare()) return false;
  if (file_->Lock(kAllot, /*exclusive=*/true, /*wait=*/true) != FsError::Ok) return false;
  std::uint64_t size = 0;
  JournalSummary own;
  const bool tree_read = tree_ != nullptr && tree_->read_;
  JournalSummary& summary = tree_read ? *tree_->read_ : own;
  if (file_->Size(size) != FsError::Ok || size > 0) {
    // What the run before read of it: Summarize reads on from there when it is still this
    // file. (An empty journal, one removed and made afresh say, has nothing to read on.)
    if (!tree_read) LoadSummary(fs_, path_, summary);
    Summarize(fs_, path_, summary);
  }
  // Alone (no other run writes the journal), the oldest runs may be dropped. Its readers hold
  // no lock: a reader sees the old file or the new one, whole. A journal that could not be
  // read to its end stays as it is: cutting it where the part read suggests could drop runs
  // it still has to keep.
  if (file_->Lock(kActive, /*exclusive=*/true, /*wait=*/false) == FsError::Ok) {
    if (summary.whole && summary.moves.size() >= static_cast<std::size_t>(kJournalTrimAt)) {
      // Every record is a line break and the record: the file from the line break before the
      // first header kept.
      const std::uint64_t keep = summary.moves[summary.moves.size() - (kJournalRuns - 1)];
      const std::uint64_t from = keep > 0 ? keep - 1 : 0;
      FsError replaced = fs_.ReplaceWithTail(path_, from);
      if (replaced == FsError::SharingViolation) {
        // A system that replaces no open file: ours goes. The replace succeeds only if no
        // other run has the file open either, so none can be writing to the old one.
        file_.reset();
        replaced = fs_.ReplaceWithTail(path_, from);
      }
      // The new file (or the old one, reopened): its own locks, and its highest number read
      // again under them.
      if (replaced == FsError::Ok || !file_) {
        if (!OpenAndShare() ||
            file_->Lock(kAllot, /*exclusive=*/true, /*wait=*/true) != FsError::Ok) {
          return false;
        }
        Summarize(fs_, path_, summary);  // a new file is read from its beginning
      }
    }
    file_->Lock(kActive, /*exclusive=*/false, /*wait=*/true);  // a writer among others again
  }
  // The next run reads on from here; a tree's later runs keep reading on in memory.
  if (!tree_read) SaveSummary(fs_, path_, summary);
  id_ = summary.highest + 1;
  std::string record = "\nR\t" + std::to_string(id_) + "\t" + header_;
  if (tree_ != nullptr) {
    if (tree_->id_ == 0) tree_->id_ = id_;
    record += '\t';
    record += std::to_string(tree_->id_);
  }
  const bool written = file_->Append(record) == FsError::Ok;
  file_->Unlock(kAllot);
  // The next run of the tree reads on from here (it also reads this header again).
  if (tree_ != nullptr && !tree_->read_) tree_->read_ = std::make_unique<JournalSummary>(own);
  return written;
}

bool RunJournal::Announce() {
  if (failed_) return false;
  if (!file_ && !Begin()) {
    failed_ = true;
    file_.reset();
  }
  return !failed_;
}

bool RunJournal::Intend(char step, std::string_view from, std::string_view to,
                        const FileInfo& identity) {
  if (!Announce()) return false;
  record_.clear();  // one buffer for every record of the run
  AppendRecord(step, from, to, identity);
  if (file_->Append(record_) != FsError::Ok) failed_ = true;
  return !failed_;
}

bool RunJournal::IntendAll(const std::vector<Intent>& intents) {
  if (intents.empty()) return !failed_;
  if (!Announce()) return false;
  record_.clear();
  for (const Intent& intent : intents)
    AppendRecord(intent.step, intent.from, intent.to, *intent.identity);
  if (file_->Append(record_) != FsError::Ok) failed_ = true;
  return !failed_;
}

void RunJournal::AppendRecord(char step, std::string_view from, std::string_view to,
                              const FileInfo& identity) {
  // The fields around the names are put together on the stack and appended at once: a run
  // writes a record or two for every file.
  char head[48] = {'\n', 'M', '\t'};
  char* at = std::to_chars(head + 3, head + sizeof head - 3, id_).ptr;
  *at++ = '\t';
  *at++ = step;
  *at++ = '\t';
  record_.append(head, at);
  AppendJournalField(record_, from);
  record_ += '\t';
  AppendJournalField(record_, to);
  char tail[72];  // three numbers of at most 20 characters, each after a TAB
  at = tail;
  for (const std::uint64_t number : {identity.inode, identity.size}) {
    *at++ = '\t';
    at = std::to_chars(at, tail + sizeof tail, number).ptr;
  }
  *at++ = '\t';
  at = std::to_chars(at, tail + sizeof tail, identity.mtime_ns).ptr;
  record_.append(tail, at);
}

void RunJournal::End() {
  if (!file_) return;
  if (!failed_) file_->Append("\nE\t" + std::to_string(id_));
  file_->Sync();
  file_.reset();
}

}  // namespace qlm
