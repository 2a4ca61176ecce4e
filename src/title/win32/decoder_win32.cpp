// The title's decoders on Windows. The single-byte encodings decode through tables taken from
// glibc's iconv (single_byte_tables.inc), so a title names its file exactly as on Linux; the
// multi-byte ones through the system's code pages, one character at a time, so that each byte
// that begins no character becomes one U+FFFD, as iconv has it.
#include <array>
#include <charconv>
#include <cstdint>

#include "platform/win32/windows_api.h"
#include "title/decoder.h"

namespace qlm {

namespace {

struct SingleByteTable {
  Encoding encoding;
  std::array<std::uint16_t, 128> high;  // bytes 0x80-0xFF
};

constexpr SingleByteTable kTables[] = {
#include "title/win32/single_byte_tables.inc"
};

// Names of this platform's decoders: "sb:<index>" for a table, "cp:<code page>" for the
// system's, "utf-16be" and "utf-16le".
std::string_view TableName(std::size_t index) {
  static const std::array<std::string, std::size(kTables)> names = [] {
    std::array<std::string, std::size(kTables)> made;
    for (std::size_t i = 0; i < made.size(); ++i)
      made[i] = "sb:" + std::to_string(i);
    return made;
  }();
  return names[index];
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

void AppendUtf16(std::string& out, std::wstring_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t code = static_cast<char16_t>(text[i]);
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size()) {
      const char32_t low = static_cast<char16_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    AppendUtf8(out, code >= 0xD800 && code <= 0xDFFF ? 0xFFFD : code);
  }
}

// The code page's text of exactly `bytes`, or false when they are no whole characters.
bool DecodeExactly(UINT code_page, std::string_view bytes, std::wstring& out) {
  wchar_t buffer[8];
  const int length = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(),
                                         static_cast<int>(bytes.size()), buffer, 8);
  if (length <= 0) return false;
  out.assign(buffer, static_cast<std::size_t>(length));
  return true;
}

std::string DecodeCodePage(std::string_view text, UINT code_page, bool cut) {
  std::string out;
  if (code_page >= 50220 && code_page <= 50222) {
    // ISO-2022-JP keeps a state from escape to escape: the whole title at once.
    const int length =
        MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    AppendUtf16(out, wide);
    return out;
  }
  std::wstring wide;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t length = 1;
    bool whole = false;
    for (; length <= 4 && at + length <= text.size(); ++length) {
      if (DecodeExactly(code_page, text.substr(at, length), wide)) {
        whole = true;
        break;
      }
    }
    if (whole) {
      AppendUtf16(out, wide);
      at += length;
      continue;
    }
    // A character cut by the title's length limit is dropped whole; anything else is one
    // undecodable byte.
    if (cut && at + 4 >= text.size() && IsDBCSLeadByteEx(code_page, static_cast<BYTE>(text[at]))) {
      break;
    }
    AppendUtf8(out, 0xFFFD);
    ++at;
  }
  return out;
}

std::string DecodeUtf16(std::string_view text, bool big_endian, bool cut) {
  std::wstring wide;
  for (std::size_t at = 0; at + 1 < text.size(); at += 2) {
    const auto first = static_cast<unsigned char>(text[at]);
    const auto second = static_cast<unsigned char>(text[at + 1]);
    wide.push_back(
        static_cast<wchar_t>(big_endian ? (first << 8) | second : (second << 8) | first));
  }
  std::string out;
  AppendUtf16(out, wide);
  if (text.size() % 2 != 0 && !cut) AppendUtf8(out, 0xFFFD);
  return out;
}

}  // namespace

std::string_view DecoderName(Encoding encoding) {
  using enum Encoding;
  for (std::size_t i = 0; i < std::size(kTables); ++i) {
    if (kTables[i].encoding == encoding) return TableName(i);
  }
  switch (encoding) {
    case kUtf8:
      return "cp:65001";
    case kGbk:
    case kGb18030:
      return "cp:54936";
    case kBig5:
      return "cp:950";
    case kEucJp:
      return "cp:20932";
    case kIso2022Jp:
      return "cp:50221";
    case kShiftJis:
      return "cp:932";
    case kEucKr:
      return "cp:949";
    case kUtf16Be:
      return "utf-16be";
    case kUtf16Le:
      return "utf-16le";
    default:
      return "";
  }
}

bool CanDecode(Encoding encoding) {
  const std::string_view name = DecoderName(encoding);
  if (name.empty()) return false;
  if (!name.starts_with("cp:")) return true;
  unsigned code_page = 0;
  std::from_chars(name.data() + 3, name.data() + name.size(), code_page);
  return IsValidCodePage(code_page) != 0;
}

std::optional<std::string> DecodeToUtf8(std::string_view text, const std::string& name, bool cut) {
  if (name == "utf-16be" || name == "utf-16le") return DecodeUtf16(text, name == "utf-16be", cut);
  if (name.starts_with("sb:")) {
    std::size_t index = 0;
    std::from_chars(name.data() + 3, name.data() + name.size(), index);
    if (index >= std::size(kTables)) return std::nullopt;
    std::string out;
    for (const char c : text) {
      const auto byte = static_cast<unsigned char>(c);
      AppendUtf8(out, byte < 0x80 ? byte : kTables[index].high[byte - 0x80]);
    }
    return out;
  }
  if (!name.starts_with("cp:")) return std::nullopt;
  unsigned code_page = 0;
  std::from_chars(name.data() + 3, name.data() + name.size(), code_page);
  if (!IsValidCodePage(code_page)) return std::nullopt;
  return DecodeCodePage(text, code_page, cut);
}

}  // namespace qlm
