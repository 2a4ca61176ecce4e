#include "cli/text_output.h"

#include <cinttypes>

#include "cli/terminal_view.h"
#include "common/text.h"

namespace qlm::cli {

namespace {

// The six counters, one a line.
void PrintCounters(std::FILE* out, std::int64_t files, std::int64_t unrenamed,
                   std::int64_t user_renamed, std::int64_t read_errors, std::int64_t title_errors,
                   std::int64_t backup_errors) {
  std::fprintf(out,
               "Files processed: %" PRId64 "\nUnrenamed (U): %" PRId64
               "\nUser-renamed (M): %" PRId64 "\nRead errors (R): %" PRId64
               "\nTitle errors (T): %" PRId64 "\nBackup errors (B): %" PRId64 "\n",
               files, unrenamed, user_renamed, read_errors, title_errors, backup_errors);
}

const char* StatusWord(DirectoryReport::Status status) {
  switch (status) {
    case DirectoryReport::Status::Completed:
      return "Completed";
    case DirectoryReport::Status::Aborted:
      return "Aborted";
    case DirectoryReport::Status::EndedEarly:
      return "Ended early";
    case DirectoryReport::Status::Skipped:
      return "Not entered";
  }
  return "";
}

}  // namespace

std::string DescribeFileEvent(const FileEvent& event) {
  std::string line;
  AppendFileEvent(line, event);
  return line;
}

void AppendFileEvent(std::string& out, const FileEvent& event) {
  const auto reason = [&](std::string_view before, std::string_view after) {
    out += before;
    AppendSafeForDisplay(out, event.reason);
    out += after;
  };
  AppendSafeForDisplay(out, event.old_name);
  switch (event.outcome) {
    case FileEvent::Outcome::Failed:
      out += ": stays as ";
      AppendSafeForDisplay(out, event.new_name);
      return reason(" (", ")");
    case FileEvent::Outcome::Recovered:
      out += " -> ";
      AppendSafeForDisplay(out, event.new_name);
      out += " (left by an interrupted run)";
      return;
    case FileEvent::Outcome::Kept: {
      if (!event.moved) return reason(": kept its name (", ")");
      std::string old_base = event.old_name;
      std::string new_base = event.new_name;
      StripExtension(old_base);
      StripExtension(new_base);
      out += " -> ";
      AppendSafeForDisplay(out, event.new_name);
      if (old_base == new_base) return reason(" (kept its name: ", ")");  // only the extension
      // Counted as unrenamed, but another file of the run took its name first: it was numbered.
      return reason(" (numbered: ", ", but another file took that name first)");
    }
    case FileEvent::Outcome::Renamed:
      break;
  }
  out += " -> ";
  AppendSafeForDisplay(out, event.new_name);
}

void TextOutput::Separate() {
  if (printed_) std::fputc('\n', out_);
  printed_ = true;
}

void TextOutput::BeginDirectory(const std::string& directory) {
  if (!tree_) return;
  Separate();
  std::fprintf(out_, "%s:\n", Printable(directory).c_str());
}

void TextOutput::File(const FileEvent& event) {
  // No flush per line: a terminal is line-buffered anyway, and a pipe or file gets the lines
  // in a few large writes.
  line_.clear();
  AppendFileEvent(line_, event);
  line_ += '\n';
  std::fwrite(line_.data(), 1, line_.size(), out_);
}

void TextOutput::EndDirectory(const DirectoryReport& report) {
  const RunStatistics& s = report.statistics;
  if (!tree_) {
    PrintCounters(out_, s.FilesProcessed, s.Unrenamed, s.UserRenamed, s.ReadErrors, s.TitleErrors,
                  s.BackupErrors);
    return;
  }
  if (report.status == DirectoryReport::Status::Skipped) {
    // Left out on purpose; anything else was said on standard error as it happened.
    if (report.reason == "link" || report.reason == "backup") {
      std::fprintf(out_, "%s: not entered (%s)\n", Printable(report.directory).c_str(),
                   Printable(report.message).c_str());
    }
    return;
  }
  std::fprintf(out_,
               "%s: files processed %d, unrenamed (U) %d, user-renamed (M) %d, read errors (R) "
               "%d, title errors (T) %d, backup errors (B) %d\n",
               StatusWord(report.status), s.FilesProcessed, s.Unrenamed, s.UserRenamed,
               s.ReadErrors, s.TitleErrors, s.BackupErrors);
}

void TextOutput::EndTree(const TreeReport& report) {
  Separate();
  const char* status = TreeStatusName(report.status);
  std::fprintf(out_,
               "Whole tree (%s): %" PRId64 " directories processed, %" PRId64 " not entered\n",
               status, report.directories, report.skipped);
  const TreeTotals& t = report.totals;
  PrintCounters(out_, t.FilesProcessed, t.Unrenamed, t.UserRenamed, t.ReadErrors, t.TitleErrors,
                t.BackupErrors);
}

}  // namespace qlm::cli
