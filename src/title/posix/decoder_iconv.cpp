// The title's decoders on Linux: glibc's iconv.
#include <iconv.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>

#include "title/decoder.h"

namespace qlm {

namespace {

constexpr std::string_view kUtf8 = "UTF-8";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

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

}  // namespace

// Where glibc offers several decoders, the one nearest the standard's; the differences that
// remain are noted. A new encoding without a case here is a compiler warning (-Wswitch).
std::string_view DecoderName(Encoding encoding) {
  switch (encoding) {
    using enum Encoding;
    case kUtf8:
      return "UTF-8";
    case kIbm866:
      return "IBM866";
    case kIso8859_2:
      return "ISO-8859-2";
    case kIso8859_3:
      return "ISO-8859-3";
    case kIso8859_4:
      return "ISO-8859-4";
    case kIso8859_5:
      return "ISO-8859-5";
    case kIso8859_6:
      return "ISO-8859-6";
    case kIso8859_7:
      return "ISO-8859-7";
    case kIso8859_8:
    case kIso8859_8I:  // the same bytes; "logical" concerns only the display order
      return "ISO-8859-8";
    case kIso8859_10:
      return "ISO-8859-10";
    case kIso8859_13:
      return "ISO-8859-13";
    case kIso8859_14:
      return "ISO-8859-14";
    case kIso8859_15:
      return "ISO-8859-15";
    case kIso8859_16:
      return "ISO-8859-16";
    case kKoi8R:
      return "KOI8-R";
    case kKoi8U:
      // 0xAE and 0xBE give box drawing where browsers give ў and Ў. glibc's KOI8-RU has those
      // but differs from browsers at 0x93 to 0x99.
      return "KOI8-U";
    case kMacintosh:
      return "MACINTOSH";  // 0xC6 gives U+0394 for U+2206, 0xF0 other private use
    case kWindows874:
      return "WINDOWS-874";
    case kWindows1250:
      return "CP1250";
    case kWindows1251:
      return "CP1251";
    case kWindows1252:
      // 0x81, 0x8D, 0x8F, 0x90 and 0x9D are undecodable, where browsers give C1 controls.
      return "CP1252";
    case kWindows1253:
      return "CP1253";
    case kWindows1254:
      return "CP1254";
    case kWindows1255:
      return "CP1255";
    case kWindows1256:
      return "CP1256";
    case kWindows1257:
      return "CP1257";
    case kWindows1258:
      return "CP1258";
    case kXMacCyrillic:
      return "MAC-CYRILLIC";  // 0xFF gives U+00A4 for the euro sign
    case kGbk:
    case kGb18030:
      // Browsers decode GBK as gb18030 too. 0xA3A0 gives private use where browsers give
      // U+3000, and 0x80 alone (their euro sign) is undecodable.
      return "GB18030";
    case kBig5:
      // HKSCS as browsers decode it. A dozen punctuation marks differ (U+2022 for U+2027), and
      // 57 codes are undecodable, the euro sign's among them; CP950 has those but no HKSCS.
      return "BIG5-HKSCS";
    case kEucJp:
      // Microsoft's variant is the one browsers decode: U+FF5E for 0xA1C1, NEC's row 13.
      return "EUC-JP-MS";
    case kIso2022Jp:
      // Reads half-width katakana (ESC ( I), which plain ISO-2022-JP leaves as raw escapes.
      return "ISO-2022-JP-2";
    case kShiftJis:
      return "CP932";
    case kEucKr:
      return "CP949";  // the Unified Hangul Code, as browsers read EUC-KR
    case kUtf16Be:
      return "UTF-16BE";
    case kUtf16Le:
      return "UTF-16LE";
    case kReplacement:
    case kXUserDefined:
      return "";  // iconv has no decoder for these
  }
  return "";
}

// Asked once per encoding: the answer cannot change while the program runs.
bool CanDecode(Encoding encoding) {
  enum : std::uint8_t { kUnknown, kYes, kNo };
  static std::array<std::atomic<std::uint8_t>, kEncodingCount> known{};
  std::atomic<std::uint8_t>& slot = known[static_cast<std::size_t>(encoding)];
  std::uint8_t answer = slot.load(std::memory_order_relaxed);
  if (answer == kUnknown) {
    const std::string_view name = DecoderName(encoding);
    answer = (!name.empty() && Converter(std::string(name)).ok()) ? kYes : kNo;
    slot.store(answer, std::memory_order_relaxed);
  }
  return answer == kYes;
}

std::optional<std::string> DecodeToUtf8(std::string_view text, const std::string& name, bool cut) {
  Converter converter(name);
  if (!converter.ok()) return std::nullopt;
  return converter.Convert(text, cut);
}

}  // namespace qlm
