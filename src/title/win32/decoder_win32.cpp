// The title's decoders on Windows. The single-byte encodings decode through tables taken from
// glibc's iconv (single_byte_tables.inc), so a title names its file exactly as on Linux;
// GB18030, Big5, EUC-JP and ISO-2022-JP are decoded here; the other multi-byte ones through the
// system's code pages, one character at a time, so that each byte that begins no character becomes
// one U+FFFD, as iconv has it.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>

#include "platform/win32/wide.h"
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

using win32::AppendUtf8;

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

std::string DecodeCodePage(std::string_view text, UINT code_page, bool cut);

// ISO-2022-JP, decoded here rather than by code pages 50220-50222, which not every system has:
// its escapes switch between ASCII (ESC ( B), JIS-Roman (ESC ( J), half-width katakana
// (ESC ( I: each byte 0x21-0x5F a katakana of Shift_JIS at byte + 0x80) and JIS X 0208
// (ESC $ @, ESC $ B: byte pairs, each byte + 0x80 an EUC-JP pair).
std::string DecodeIso2022Jp(std::string_view text, bool cut) {
  enum class Mode { kAscii, kKatakana, kJis0208 } mode = Mode::kAscii;
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    if (text[at] == '\x1B') {
      const std::string_view escape = text.substr(at, 3);
      if (escape == "\x1B(B" || escape == "\x1B(J") {
        mode = Mode::kAscii;
      } else if (escape == "\x1B(I") {
        mode = Mode::kKatakana;
      } else if (escape == "\x1B$@" || escape == "\x1B$B") {
        mode = Mode::kJis0208;
      } else {
        if (!(cut && escape.size() < 3)) AppendUtf8(out, 0xFFFD);
        ++at;
        continue;
      }
      at += 3;
      continue;
    }
    const auto byte = static_cast<unsigned char>(text[at]);
    if (mode == Mode::kJis0208 && byte >= 0x21 && byte <= 0x7E) {
      if (at + 1 >= text.size()) {
        if (!cut) AppendUtf8(out, 0xFFFD);
        break;
      }
      const char pair[2] = {static_cast<char>(byte | 0x80), static_cast<char>(text[at + 1] | 0x80)};
      out += DecodeCodePage(std::string_view(pair, 2), 20932, false);
      at += 2;
    } else if (mode == Mode::kKatakana && byte >= 0x21 && byte <= 0x5F) {
      const char kana = static_cast<char>(byte + 0x80);
      out += DecodeCodePage(std::string_view(&kana, 1), 932, false);
      ++at;
    } else {
      AppendUtf8(out, byte < 0x80 ? byte : 0xFFFD);
      ++at;
    }
  }
  return out;
}

std::string DecodeCodePage(std::string_view text, UINT code_page, bool cut) {
  std::string out;
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

struct FourByteRange {
  std::uint32_t first;  // the first sequence's pointer
  std::uint32_t code;   // its character; the range's next sequences name the next ones
  std::uint32_t end;
};

constexpr FourByteRange kGb18030Ranges[] = {
#include "title/win32/gb18030_ranges.inc"
};

// The character of a four-byte sequence's pointer, or U+FFFD.
char32_t Gb18030FourByte(std::uint32_t pointer) {
  if (pointer >= 189000 && pointer <= 1237575) return 0x10000 + (pointer - 189000);
  const auto* range =
      std::upper_bound(std::begin(kGb18030Ranges), std::end(kGb18030Ranges), pointer,
                       [](std::uint32_t value, const FourByteRange& r) { return value < r.first; });
  if (range == std::begin(kGb18030Ranges)) return 0xFFFD;
  --range;
  return pointer < range->end ? range->code + (pointer - range->first) : 0xFFFD;
}

// GB18030 (and GBK, which browsers decode as GB18030), decoded here: not every system's code
// page 54936 knows the four-byte sequences (Wine's does not), and these come from the same
// tables as on Linux. Two-byte sequences are GBK's, which code page 936 has.
std::string DecodeGb18030(std::string_view text, bool cut) {
  const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
  const auto in = [](unsigned value, unsigned low, unsigned high) {
    return value >= low && value <= high;
  };
  std::string out;
  std::wstring wide;
  for (std::size_t at = 0; at < text.size();) {
    const unsigned lead = byte(at);
    if (lead < 0x80) {
      out.push_back(static_cast<char>(lead));
      ++at;
      continue;
    }
    const std::size_t left = text.size() - at;
    if (!in(lead, 0x81, 0xFE)) {
      AppendUtf8(out, 0xFFFD);
      ++at;
    } else if (left >= 2 && in(byte(at + 1), 0x30, 0x39)) {
      if (left < 4 && (left == 2 || in(byte(at + 2), 0x81, 0xFE))) {
        // The text ends inside a character: dropped if the title's length limit cut it,
        // otherwise one undecodable piece.
        if (!cut) AppendUtf8(out, 0xFFFD);
        break;
      }
      if (left < 4) {
        AppendUtf8(out, 0xFFFD);
        ++at;
      } else if (in(byte(at + 2), 0x81, 0xFE) && in(byte(at + 3), 0x30, 0x39)) {
        const std::uint32_t pointer =
            (((lead - 0x81) * 10 + (byte(at + 1) - 0x30)) * 126 + (byte(at + 2) - 0x81)) * 10 +
            (byte(at + 3) - 0x30);
        AppendUtf8(out, Gb18030FourByte(pointer));
        at += 4;
      } else {
        AppendUtf8(out, 0xFFFD);
        ++at;
      }
    } else if (left >= 2 && DecodeExactly(936, text.substr(at, 2), wide)) {
      AppendUtf16(out, wide);
      at += 2;
    } else {
      if (left < 2 && cut) break;  // a character cut by the title's length limit
      AppendUtf8(out, 0xFFFD);
      ++at;
    }
  }
  return out;
}

constexpr std::uint32_t kBig5Table[] = {
#include "title/win32/big5_table.inc"
};

constexpr char32_t kBig5Pairs[][2] = {
#include "title/win32/big5_pairs.inc"
};

constexpr std::uint32_t kEucJpTable[] = {
#include "title/win32/euc_jp_table.inc"
};

// A generated table's entry: a character, a pair of characters, or none (0).
bool AppendEntry(std::string& out, std::uint32_t entry) {
  if (entry == 0) return false;
  if (entry >= 0x110000) {
    for (const char32_t part : kBig5Pairs[entry - 0x110000])
      AppendUtf8(out, part);
  } else {
    AppendUtf8(out, entry);
  }
  return true;
}

// Big5 as browsers have it, with the Hong Kong extensions, decoded here: code page 950 has
// none of them.
std::string DecodeBig5(std::string_view text, bool cut) {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
      out.push_back(static_cast<char>(lead));
      ++at;
      continue;
    }
    const bool leads = lead >= 0x81 && lead <= 0xFE;
    if (leads && at + 1 == text.size() && cut) break;  // cut by the title's length limit
    std::uint32_t entry = 0;
    if (leads && at + 1 < text.size()) {
      const auto trail = static_cast<unsigned char>(text[at + 1]);
      const int column = trail >= 0x40 && trail <= 0x7E   ? trail - 0x40
                         : trail >= 0xA1 && trail <= 0xFE ? trail - 0x62
                                                          : -1;
      if (column >= 0) entry = kBig5Table[(lead - 0x81) * 157 + static_cast<unsigned>(column)];
    }
    if (AppendEntry(out, entry)) {
      at += 2;
    } else {
      AppendUtf8(out, 0xFFFD);
      ++at;
    }
  }
  return out;
}

