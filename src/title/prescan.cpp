#include "title/prescan.h"

#include <algorithm>
#include <utility>

namespace qlm {

namespace {

// The standard's ASCII white space: TAB, LF, FF, CR and SPACE.
constexpr bool IsAsciiWhitespace(char c) {
  return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

constexpr bool IsAsciiAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

constexpr char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// True when `text` equals `lower` (lower-case ASCII), ASCII case folded.
bool EqualsFolded(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (FoldAscii(text[i]) != lower[i]) return false;
  }
  return true;
}

// Offset of the first `lower` (lower-case ASCII) in `text` at or after `from`, ASCII case
// folded, or npos.
std::size_t FindFolded(std::string_view text, std::string_view lower, std::size_t from) {
  for (std::size_t at = from; at + lower.size() <= text.size(); ++at) {
    if (EqualsFolded(text.substr(at, lower.size()), lower)) return at;
  }
  return std::string_view::npos;
}

// One attribute as "get an attribute" reads it. Name and value are the bytes as written: the
// standard lower-cases them, so every comparison below folds ASCII case instead.
struct Attribute {
  std::string_view name;
  std::string_view value;
};

enum class Got {
  kAttribute,   // `attribute` holds one; `pos` is past it
  kNone,        // the tag ends: `pos` is at its '>'
  kOutOfBytes,  // the bytes end first, which ends the prescan
};

// The standard's "get an attribute", from `pos` in `bytes`.
Got GetAttribute(std::string_view bytes, std::size_t& pos, Attribute& attribute) {
  const std::size_t n = bytes.size();
  while (pos < n && (IsAsciiWhitespace(bytes[pos]) || bytes[pos] == '/'))
    ++pos;
  if (pos >= n) return Got::kOutOfBytes;
  if (bytes[pos] == '>') return Got::kNone;
  const std::size_t name_start = pos;
  attribute.value = {};
  // The name runs to white space, '/', '>' or an '=' that is not its first byte.
  for (;; ++pos) {
    if (pos >= n) return Got::kOutOfBytes;
    const char c = bytes[pos];
    if (IsAsciiWhitespace(c) || c == '/' || c == '>' || (c == '=' && pos > name_start)) break;
  }
  attribute.name = bytes.substr(name_start, pos - name_start);
  if (bytes[pos] == '/' || bytes[pos] == '>') return Got::kAttribute;
  while (pos < n && IsAsciiWhitespace(bytes[pos]))
    ++pos;
  if (pos >= n) return Got::kOutOfBytes;
  if (bytes[pos] != '=') return Got::kAttribute;  // a name without a value
  ++pos;
  while (pos < n && IsAsciiWhitespace(bytes[pos]))
    ++pos;
  if (pos >= n) return Got::kOutOfBytes;
  const char first = bytes[pos];
  if (first == '"' || first == '\'') {
    const std::size_t close = bytes.find(first, pos + 1);
    if (close == std::string_view::npos) return Got::kOutOfBytes;
    attribute.value = bytes.substr(pos + 1, close - pos - 1);
    pos = close + 1;
    return Got::kAttribute;
  }
  if (first == '>') return Got::kAttribute;  // "name=>": an empty value
  const std::size_t value_start = pos;
  for (++pos; pos < n && !IsAsciiWhitespace(bytes[pos]) && bytes[pos] != '>'; ++pos) {
  }
  // An unquoted value is whole only when something follows it within the bytes.
  if (pos >= n) return Got::kOutOfBytes;
  attribute.value = bytes.substr(value_start, pos - value_start);
  return Got::kAttribute;
}

// The standard's "extracting a character encoding from a meta element", for the value of a
// content attribute: the encoding of its first "charset=label", or nullopt.
std::optional<Encoding> EncodingFromContent(std::string_view content) {
  std::size_t pos = 0;
  for (;;) {
    pos = FindFolded(content, "charset", pos);
    if (pos == std::string_view::npos) return std::nullopt;
    pos += 7;
    while (pos < content.size() && IsAsciiWhitespace(content[pos]))
      ++pos;
    if (pos < content.size() && content[pos] == '=') break;
  }
  ++pos;
  while (pos < content.size() && IsAsciiWhitespace(content[pos]))
    ++pos;
  if (pos >= content.size()) return std::nullopt;
  const char first = content[pos];
  if (first == '"' || first == '\'') {
    const std::size_t close = content.find(first, pos + 1);
    if (close == std::string_view::npos) return std::nullopt;  // an unmatched quote
    return EncodingForLabel(content.substr(pos + 1, close - pos - 1));
  }
  std::size_t end = pos;
  while (end < content.size() && !IsAsciiWhitespace(content[end]) && content[end] != ';')
    ++end;
  return EncodingForLabel(content.substr(pos, end - pos));
}

// The attributes of one <meta> tag, from `pos` (just past "<meta") to its '>': the encoding it
// declares, or nullopt with `pos` at its '>'. `out_of_bytes` is set when the bytes end first.
std::optional<Encoding> MetaEncoding(std::string_view bytes, std::size_t& pos, bool& out_of_bytes) {
  // Only the first of each name counts; the three that matter are all that need tracking.
  bool seen_http_equiv = false, seen_content = false, seen_charset = false;
  bool got_pragma = false;
  std::optional<bool> need_pragma;
  bool charset_set = false;  // set, possibly to failure (nullopt)
  std::optional<Encoding> charset;
  Attribute attribute;
  for (;;) {
    const Got got = GetAttribute(bytes, pos, attribute);
    if (got == Got::kOutOfBytes) {
      out_of_bytes = true;
      return std::nullopt;
    }
    if (got == Got::kNone) break;
    if (EqualsFolded(attribute.name, "http-equiv")) {
      if (std::exchange(seen_http_equiv, true)) continue;
      if (EqualsFolded(attribute.value, "content-type")) got_pragma = true;
    } else if (EqualsFolded(attribute.name, "content")) {
      if (std::exchange(seen_content, true)) continue;
      const std::optional<Encoding> declared = EncodingFromContent(attribute.value);
      if (declared && !charset_set) {
        charset = declared;
        charset_set = true;
        need_pragma = true;
      }
    } else if (EqualsFolded(attribute.name, "charset")) {
      if (std::exchange(seen_charset, true)) continue;
      charset = EncodingForLabel(attribute.value);
      charset_set = true;
      need_pragma = false;
    }
  }
  // A content type counts only beside http-equiv=content-type; an unknown label not at all.
  if (!need_pragma || (*need_pragma && !got_pragma) || !charset) return std::nullopt;
  if (*charset == Encoding::kUtf16Be || *charset == Encoding::kUtf16Le) return Encoding::kUtf8;
  if (*charset == Encoding::kXUserDefined) return Encoding::kWindows1252;
  return charset;
}

// The prescan's loop over <meta> tags: nullopt only when it runs out of bytes.
std::optional<Encoding> ScanMetaTags(std::string_view bytes) {
  const std::size_t n = bytes.size();
  std::size_t pos = 0;
  for (; pos < n; ++pos) {  // each branch leaves `pos` on the last byte it consumed
    if (bytes[pos] != '<') continue;
    const std::string_view rest = bytes.substr(pos);
    if (rest.starts_with("<!--")) {
      // To the first "-->"; its dashes may be those of "<!--" itself.
      const std::size_t end = bytes.find("-->", pos + 2);
      if (end == std::string_view::npos) return std::nullopt;
      pos = end + 2;
    } else if (rest.size() > 5 && EqualsFolded(rest.substr(0, 5), "<meta") &&
               (IsAsciiWhitespace(rest[5]) || rest[5] == '/')) {
      pos += 5;
      bool out_of_bytes = false;
      const std::optional<Encoding> declared = MetaEncoding(bytes, pos, out_of_bytes);
      if (declared || out_of_bytes) return declared;
    } else if (const std::size_t name = rest.starts_with("</") ? 2 : 1;
               rest.size() > name && IsAsciiAlpha(rest[name])) {
      // Any other tag: its attributes are read and dropped, so that a '>' or a "<meta" inside
      // a quoted value ends nothing.
      pos += name;
      while (pos < n && !IsAsciiWhitespace(bytes[pos]) && bytes[pos] != '>')
        ++pos;
      Attribute ignored;
      Got got;
      while ((got = GetAttribute(bytes, pos, ignored)) == Got::kAttribute) {
      }
      if (got == Got::kOutOfBytes) return std::nullopt;
    } else if (rest.starts_with("<!") || rest.starts_with("</") || rest.starts_with("<?")) {
      pos = bytes.find('>', pos + 1);
      if (pos == std::string_view::npos) return std::nullopt;
    }
  }
  return std::nullopt;
}

// The standard's "get an XML encoding": the encoding="..." of an XML declaration that opens
// `bytes`, looked for only within the declaration.
std::optional<Encoding> XmlDeclarationEncoding(std::string_view bytes) {
  if (!bytes.starts_with("<?xml")) return std::nullopt;
  const std::size_t end = bytes.find('>');
  if (end == std::string_view::npos) return std::nullopt;
  const std::string_view declaration = bytes.substr(0, end);
  const auto is_space_or_control = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  std::size_t pos = declaration.find("encoding");
  if (pos == std::string_view::npos) return std::nullopt;
  pos += 8;
  while (pos < end && is_space_or_control(declaration[pos]))
    ++pos;
  if (pos >= end || declaration[pos] != '=') return std::nullopt;
  ++pos;
  while (pos < end && is_space_or_control(declaration[pos]))
    ++pos;
  if (pos >= end || (declaration[pos] != '"' && declaration[pos] != '\'')) return std::nullopt;
  const std::size_t close = declaration.find(declaration[pos], pos + 1);
  if (close == std::string_view::npos) return std::nullopt;
  const std::string_view label = declaration.substr(pos + 1, close - pos - 1);
  if (std::any_of(label.begin(), label.end(), is_space_or_control)) return std::nullopt;
  const std::optional<Encoding> declared = EncodingForLabel(label);
  if (declared == Encoding::kUtf16Be || declared == Encoding::kUtf16Le) return Encoding::kUtf8;
  return declared;
}

}  // namespace

std::optional<Encoding> PrescanEncoding(std::string_view bytes) {
  // The standard's first step, UTF-16 XML declarations, looks for zero bytes; the reader's
  // bytes end at the first one, so it is left out.
  if (const std::optional<Encoding> declared = ScanMetaTags(bytes)) return declared;
  return XmlDeclarationEncoding(bytes);
}

}  // namespace qlm
