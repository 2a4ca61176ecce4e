// Reading the journal line by line, shared by its reader and the summary a run takes when it
// starts (internal to the engine).
#pragma once

#include <charconv>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace qlm {

inline constexpr std::size_t kJournalChunk = 64 * 1024;

// A line without the CR that a CR LF conversion of the file put before its LF (a CR inside a
// field is always escaped).
inline std::string_view WithoutCr(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// Calls `line(text, offset)` for every line of the file (without its LF) from offset `from`
// (the beginning of a line) on. Returns false when the file cannot be opened or a read fails
// (the lines before it have been delivered). Reads in chunks, so a large journal costs little
// memory.
template <typename Callback>
bool ForEachLine(FileSystem& fs, const std::string& path, Callback line, std::uint64_t from = 0) {
  std::unique_ptr<ReadableFile> file;
  if (fs.OpenForReading(path, file) != FsError::Ok) return false;
  if (from > 0 && file->Skip(from) != FsError::Ok) return false;
  std::string pending;  // a line begun in an earlier chunk
  std::uint64_t pending_offset = 0;
  std::uint64_t offset = from;
  std::string chunk(kJournalChunk, '\0');
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
        line(WithoutCr(text.substr(start, end - start)), offset + start);
        continue;
      }
      pending.append(text.substr(start, end - start));
      line(WithoutCr(pending), pending_offset);
      pending.clear();
    }
    if (start < got) {
      if (pending.empty()) pending_offset = offset + start;
      pending.append(text.substr(start));
    }
    offset += got;
  }
  if (!pending.empty()) line(WithoutCr(pending), pending_offset);
  return true;
}

// The TAB-separated fields of a line.
inline std::vector<std::string_view> SplitFields(std::string_view line) {
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
bool ParseNumber(std::string_view text, Number& value, int base = 10) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

}  // namespace qlm
