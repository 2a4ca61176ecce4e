#include "cli/json_output.h"

#include "title/utf8.h"

namespace qlm::cli {

namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendText(std::string& out, std::string_view key, std::string_view text) {
  out += ",\"";
  out += key;
  out += "\":";
  if (text.empty()) {
    out += "null";
  } else {
    AppendJsonString(out, text);
  }
}

void AppendNumber(std::string& out, std::string_view key, std::int64_t value) {
  out += ",\"";
  out += key;
  out += "\":";
  out += std::to_string(value);
}

template <typename Counters>
void AppendCounters(std::string& out, const Counters& c) {
  AppendNumber(out, "files_processed", c.FilesProcessed);
  AppendNumber(out, "unrenamed", c.Unrenamed);
  AppendNumber(out, "user_renamed", c.UserRenamed);
  AppendNumber(out, "read_errors", c.ReadErrors);
  AppendNumber(out, "title_errors", c.TitleErrors);
  AppendNumber(out, "backup_errors", c.BackupErrors);
}

const char* OutcomeName(FileEvent::Outcome outcome) {
  switch (outcome) {
    case FileEvent::Outcome::Renamed:
      return "renamed";
    case FileEvent::Outcome::Kept:
      return "kept";
    case FileEvent::Outcome::Failed:
      return "failed";
    case FileEvent::Outcome::Recovered:
      return "recovered";
  }
  return "";
}

const char* StatusName(DirectoryReport::Status status) {
  switch (status) {
    case DirectoryReport::Status::Completed:
      return "completed";
    case DirectoryReport::Status::Aborted:
      return "aborted";
    case DirectoryReport::Status::EndedEarly:
      return "ended-early";
    case DirectoryReport::Status::Skipped:
      return "skipped";
  }
  return "";
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
  std::string repaired;
  if (!IsValidUtf8(text)) {
    AppendRepairedUtf8(text, /*drop_truncated_tail=*/false, repaired);
    text = repaired;
  }
  out += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          out += "\\u00";
          out += kHex[byte >> 4];
          out += kHex[byte & 15];
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

void AppendJsonName(std::string& out, std::string_view key, std::string_view text) {
  out += ",\"";
  out += key;
  out += "\":";
  AppendJsonString(out, text);
  if (IsValidUtf8(text)) return;
  out += ",\"";
  out += key;
  out += "_hex\":\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    out += kHex[byte >> 4];
    out += kHex[byte & 15];
  }
  out += '"';
}

void JsonOutput::Emit(std::string& line) {
  line += "}\n";
  std::fwrite(line.data(), 1, line.size(), out_);
}

void JsonOutput::File(const FileEvent& event) {
  std::string& line = line_;
  line.assign("{\"type\":\"file\"");
  AppendJsonName(line, "directory", directory_);
  AppendJsonName(line, "old", event.old_name);
  AppendJsonName(line, "new", event.new_name);
  line += ",\"outcome\":\"";
  line += OutcomeName(event.outcome);
  line += '"';
  AppendText(line, "reason", event.reason);
  Emit(line);
}

void JsonOutput::EndDirectory(const DirectoryReport& report) {
  std::string& line = line_;
  line.assign("{\"type\":\"directory\"");
  AppendJsonName(line, "directory", report.directory);
  line += ",\"status\":\"";
  line += StatusName(report.status);
  line += '"';
  AppendText(line, "reason", report.reason);
  AppendText(line, "message", report.message);
  AppendCounters(line, report.statistics);
  Emit(line);
}

void JsonOutput::EndTree(const TreeReport& report) {
  std::string& line = line_;
  line.assign("{\"type\":\"tree\"");
  AppendJsonName(line, "directory", report.root);
  line += ",\"status\":\"";
  line += TreeStatusName(report.status);
  line += '"';
  AppendNumber(line, "directories", report.directories);
  AppendNumber(line, "skipped", report.skipped);
  AppendCounters(line, report.totals);
  Emit(line);
}

}  // namespace qlm::cli
