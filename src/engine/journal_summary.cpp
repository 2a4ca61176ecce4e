#include "engine/journal_summary.h"

#include <algorithm>

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

void Summarize(FileSystem& fs, const std::string& path, JournalSummary& summary) {
  FileInfo file;
  const bool same = fs.GetInfo(path, file) == FsError::Ok && summary.whole &&
                    summary.inode == file.inode && file.size >= summary.resume;
  if (!same) summary = JournalSummary{};
  summary.inode = file.inode;
  summary.whole = ForEachLine(
      fs, path,
      [&](std::string_view line, std::uint64_t offset) {
        summary.resume = offset;
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
      same ? summary.resume : 0);
  std::sort(summary.moves.begin(), summary.moves.end());  // runs side by side interleave
}

}  // namespace qlm
