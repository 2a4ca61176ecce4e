#include "title/charset.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "title/utf8.h"

namespace qlm {

namespace {

constexpr std::string_view kUtf8 = "UTF-8";
constexpr std::string_view kWindows1252 = "CP1252";
constexpr std::size_t kMaxLabel = 40;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

constexpr char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// HTML's white space, which may stand around '=' in an attribute.
constexpr bool IsHtmlSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

constexpr bool IsLabelChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.' || c == ':';
}

// Offset of the first `lower` (lower-case ASCII) in text[from, end), ASCII case folded, or npos.
std::size_t FindFolded(std::string_view text, std::string_view lower, std::size_t from,
                       std::size_t end) {
  while (from + lower.size() <= end) {
    const void* hit = std::memchr(text.data() + from, lower[0], end - from);
    const void* hit_upper = nullptr;
    if (lower[0] >= 'a' && lower[0] <= 'z')
      hit_upper = std::memchr(text.data() + from, lower[0] - 32, end - from);
    if (hit == nullptr || (hit_upper != nullptr && hit_upper < hit)) hit = hit_upper;
    if (hit == nullptr) return std::string_view::npos;
    const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
    if (at + lower.size() > end) return std::string_view::npos;
    std::size_t i = 1;
    while (i < lower.size() && FoldAscii(text[at + i]) == lower[i])
      ++i;
    if (i == lower.size()) return at;
    from = at + 1;
  }
  return std::string_view::npos;
}

// The label of a "charset = label" at `at` (just past "charset") before `end`, or "".
std::string_view LabelAfter(std::string_view page, std::size_t at, std::size_t end) {
  while (at < end && IsHtmlSpace(page[at]))
    ++at;
  if (at >= end || page[at] != '=') return {};
  ++at;
  while (at < end && IsHtmlSpace(page[at]))
    ++at;
  if (at < end && (page[at] == '"' || page[at] == '\'')) ++at;
  const std::size_t start = at;
  while (at < page.size() && IsLabelChar(page[at]))
    ++at;
  // Something must follow the label inside the text read, or it may be a cut-off label.
  if (at == start || at >= page.size() || at - start > kMaxLabel) return {};
  return page.substr(start, at - start);
}

// An iconv descriptor that is closed when it goes out of scope.
class Converter {
 public:
  explicit Converter(const std::string& from) : cd_(iconv_open(kUtf8.data(), from.c_str())) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // `in` in UTF-8, each undecodable byte as U+FFFD; an incomplete last character is dropped
  // with `cut`, else replaced. The output may still need repair (it is checked by the caller).
  std::string Convert(std::string_view in, bool cut) {
    std::string out(in.size() * 4 + 16, '\0');
    std::size_t used = 0;
    const auto put_replacement = [&] {
      if (out.size() - used < kReplacement.size()) out.resize(out.size() * 2);
      out.replace(used, kReplacement.size(), kReplacement);
      used += kReplacement.size();
    };
    char* in_at = const_cast<char*>(in.data());  // iconv's signature; it does not write there
    std::size_t in_left = in.size();
    for (;;) {
      char* out_at = out.data() + used;
      std::size_t out_left = out.size() - used;
      const bool flushing = in_left == 0;  // a stateful charset may owe a last character
      const std::size_t result = flushing ? iconv(cd_, nullptr, nullptr, &out_at, &out_left)
                                          : iconv(cd_, &in_at, &in_left, &out_at, &out_left);
      const int error = errno;
      used = static_cast<std::size_t>(out_at - out.data());
      if (result != static_cast<std::size_t>(-1)) {
        if (flushing) break;
        continue;  // all input taken: flush next
      }
      if (error == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      if (flushing) break;
      if (error == EILSEQ) {
        put_replacement();
        ++in_at, --in_left;
        continue;
      }
      // EINVAL: the input ends inside a character (or something unforeseen): stop there.
      if (!cut) put_replacement();
      in_left = 0;
    }
    out.resize(used);
    return out;
  }

 private:
  iconv_t cd_;
};

// True when the charset converts printable ASCII, TAB, LF and CR to themselves.
bool KeepsAscii(const std::string& charset) {
  Converter converter(charset);
  if (!converter.ok()) return false;
  std::string probe = "\t\n\r";
  for (char c = ' '; c < 0x7F; ++c)
    probe.push_back(c);
  return converter.Convert(probe, false) == probe;
}

struct Alias {
  std::string_view label;
  std::string_view charset;
};

// Labels read as browsers read them, so that the page looks as its author saw it.
constexpr Alias kAliases[] = {
    {"utf-8", kUtf8},         {"utf8", kUtf8},         {"unicode-1-1-utf-8", kUtf8},
    {"iso-8859-1", "CP1252"}, {"iso8859-1", "CP1252"}, {"iso_8859-1", "CP1252"},
    {"latin1", "CP1252"},     {"l1", "CP1252"},        {"us-ascii", "CP1252"},
    {"ascii", "CP1252"},      {"cp819", "CP1252"},     {"shift_jis", "CP932"},
    {"shift-jis", "CP932"},   {"sjis", "CP932"},       {"x-sjis", "CP932"},
    {"ms_kanji", "CP932"},    {"gb2312", "GBK"},
};

}  // namespace

std::string_view NextCharsetLabel(std::string_view page, std::size_t& pos) {
  for (;;) {
    const std::size_t meta = FindFolded(page, "<meta", pos, page.size());
    if (meta == std::string_view::npos) {
      pos = page.size();
      return {};
    }
    const std::size_t attributes = meta + 5;
    if (attributes >= page.size()) {
      pos = page.size();
      return {};
    }
    if (!IsHtmlSpace(page[attributes]) && page[attributes] != '/') {
      pos = attributes;  // "<metadata>" and the like
      continue;
    }
    std::size_t end = page.find('>', attributes);
    if (end == std::string_view::npos) end = page.size();
    pos = end;
    std::size_t at = attributes;
    while ((at = FindFolded(page, "charset", at, end)) != std::string_view::npos) {
      at += 7;
      const std::string_view label = LabelAfter(page, at, end);
      if (!label.empty()) return label;
    }
  }
}

std::string ResolveCharset(std::string_view label) {
  std::string folded(label);
  for (char& c : folded)
    c = FoldAscii(c);
  for (const Alias& alias : kAliases) {
    if (alias.label == folded) return std::string(alias.charset);
  }
  std::string charset(label);
  return KeepsAscii(charset) ? charset : std::string();
}

std::string ChooseCharset(std::string_view page, std::string_view span) {
  if (page.starts_with("\xEF\xBB\xBF")) return std::string(kUtf8);
  std::size_t pos = 0;
  for (;;) {
    const std::string_view label = NextCharsetLabel(page, pos);
    if (label.empty()) break;
    std::string charset = ResolveCharset(label);
    if (!charset.empty()) return charset;
  }
  return std::string(IsValidUtf8(span) ? kUtf8 : kWindows1252);
}

std::string ConvertToUtf8(std::string_view title, const std::string& charset, bool cut) {
  std::string out;
  if (charset == kUtf8) {
    if (IsValidUtf8(title)) return std::string(title);  // the common case, copied whole
    AppendRepairedUtf8(title, cut, out);
    return out;
  }
  Converter converter(charset);
  if (!converter.ok()) {
    // Only the Windows-1252 fallback can get here (declared charsets were opened before),
    // on a system without iconv's CP1252 module: read the bytes as ISO 8859-1 then.
    for (const char c : title) {
      const auto code = static_cast<unsigned char>(c);
      if (code < 0x80) {
        out.push_back(c);
      } else {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
      }
    }
    return out;
  }
  // iconv's UTF-8 is well-formed; the check costs little and makes it a promise of ours.
  AppendRepairedUtf8(converter.Convert(title, cut), false, out);
  return out;
}

}  // namespace qlm
