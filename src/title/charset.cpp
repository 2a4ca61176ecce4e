#include "title/charset.h"

#include "title/decoder.h"
#include "title/prescan.h"
#include "title/utf8.h"

namespace qlm {

std::string ChooseCharset(std::string_view page, std::string_view span) {
  const std::string utf8(DecoderName(Encoding::kUtf8));
  if (page.starts_with("\xEF\xBB\xBF")) return utf8;
  const std::optional<Encoding> declared = PrescanEncoding(page);
  if (declared && CanDecode(*declared)) return std::string(DecoderName(*declared));
  return IsValidUtf8(span) ? utf8 : std::string(DecoderName(Encoding::kWindows1252));
}

std::string ConvertToUtf8(std::string_view title, const std::string& charset, bool cut) {
  std::string out;
  if (charset == DecoderName(Encoding::kUtf8)) {
    if (IsValidUtf8(title)) return std::string(title);  // the common case, copied whole
    AppendRepairedUtf8(title, cut, out);
    return out;
  }
  const std::optional<std::string> decoded = DecodeToUtf8(title, charset, cut);
  if (!decoded) {
    // Only the Windows-1252 fallback can get here (declared charsets were opened before),
    // on a system without a decoder for it: read the bytes as ISO 8859-1 then.
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
  // A decoder's UTF-8 is well-formed; the check costs little and makes it a promise of ours.
  AppendRepairedUtf8(*decoded, false, out);
  return out;
}

}  // namespace qlm
