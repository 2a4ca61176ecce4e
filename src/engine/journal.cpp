#include "engine/journal.h"

#include <charconv>
#include <cstdio>

#include "platform/clock.h"
#include "platform/file_system.h"

namespace qlm {

namespace {

constexpr std::size_t kChunk = 64 * 1024;

// Calls `line(text, offset)` for every line of the file (without its LF). Returns false when
// the file cannot be opened or a read fails (the lines before it have been delivered). Reads
// in chunks, so a large journal costs little memory.
template <typename Callback>
bool ForEachLine(FileSystem& fs, const std::string& path, Callback line) {
  std::unique_ptr<ReadableFile> file;
  if (fs.OpenForReading(path, file) != FsError::Ok) return false;
  std::string pending;  // a line begun in an earlier chunk
  std::uint64_t pending_offset = 0;
  std::uint64_t offset = 0;
  std::string chunk(kChunk, '\0');
  for (;;) {
    std::size_t got = 0;
    if (file->Read(chunk.data(), chunk.size(), got) != FsError::Ok) return false;
    if (got == 0) break;
    const std::string_view text(chunk.data(), got);
    std::size_t start = 0;
    // Lines within the chunk are handed over where they stand: a journal of many runs is
    // read at every run's start, so no line is copied that need not be.
    for (std::size_t end; (end = text.find('\n', start)) != std::string_view::npos;
         start = end + 1) {
      if (pending.empty()) {
        line(text.substr(start, end - start), offset + start);
        continue;
      }
      pending.append(text.substr(start, end - start));
      line(std::string_view(pending), pending_offset);
      pending.clear();
    }
    if (start < got) {
      if (pending.empty()) pending_offset = offset + start;
      pending.append(text.substr(start));
    }
    offset += got;
  }
  if (!pending.empty()) line(std::string_view(pending), pending_offset);
  return true;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

template <typename Number>
void AppendNumber(std::string& out, Number value) {
  char digits[24];
  const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, end);
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

void AppendJournalField(std::string& out, std::string_view field) {
  static constexpr char kHex[] = "0123456789ABCDEF";
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

std::vector<JournalRun> ReadJournal(FileSystem& fs, const std::string& path, bool with_moves,
                                    std::int64_t only_run, std::vector<std::string>& warnings) {
  std::vector<JournalRun> runs;
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
    if (f[0] == "R" && f.size() == 5) {
      auto directory = UnescapeJournalField(f[4]);
      if (!directory) return skip("bad directory");
      runs.push_back(JournalRun{id, std::string(f[2]), std::string(f[3]), *directory, false, {}});
    } else if (f[0] == "E" && f.size() == 2) {
      if (!runs.empty() && runs.back().id == id) runs.back().ended = true;
    } else if (f[0] == "M" && f.size() == 9) {
      if (runs.empty() || runs.back().id != id) return skip("move outside its run");
      if (!with_moves || id != only_run) return;
      JournalMove move;
      auto from = UnescapeJournalField(f[3]);
      auto to = UnescapeJournalField(f[4]);
      if (f[2].size() != 1 || !from || !to || !ParseNumber(f[5], move.device) ||
          !ParseNumber(f[6], move.inode) || !ParseNumber(f[7], move.size) ||
          !ParseNumber(f[8], move.mtime_ns)) {
        return skip("unreadable move");
      }
      move.step = f[2][0];
      move.from = std::move(*from);
      move.to = std::move(*to);
      runs.back().moves.push_back(std::move(move));
    } else {
      skip("unknown record");
    }
  });
  return runs;
}

RunJournal::RunJournal(FileSystem& fs, const Clock& clock, std::string program_directory,
                       std::string kind)
    : fs_(fs),
      clock_(clock),
      path_(program_directory + std::string(kJournalName)),
      kind_(std::move(kind)),
      failed_(program_directory.empty()) {}

RunJournal::~RunJournal() = default;

bool RunJournal::Begin(const std::string& directory) {
  // One pass over the headers: the next run number, and where the runs to keep begin.
  std::vector<std::uint64_t> starts;
  ForEachLine(fs_, path_, [&](std::string_view line, std::uint64_t offset) {
    if (line.size() < 2 || line[0] != 'R' || line[1] != '\t') return;
    std::int64_t id = 0;
    const std::vector<std::string_view> f = SplitFields(line);
    if (f.size() >= 2 && ParseNumber(f[1], id) && id > id_) id_ = id;
    starts.push_back(offset);
  });
  ++id_;
  if (starts.size() >= static_cast<std::size_t>(kJournalRuns)) {
    const std::uint64_t keep = starts[starts.size() - (kJournalRuns - 1)];
    std::string tail;
    const bool whole = ForEachLine(fs_, path_, [&](std::string_view line, std::uint64_t offset) {
      if (offset < keep) return;
      tail.append(line);
      tail += '\n';
    });
    // A journal that could not be read to its end stays as it is: replacing it with the part
    // that was read would drop the runs it still has to keep.
    if (whole) fs_.ReplaceFileAtomically(path_, tail);
  }
  if (fs_.OpenLog(path_, file_) != FsError::Ok || file_->Size(offset_) != FsError::Ok) {
    file_.reset();
    return false;
  }
  Append("R\t" + std::to_string(id_) + "\t" + kind_ + "\t" + Timestamp(clock_) + "\t" +
         EscapeJournalField(directory) + "\n");
  return true;
}

void RunJournal::Append(const std::string& record) {
  if (file_ && file_->WriteAt(offset_, record) == FsError::Ok) offset_ += record.size();
}

void RunJournal::RecordMove(const std::string& directory, char step, std::string_view from,
                            std::string_view to, const FileInfo& moved) {
  if (failed_) return;
  if (!file_ && !Begin(directory)) {
    failed_ = true;  // no journal this run; the run itself goes on
    return;
  }
  // One buffer for every record of the run: a run writes one or two per file.
  std::string& record = record_;
  record.assign("M\t");
  AppendNumber(record, id_);
  record += '\t';
  record += step;
  record += '\t';
  AppendJournalField(record, from);
  record += '\t';
  AppendJournalField(record, to);
  for (const std::uint64_t number : {moved.device, moved.inode, moved.size}) {
    record += '\t';
    AppendNumber(record, number);
  }
  record += '\t';
  AppendNumber(record, moved.mtime_ns);
  record += '\n';
  Append(record);
}

void RunJournal::End() {
  if (!file_) return;
  Append("E\t" + std::to_string(id_) + "\n");
  file_->Sync();
  file_.reset();
}

}  // namespace qlm
