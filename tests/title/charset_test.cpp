#include "title/charset.h"

#include <gtest/gtest.h>

#include <set>

#include "title/utf8.h"

namespace qlm {
namespace {

TEST(Utf8, WellFormedness) {
  struct Row {
    std::string text;
    bool valid;
  };
  const Row rows[] = {
      {"", true},
      {"plain", true},
      {"caf\xC3\xA9", true},
      {"\xE2\x80\x93", true},
      {"\xF0\x9F\x98\x80", true},   // U+1F600
      {"\xF4\x8F\xBF\xBF", true},   // U+10FFFF
      {"caf\xE9", false},           // Latin-1
      {"\xC0\xAF", false},          // overlong '/'
      {"\xE0\x80\xAF", false},      // overlong '/'
      {"\xED\xA0\x80", false},      // surrogate
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\xC3", false},              // cut short
      {"\x80", false},              // lone continuation
  };
  for (const Row& row : rows)
    EXPECT_EQ(IsValidUtf8(row.text), row.valid) << ::testing::PrintToString(row.text);
}

TEST(Utf8, RepairReplacesEachMalformedPieceOnce) {
  struct Row {
    std::string in;
    bool drop_tail;
    std::string out;
  };
  const Row rows[] = {
      {"caf\xC3\xA9", false, "caf\xC3\xA9"},
      {"caf\xE9!", false, "caf\xEF\xBF\xBD!"},
      {"\xE2\x80"
       "A",
       false,
       "\xEF\xBF\xBD"
       "A"},                                    // one U+FFFD for the broken beginning
      {"ab\xE2\x80", false, "ab\xEF\xBF\xBD"},  // incomplete at the end, not cut
      {"ab\xE2\x80", true, "ab"},               // incomplete because of a cut
      {"ab\xFF", true, "ab\xEF\xBF\xBD"},       // malformed, not merely cut
  };
  for (const Row& row : rows) {
    std::string out;
    AppendRepairedUtf8(row.in, row.drop_tail, out);
    EXPECT_EQ(out, row.out) << ::testing::PrintToString(row.in);
  }
}

TEST(ChooseCharset, BomThenDeclarationThenContent) {
  struct Row {
    const char* name;
    std::string page;
    std::string span;
    Encoding encoding;
  };
  using enum Encoding;
  const Row rows[] = {
      {"bom wins", "\xEF\xBB\xBF<meta charset=koi8-r>", "caf\xE9", kUtf8},
      {"declared", "<meta charset=koi8-r>", "\xF0\xD2\xC9", kKoi8R},
      {"latin1 read as 1252", "<meta charset=ISO-8859-1>", "x", kWindows1252},
      {"iso88591 read as 1252", "<meta charset=iso88591>", "x", kWindows1252},
      {"iso-ir-100 read as 1252", "<meta charset=iso-ir-100>", "x", kWindows1252},
      {"csisolatin1 read as 1252", "<meta charset=csisolatin1>", "x", kWindows1252},
      {"ibm819 read as 1252", "<meta charset=ibm819>", "x", kWindows1252},
      {"iso_8859-1:1987 read as 1252", "<meta charset=iso_8859-1:1987>", "x", kWindows1252},
      {"ascii read as 1252", "<meta charset=ansi_x3.4-1968>", "x", kWindows1252},
      {"unknown ignored, next used", "<meta charset=x-nonesuch><meta charset=koi8-r>", "x", kKoi8R},
      {"unknown, valid utf-8", "<meta charset=x-nonesuch>", "caf\xC3\xA9", kUtf8},
      // A browser reads a page that calls itself UTF-16 as UTF-8 (its tags were ASCII).
      {"utf-16 claim read as utf-8", "<meta charset=utf-16>", "caf\xE9", kUtf8},
      {"utf-7 claim ignored", "<meta charset=utf-7>", "a+b", kUtf8},
      {"replacement ignored, utf-8", "<meta charset=iso-2022-kr>", "caf\xC3\xA9", kUtf8},
      {"replacement ignored, 1252", "<meta charset=hz-gb-2312>", "caf\xE9", kWindows1252},
      {"x-user-defined read as 1252", "<meta charset=x-user-defined>", "caf\xC3\xA9", kWindows1252},
      {"x-user-defined xml declaration ignored",
       "<?xml version=\"1.0\" encoding=\"x-user-defined\"?>", "caf\xC3\xA9", kUtf8},
      {"decoy in a comment ignored", "<!-- <meta charset=koi8-r> -->", "caf\xC3\xA9", kUtf8},
      {"decoy in a description ignored", "<meta name=description content=\"charset=koi8-r\">",
       "caf\xC3\xA9", kUtf8},
      {"label cut by the read limit ignored", "<meta charset=koi8", "caf\xC3\xA9", kUtf8},
      {"undeclared utf-8", "<title>", "caf\xC3\xA9", kUtf8},
      {"undeclared latin1", "<title>", "caf\xE9", kWindows1252},
  };
  for (const Row& row : rows)
    EXPECT_EQ(ChooseCharset(row.page, row.span), DecoderName(row.encoding)) << row.name;
}

// Each encoding's iconv name decodes bytes that tell look-alike decoders apart as browsers
// decode them (the values are those of the Encoding Standard's indexes).
TEST(DecoderName, DecodesAsBrowsersDo) {
  using enum Encoding;
  struct Row {
    Encoding encoding;
    std::string bytes;
    std::string utf8;
  };
  const Row rows[] = {
      {kUtf8, "\xE2\x80\x93", "\xE2\x80\x93"},
      {kIbm866, "\x8F\xE0\xA8", "\xD0\x9F\xD1\x80\xD0\xB8"},              // При
      {kIso8859_2, "\xB1", "\xC4\x85"},                                   // ą
      {kIso8859_3, "\xA1", "\xC4\xA6"},                                   // Ħ
      {kIso8859_4, "\xA2", "\xC4\xB8"},                                   // ĸ
      {kIso8859_5, "\xBF", "\xD0\x9F"},                                   // П
      {kIso8859_6, "\xC7", "\xD8\xA7"},                                   // ا
      {kIso8859_7, "\xA4\xC1", "\xE2\x82\xAC\xCE\x91"},                   // €Α (2003 table)
      {kIso8859_8, "\xE0", "\xD7\x90"},                                   // א
      {kIso8859_8I, "\xE0", "\xD7\x90"},                                  // א
      {kIso8859_10, "\xBD", "\xE2\x80\x95"},                              // ―
      {kIso8859_13, "\xA1", "\xE2\x80\x9D"},                              // ”
      {kIso8859_14, "\xA1", "\xE1\xB8\x82"},                              // Ḃ
      {kIso8859_15, "\xA4", "\xE2\x82\xAC"},                              // €
      {kIso8859_16, "\xA5", "\xE2\x80\x9E"},                              // „
      {kKoi8R, "\xF0\xD2\xC9", "\xD0\x9F\xD1\x80\xD0\xB8"},               // При
      {kKoi8U, "\xA4\xA6", "\xD1\x94\xD1\x96"},                           // єі
      {kMacintosh, "\x8E\xDB", "\xC3\xA9\xE2\x82\xAC"},                   // é€
      {kWindows874, "\x80\xA1", "\xE2\x82\xAC\xE0\xB8\x81"},              // €ก
      {kWindows1250, "\x8A", "\xC5\xA0"},                                 // Š
      {kWindows1251, "\xCF\x88", "\xD0\x9F\xE2\x82\xAC"},                 // П€
      {kWindows1252, "\x80\x96", "\xE2\x82\xAC\xE2\x80\x93"},             // €–
      {kWindows1253, "\xC1", "\xCE\x91"},                                 // Α
      {kWindows1254, "\xD0", "\xC4\x9E"},                                 // Ğ
      {kWindows1255, "\xE0\xA4", "\xD7\x90\xE2\x82\xAA"},                 // א₪
      {kWindows1256, "\xC7", "\xD8\xA7"},                                 // ا
      {kWindows1257, "\xC0", "\xC4\x84"},                                 // Ą
      {kWindows1258, "\xC3", "\xC4\x82"},                                 // Ă
      {kXMacCyrillic, "\x8F\xA2", "\xD0\x9F\xD2\x90"},                    // ПҐ
      {kGbk, "\xC4\xE3\xA1\xA4", "\xE4\xBD\xA0\xC2\xB7"},                 // 你· (not ・)
      {kGbk, "\x81\x30\x86\x38", "\xC3\x80"},                             // four bytes: À
      {kGb18030, "\xC4\xE3\xBA\xC3", "\xE4\xBD\xA0\xE5\xA5\xBD"},         // 你好
      {kBig5, "\xA4\xA4\xA4\xE5", "\xE4\xB8\xAD\xE6\x96\x87"},            // 中文
      {kBig5, "\x88\x62", "\xC3\x8A\xCC\x84"},                            // HKSCS: Ê̄
      {kEucJp, "\xC6\xFC\xCB\xDC", "\xE6\x97\xA5\xE6\x9C\xAC"},           // 日本
      {kEucJp, "\xA1\xC1\xAD\xA1", "\xEF\xBD\x9E\xE2\x91\xA0"},           // ～① (not 〜)
      {kIso2022Jp, "\x1B$BF|K\\\x1B(B", "\xE6\x97\xA5\xE6\x9C\xAC"},      // 日本
      {kIso2022Jp, "\x1B(I1\x1B(B", "\xEF\xBD\xB1"},                      // ｱ
      {kShiftJis, "\x93\xFA\x96\x7B\x5C", "\xE6\x97\xA5\xE6\x9C\xAC\\"},  // 日本\ (not ¥)
      {kShiftJis, "\x81\x60\x87\x40", "\xEF\xBD\x9E\xE2\x91\xA0"},        // ～①
      {kEucKr, "\xC7\xD1\xB1\xDB", "\xED\x95\x9C\xEA\xB8\x80"},           // 한글
      {kEucKr, "\x81\x41", "\xEA\xB0\x82"},                               // 갂 (UHC)
      {kUtf16Be, std::string("\0A", 2), "A"},
      {kUtf16Le, std::string("A\0", 2), "A"},
  };
  std::set<Encoding> covered;
  for (const Row& row : rows) {
    covered.insert(row.encoding);
    const std::string name(DecoderName(row.encoding));
    EXPECT_EQ(ConvertToUtf8(row.bytes, name, false), row.utf8)
        << EncodingName(row.encoding) << " as " << name;
  }
  for (std::size_t i = 0; i < kEncodingCount; ++i) {
    const auto encoding = static_cast<Encoding>(i);
    if (encoding == kReplacement || encoding == kXUserDefined) {
      EXPECT_EQ(DecoderName(encoding), "") << EncodingName(encoding);
    } else {
      EXPECT_TRUE(covered.contains(encoding)) << "no row for " << EncodingName(encoding);
    }
  }
}

TEST(ConvertToUtf8, CharsetsAndBadBytes) {
  struct Row {
    const char* name;
    std::string in;
    Encoding encoding;
    bool cut;
    std::string out;
  };
  using enum Encoding;
  const Row rows[] = {
      {"1252 e-acute", "Caf\xE9", kWindows1252, false, "Caf\xC3\xA9"},
      {"1252 en dash", "a\x96z", kWindows1252, false, "a\xE2\x80\x93z"},
      {"1252 undefined byte", "a\x81z", kWindows1252, false, "a\xEF\xBF\xBDz"},
      {"koi8-r", "\xF0\xD2\xC9\xD7\xC5\xD4", kKoi8R, false,
       "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},  // Привет
      {"cp932 cut inside a character", "ab\x82", kShiftJis, true, "ab"},
      {"cp932 incomplete, not cut", "ab\x82", kShiftJis, false, "ab\xEF\xBF\xBD"},
      {"gb18030 four bytes cut", "ab\x81\x30\x86", kGb18030, true, "ab"},
      {"gb18030 four bytes incomplete", "ab\x81\x30\x86", kGb18030, false, "ab\xEF\xBF\xBD"},
      {"gb18030 beyond the plane", "\x90\x30\x81\x30", kGb18030, false, "\xF0\x90\x80\x80"},
      {"big5 cut", "ab\xA4", kBig5, true, "ab"},
      {"big5 bad trail byte", "\xA4\x20x", kBig5, false, "\xEF\xBF\xBD x"},
      {"euc-jp katakana", "\x8E\xB1", kEucJp, false, "\xEF\xBD\xB1"},
      {"euc-jp jis x 0212", "\x8F\xB0\xA1", kEucJp, false, "\xE4\xB8\x82"},
      {"euc-jp three bytes cut", "ab\x8F\xB0", kEucJp, true, "ab"},
      {"euc-jp three bytes incomplete", "ab\x8F\xB0", kEucJp, false, "ab\xEF\xBF\xBD"},
      {"utf-8 kept byte for byte", "\xD1\x96\xE2\x80\x93", kUtf8, false, "\xD1\x96\xE2\x80\x93"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(ConvertToUtf8(row.in, std::string(DecoderName(row.encoding)), row.cut), row.out)
        << row.name;
}

}  // namespace
}  // namespace qlm
