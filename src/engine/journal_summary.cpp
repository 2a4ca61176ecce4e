#include "engine/journal_summary.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <string_view>
#include <utility>

#include "engine/journal_lines.h"
#include "platform/file_system.h"

namespace qlm {

namespace {

// The run number of a record line "X\t<id>\t...", or -1.
std::int64_t RecordRun(std::string_view line) {
  if (line.size() < 3 || line[1] != '\t') return -1;
  const std::size_t tab = line.find('\t', 2);
  std::int64_t id = -1;
  if (!ParseNumber(line.substr(2, tab == std::string_view::npos ? tab : tab - 2), id)) return -1;
  return id;
}

// The tree an R line names (its ninth field), or 0.
std::int64_t RecordTree(std::string_view line) {
  std::size_t at = 0;
  for (int field = 0; field < 8; ++field) {
    at = line.find('\t', at);
    if (at == std::string_view::npos) return 0;
    ++at;
  }
  std::int64_t tree = 0;
  return ParseNumber(line.substr(at), tree) && tree > 0 ? tree : 0;
}

}  // namespace

namespace {

// How much of the line where reading goes on is kept to recognize the file by.
constexpr std::size_t kMarkSize = 64;

// Reads the journal from `from` (where a line begins) into `summary`. False when `check` and the
// line there does not begin with summary.mark: then the file is another than the one the
// summary was taken of, and the rest of it has been passed over.
bool ReadOn(FileSystem& fs, const std::string& path, JournalSummary& summary, std::uint64_t from,
            bool check) {
  bool first = true;
  bool other = false;
  summary.whole = ForEachLine(
      fs, path,
      [&](std::string_view line, std::uint64_t offset) {
        if (std::exchange(first, false) && check) {
          other = line.substr(0, summary.mark.size()) != summary.mark;
        }
        if (other) return;
        summary.resume = offset;
        summary.mark.assign(line.substr(0, kMarkSize));
        if (line.empty() || (line[0] != 'R' && line[0] != 'M')) return;
        const std::int64_t id = RecordRun(line);
        if (id < 0) return;
        if (line[0] == 'R') {
          summary.highest = std::max(summary.highest, id);
          const std::int64_t tree = RecordTree(line);
          // A tree's runs count as one unit, which begins at the tree's first header.
          const std::uint64_t unit =
              tree > 0 ? summary.trees.emplace(tree, offset).first->second : offset;
          summary.quiet[id] = JournalSummary::Unit{unit, tree};
          return;
        }
        if (id == summary.last_moving) return;  // the usual case: a run's moves stand together
        summary.last_moving = id;
        const auto run = summary.quiet.find(id);
        if (run == summary.quiet.end()) return;
        const JournalSummary::Unit unit = run->second;
        summary.quiet.erase(run);
        if (unit.tree == 0 || summary.moving_trees.insert(unit.tree).second) {
          summary.moves.push_back(unit.offset);
        }
      },
      from);
  return !other && !(check && first);  // a file that ends where the line was is another one
}

// The first kMarkSize bytes of the file (fewer when it is shorter); empty when it cannot be read.
std::string Head(FileSystem& fs, const std::string& path) {
  std::unique_ptr<ReadableFile> file;
  std::string head;
  if (fs.OpenForReading(path, file) != FsError::Ok ||
      file->ReadUpTo(kMarkSize, head) != FsError::Ok) {
    return {};
  }
  return head;
}

}  // namespace

void Summarize(FileSystem& fs, const std::string& path, JournalSummary& summary) {
  FileInfo file;
  std::string head = Head(fs, path);
  const bool same = fs.GetInfo(path, file) == FsError::Ok && summary.whole &&
                    summary.inode == file.inode && file.size >= summary.resume &&
                    head.starts_with(summary.head);
  if (!same || !ReadOn(fs, path, summary, summary.resume, /*check=*/true)) {
    summary = JournalSummary{};
    summary.inode = file.inode;
    summary.head = std::move(head);
    ReadOn(fs, path, summary, 0, /*check=*/false);
  }
  std::sort(summary.moves.begin(), summary.moves.end());  // runs side by side interleave
}

namespace {

constexpr std::string_view kSummaryHeading = "QLM-Journal summary 1";
// A summary file longer than this is not one this program wrote.
constexpr std::size_t kMostSummary = 8 << 20;

std::uint64_t Fnv(std::string_view bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : bytes)
    hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return hash;
}

void AppendHex(std::string& out, std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  for (const char c : bytes) {
    out += kHex[static_cast<unsigned char>(c) >> 4];
    out += kHex[static_cast<unsigned char>(c) & 15];
  }
}

bool ParseHex(std::string_view text, std::string& bytes) {
  if (text.size() % 2 != 0) return false;
  bytes.clear();
  for (std::size_t i = 0; i < text.size(); i += 2) {
    unsigned value = 0;
    if (!ParseNumber(text.substr(i, 2), value, 16)) return false;
    bytes += static_cast<char>(value);
  }
  return true;
}

// The TAB-separated fields of `line` after its first; false when its first is not `tag`.
bool Fields(std::string_view line, std::string_view tag, std::vector<std::string_view>& fields) {
  fields = SplitFields(line);
  if (fields.front() != tag) return false;
  fields.erase(fields.begin());
  return true;
}

// "a:b" or "a:b:c" into numbers.
template <typename... Numbers>
bool ParsePair(std::string_view text, Numbers&... numbers) {
  bool good = true;
  (
      [&](auto& number) {
        const std::size_t colon = text.find(':');
        good = good && ParseNumber(text.substr(0, colon), number);
        text = colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1);
      }(numbers),
      ...);
  return good && text.empty();
}

