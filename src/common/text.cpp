#include "common/text.h"

#include <algorithm>
#include <charconv>

#include "platform/path.h"

namespace qlm {

void AppendChar(std::string& text, char character) {
  text.push_back(character);
}

std::string IntToText(std::int32_t value) {
  char digits[16];  // "-2147483648" and more
  const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
  return std::string(digits, end);
}

int FindChar(std::string_view text, char character, int start) {
  if (start < 0) start = 0;
  if (static_cast<std::size_t>(start) >= text.size()) return -1;
  const std::size_t found = text.find(character, static_cast<std::size_t>(start));
  return found == std::string_view::npos ? -1 : static_cast<int>(found);
}

void TrimBlanks(const std::string& source, std::string& destination) {
  std::size_t first = 0;
  std::size_t last = source.size();
  while (first < last && IsBlank(source[first]))
    ++first;
  while (last > first && IsBlank(source[last - 1]))
    --last;
  if (&source == &destination) {
    destination.erase(last);
    destination.erase(0, first);
  } else {
    destination.assign(source, first, last - first);
  }
}

void CollapseSpaces(std::string& text) {
  // One linear pass gives the same result as repeatedly dropping the second of two spaces.
  std::size_t out = 0;
  for (std::size_t in = 0; in < text.size(); ++in) {
    if (text[in] == ' ' && out > 0 && text[out - 1] == ' ') continue;
    text[out++] = text[in];
  }
  text.resize(out);
}

namespace {
constexpr char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
}  // namespace

int FindText(std::string_view text, std::string_view pattern) {
  if (pattern.empty() || pattern.size() > text.size()) return -1;
  const std::size_t last_start = text.size() - pattern.size();
  for (std::size_t start = 0; start <= last_start; ++start) {
    if (text[start] != pattern[0]) continue;
    std::size_t i = 1;
    while (i < pattern.size() && FoldAscii(text[start + i]) == FoldAscii(pattern[i]))
      ++i;
    if (i == pattern.size()) return static_cast<int>(start);
  }
  return -1;
}

void CopySpan(std::string_view src, std::string& dst, int start, int end, int size) {
  const int length = static_cast<int>(src.size());
  start = std::clamp(start, 0, length);
  end = std::clamp(end, 0, length);
  const int count = std::min(end - start, size - 1);
  if (count <= 0) {
    dst.clear();
    return;
  }
  dst.assign(src.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(count)));
}

void ReplaceChar(std::string& text, char from, char to) {
  std::replace(text.begin(), text.end(), from, to);
}

void StripExtension(std::string& text) {
  const std::size_t point = text.rfind('.');
  if (point != std::string::npos) text.erase(point);
}

void MakeNumberedName(std::string& text, std::int32_t n, std::string_view extension) {
  if (!extension.empty()) StripExtension(text);
  if (n > 1) {
    std::string previous(1, '-');
    previous += IntToText(n - 1);
    if (text.size() >= previous.size() &&
        text.compare(text.size() - previous.size(), previous.size(), previous) == 0) {
      text.erase(text.size() - previous.size());
    }
  }
  text += '-';
  text += IntToText(n);
  text += extension;
}

void TruncateOnCharBoundary(std::string& text, std::size_t max_bytes) {
  if (text.size() <= max_bytes) return;
  const auto continuation = [&](std::size_t i) {
    return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
  };
  // Step back over the continuation bytes (at most three) of a character split by the limit.
  std::size_t cut = max_bytes;
  while (cut > 0 && max_bytes - cut < 3 && continuation(cut))
    --cut;
  const bool at_lead = (static_cast<unsigned char>(text[cut]) & 0xC0) == 0xC0;
  if (cut != max_bytes && !at_lead) cut = max_bytes;  // not UTF-8 here: cut as bytes
  text.resize(cut);
}

namespace {
// Edit units of the character whose lead byte is `lead`.
std::size_t UnitsOfLead(unsigned char lead) {
  return lead >= 0xF0 && lead <= 0xF4 ? 2 : 1;
}
bool IsContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}
}  // namespace

std::size_t CountEditUnits(std::string_view text) {
  std::size_t units = 0;
  for (const char c : text) {
    if (!IsContinuation(c)) units += UnitsOfLead(static_cast<unsigned char>(c));
  }
  return units;
}

void TruncateToEditUnits(std::string& text, std::size_t max_units) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsContinuation(text[i])) continue;
    units += UnitsOfLead(static_cast<unsigned char>(text[i]));
    if (units > max_units) {
      text.resize(i);
      return;
    }
  }
}

namespace {

// The length of the well-formed UTF-8 character at `text[i]` and its code point; 0 when the
// bytes there are not one.
std::size_t DecodeAt(std::string_view text, std::size_t i, char32_t& code) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const unsigned char lead = byte(0);
  std::size_t length = lead < 0x80                    ? 1
                       : lead >= 0xC2 && lead <= 0xDF ? 2
                       : lead >= 0xE0 && lead <= 0xEF ? 3
                       : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                      : 0;
  if (length == 0 || i + length > text.size()) return 0;
  code = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(k) & 0x3F);
  }
  const char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < minimum[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

bool IsDisplayControl(char32_t code) {
  return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x061C || code == 0x200E ||
         code == 0x200F || (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

}  // namespace

std::string SafeForDisplay(std::string_view text) {
  std::string safe;
  AppendSafeForDisplay(safe, text);
  return safe;
}

void AppendSafeForDisplay(std::string& safe, std::string_view text) {
  safe.reserve(safe.size() + text.size());
  for (std::size_t i = 0; i < text.size();) {
    // Printable ASCII, nearly every name, is taken a run at a time without decoding.
    const std::size_t start = i;
    while (i < text.size() && text[i] >= 0x20 && text[i] < 0x7F)
      ++i;
    safe.append(text.substr(start, i - start));
    if (i == text.size()) break;
    char32_t code = 0;
    const std::size_t length = DecodeAt(text, i, code);
    if (length == 0) {  // not UTF-8: kept as a raw byte, unless an 8-bit terminal's C1 control
      const auto byte = static_cast<unsigned char>(text[i]);
      safe += byte >= 0x80 && byte <= 0x9F ? '?' : text[i];
      ++i;
      continue;
    }
    if (IsDisplayControl(code)) {
      safe += '?';
    } else {
      safe.append(text.substr(i, length));
    }
    i += length;
  }
}

std::string_view FileNamePart(std::string_view path) {
  return path.substr(path::NameStart(path));
}

std::string_view DirectoryPart(std::string_view path) {
  return path.substr(0, path::NameStart(path));
}

}  // namespace qlm