// EUC-JP as browsers have it (Microsoft's: NEC's row 13, U+FF5E for 0xA1C1), decoded here:
// code page 20932 is the plain one. The table holds JIS X 0208's pairs, then JIS X 0212's
// (behind 0x8F), then the katakana behind 0x8E.
std::string DecodeEucJp(std::string_view text, bool cut) {
  constexpr std::size_t kPairs = 94 * 94;
  const auto row = [](unsigned char byte) { return byte >= 0xA1 && byte <= 0xFE; };
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
      out.push_back(static_cast<char>(lead));
      ++at;
      continue;
    }
    const std::size_t length = lead == 0x8F ? 3 : 2;
    const bool leads = lead == 0x8E || lead == 0x8F || row(lead);
    if (leads && at + length > text.size() &&
        (at + 1 == text.size() || lead != 0x8F || row(static_cast<unsigned char>(text[at + 1])))) {
      // The text ends inside a character: dropped if the title's length limit cut it,
      // otherwise one undecodable piece.
      if (!cut) AppendUtf8(out, 0xFFFD);
      break;
    }
    std::uint32_t entry = 0;
    if (leads && at + length <= text.size()) {
      const auto second = static_cast<unsigned char>(text[at + 1]);
      if (lead == 0x8E && row(second)) {
        entry = kEucJpTable[2 * kPairs + (second - 0xA1)];
      } else if (lead == 0x8F) {
        const auto third = static_cast<unsigned char>(text[at + 2]);
        if (row(second) && row(third))
          entry = kEucJpTable[kPairs + (second - 0xA1) * 94 + (third - 0xA1)];
      } else if (row(second)) {
        entry = kEucJpTable[(lead - 0xA1) * 94 + (second - 0xA1)];
      }
    }
    if (AppendEntry(out, entry)) {
      at += length;
    } else {
      AppendUtf8(out, 0xFFFD);
      ++at;
    }
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
      return "gb18030";
    case kBig5:
      return "big5";
    case kEucJp:
      return "euc-jp";
    case kIso2022Jp:
      return "iso-2022-jp";
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
  if (name == "iso-2022-jp") return IsValidCodePage(20932) && IsValidCodePage(932);
  if (name == "gb18030") return IsValidCodePage(936);
  if (!name.starts_with("cp:")) return true;
  unsigned code_page = 0;
  std::from_chars(name.data() + 3, name.data() + name.size(), code_page);
  return IsValidCodePage(code_page);
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
  if (name == "iso-2022-jp") return DecodeIso2022Jp(text, cut);
  if (name == "gb18030") return DecodeGb18030(text, cut);
  if (name == "big5") return DecodeBig5(text, cut);
  if (name == "euc-jp") return DecodeEucJp(text, cut);
  if (!name.starts_with("cp:")) return std::nullopt;
  unsigned code_page = 0;
  std::from_chars(name.data() + 3, name.data() + name.size(), code_page);
  if (!IsValidCodePage(code_page)) return std::nullopt;
  return DecodeCodePage(text, code_page, cut);
}

}  // namespace qlm