bool ParseSummary(std::string_view text, JournalSummary& summary) {
  // The last line holds the hash of all before it: a file cut short or changed is not used.
  if (text.empty() || text.back() != '\n') return false;
  text.remove_suffix(1);
  const std::size_t last = text.rfind('\n');
  if (last == std::string_view::npos) return false;
  std::vector<std::string_view> f;
  std::uint64_t hash = 0;
  if (!Fields(text.substr(last + 1), "C", f) || f.size() != 1 || !ParseNumber(f[0], hash, 16) ||
      hash != Fnv(text.substr(0, last + 1))) {
    return false;
  }
  std::vector<std::string_view> lines;
  for (std::string_view rest = text.substr(0, last); !rest.empty();) {
    const std::size_t end = rest.find('\n');
    lines.push_back(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  }
  if (lines.size() != 6 || lines[0] != kSummaryHeading) return false;
  JournalSummary read;
  read.whole = true;
  if (!Fields(lines[1], "J", f) || f.size() != 6 || !ParseNumber(f[0], read.inode) ||
      !ParseNumber(f[1], read.resume) || !ParseNumber(f[2], read.highest) ||
      !ParseNumber(f[3], read.last_moving) || !ParseHex(f[4], read.mark) ||
      !ParseHex(f[5], read.head)) {
    return false;
  }
  if (!Fields(lines[2], "M", f)) return false;
  for (const std::string_view field : f) {
    std::uint64_t offset = 0;
    if (!field.empty() && !ParseNumber(field, offset)) return false;
    if (!field.empty()) read.moves.push_back(offset);
  }
  if (!Fields(lines[3], "Q", f)) return false;
  for (const std::string_view field : f) {
    std::int64_t id = 0;
    JournalSummary::Unit unit{};
    if (!field.empty() && !ParsePair(field, id, unit.offset, unit.tree)) return false;
    if (!field.empty()) read.quiet[id] = unit;
  }
  if (!Fields(lines[4], "T", f)) return false;
  for (const std::string_view field : f) {
    std::int64_t tree = 0;
    std::uint64_t offset = 0;
    if (!field.empty() && !ParsePair(field, tree, offset)) return false;
    if (!field.empty()) read.trees[tree] = offset;
  }
  if (!Fields(lines[5], "S", f)) return false;
  for (const std::string_view field : f) {
    std::int64_t tree = 0;
    if (!field.empty() && !ParseNumber(field, tree)) return false;
    if (!field.empty()) read.moving_trees.insert(tree);
  }
  // Every offset it names lies before where reading goes on.
  if (!std::is_sorted(read.moves.begin(), read.moves.end()) ||
      (!read.moves.empty() && read.moves.back() > read.resume)) {
    return false;
  }
  summary = std::move(read);
  return true;
}

}  // namespace

std::string SummaryPath(const std::string& journal_path) {
  const std::size_t dot = journal_path.rfind('.');
  return journal_path.substr(0, dot) + ".idx";
}

bool LoadSummary(FileSystem& fs, const std::string& journal_path, JournalSummary& summary) {
  std::unique_ptr<ReadableFile> file;  // never through a link
  if (fs.OpenForReading(SummaryPath(journal_path), file) != FsError::Ok) return false;
  std::string text;
  return file->ReadUpTo(kMostSummary + 1, text) == FsError::Ok && text.size() <= kMostSummary &&
         ParseSummary(text, summary);
}

void SaveSummary(FileSystem& fs, const std::string& journal_path, const JournalSummary& summary) {
  if (!summary.whole) return;
  std::string text(kSummaryHeading);
  text += "\nJ\t" + std::to_string(summary.inode) + '\t' + std::to_string(summary.resume) + '\t' +
          std::to_string(summary.highest) + '\t' + std::to_string(summary.last_moving) + '\t';
  AppendHex(text, summary.mark);
  text += '\t';
  AppendHex(text, summary.head);
  text += "\nM";
  for (const std::uint64_t offset : summary.moves)
    text += '\t' + std::to_string(offset);
  text += "\nQ";
  for (const auto& [id, unit] : summary.quiet) {
    text += '\t' + std::to_string(id) + ':' + std::to_string(unit.offset) + ':' +
            std::to_string(unit.tree);
  }
  text += "\nT";
  for (const auto& [tree, offset] : summary.trees)
    text += '\t' + std::to_string(tree) + ':' + std::to_string(offset);
  text += "\nS";
  for (const std::int64_t tree : summary.moving_trees)
    text += '\t' + std::to_string(tree);
  text += '\n';
  char hash[24];
  char* hash_end = std::to_chars(hash, hash + sizeof hash, Fnv(text), 16).ptr;
  text += "C\t";
  text.append(hash, static_cast<std::size_t>(hash_end - hash));
  text += '\n';
  fs.ReplaceFileAtomically(SummaryPath(journal_path), text);
}

}  // namespace qlm
