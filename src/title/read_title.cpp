#include "title/read_title.h"

#include <algorithm>
#include <array>
#include <memory>

#include "common/messages.h"
#include "common/text.h"
#include "platform/file_system.h"
#include "title/charset.h"
#include "title/entities.h"
#include "title/file_name.h"
#include "title/utf8.h"

namespace qlm {

namespace {

constexpr std::string_view kOpenTag = "<Title>";
constexpr std::string_view kCloseTag = "</Title>";
constexpr int kOpenTagLength = static_cast<int>(kOpenTag.size());

std::int32_t Fail(std::string& out, std::string_view text) {
  out.assign(text);
  return TitleError;
}

// Offset of the closing tag that ends a title starting at `start`, or -1.
int FindClosingTag(std::string_view text, int start) {
  const int close = FindText(text, kCloseTag);
  if (close < 0 || close >= start) return close;
  // A stray closing tag before the opening one: the title the user sees ends at the next
  // closing tag, and without one there is no title to take (never bytes up to the read limit).
  const int again = FindText(text.substr(static_cast<std::size_t>(start)), kCloseTag);
  return again < 0 ? -1 : start + again;
}

}  // namespace

std::int32_t ExtractTitle(std::string_view bytes, bool parse_entities, std::string& out) {
  std::string_view text = bytes.substr(0, std::min(bytes.size(), kTitleReadLimit));
  text = text.substr(0, text.find('\0'));  // the first zero byte ends the text

  const int open = FindText(text, kOpenTag);
  if (open < 0) return Fail(out, msg::kFileCouldNotBeParsed);
  const int start = open + kOpenTagLength;
  const int close = FindClosingTag(text, start);
  if (close < 0) return Fail(out, msg::kFileCouldNotBeParsed);

  // The 299-byte cut comes first, then the trim, both on the bytes as read.
  std::string raw;
  CopySpan(text, raw, start, close, static_cast<int>(kTitleLimit) + 1);
  const bool cut = static_cast<std::size_t>(close - start) > kTitleLimit;
  TrimBlanks(raw, raw);
  if (raw.empty()) return Fail(out, msg::kFileHasNoTitle);

  const std::string_view span =
      text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(close - start));
  std::string title = ConvertToUtf8(raw, ChooseCharset(text, span), cut);
  // Conversion may lengthen the title (one Latin-1 byte, two UTF-8 bytes) or leave a blank
  // where a split character was dropped.
  TrimBlanks(title, title);
  TruncateOnCharBoundary(title, kTitleLimit);
  if (title.empty()) return Fail(out, msg::kFileHasNoTitle);

  if (parse_entities) {
    DecodeEntities(title);
    TrimBlanks(title, title);
  }
  TitleToFileName(title);
  out = std::move(title);
  return TitleOk;
}

std::int32_t ReadTitle(FileSystem& fs, const std::string& path, bool parse_entities,
                       RunStatistics& statistics, std::string& out, FsError* open_error,
                       EarlyTitle* early) {
  ++statistics.FilesProcessed;
  std::array<char, kTitleReadLimit> buffer;
  std::size_t length = 0;
  {
    std::unique_ptr<ReadableFile> file;
    const FsError opened = early != nullptr && early->file != nullptr
                               ? fs.TakeOverAhead(path, std::move(early->file), file)
                               : fs.OpenForReading(path, file);
    if (opened != FsError::Ok || file == nullptr) {
      if (open_error != nullptr) *open_error = opened;
      ++statistics.ReadErrors;
      out.assign(msg::kFileCouldNotBeRead);
      return ReadError;
    }
    // One read; a failed one delivers no bytes. The file closes at the end of this block, so
    // it is held no longer than the read.
    if (file->Read(buffer.data(), buffer.size(), length) != FsError::Ok) length = 0;
    length = std::min(length, buffer.size());
  }
  const std::string_view bytes(buffer.data(), length);
  std::int32_t result;
  if (early != nullptr && early->read && early->bytes == bytes) {
    result = early->outcome;  // the same bytes give the same title
    out = std::move(early->title);
  } else {
    result = ExtractTitle(bytes, parse_entities, out);
  }
  if (result == TitleError) ++statistics.TitleErrors;
  return result;
}

}  // namespace qlm
