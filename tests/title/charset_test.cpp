#include "title/charset.h"

#include <gtest/gtest.h>

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

TEST(NextCharsetLabel, FindsBothDeclarationForms) {
  struct Row {
    const char* page;
    const char* label;
  };
  const Row rows[] = {
      {"<meta charset=\"koi8-r\"><title>", "koi8-r"},
      {"<META CHARSET=utf-8>", "utf-8"},
      {"<meta charset = 'windows-1251' />", "windows-1251"},
      {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-2\">",
       "ISO-8859-2"},
      {"<Meta\nhttp-equiv=content-type content='text/html;charset=big5'>", "big5"},
      {"<metadata charset=koi8-r>", ""},     // not a meta tag
      {"<p>charset=koi8-r</p>", ""},         // not in a meta tag
      {"<meta name=x> charset=koi8-r", ""},  // after the tag closed
      {"<meta charset=koi8", ""},            // may be cut by the read limit
      {"<meta charset=>", ""},
      {"<meta name=charsets content=none><meta charset=cp1251>", "cp1251"},
  };
  for (const Row& row : rows) {
    std::size_t pos = 0;
    EXPECT_EQ(NextCharsetLabel(row.page, pos), row.label) << row.page;
  }
}

TEST(ChooseCharset, BomThenDeclarationThenContent) {
  struct Row {
    const char* name;
    std::string page;
    std::string span;
    std::string charset;
  };
  const Row rows[] = {
      {"bom wins", "\xEF\xBB\xBF<meta charset=koi8-r>", "caf\xE9", "UTF-8"},
      {"declared", "<meta charset=koi8-r>", "\xF0\xD2\xC9", "koi8-r"},
      {"latin1 read as 1252", "<meta charset=ISO-8859-1>", "x", "CP1252"},
      {"unknown ignored, next used", "<meta charset=x-nonesuch><meta charset=koi8-r>", "x",
       "koi8-r"},
      {"unknown, valid utf-8", "<meta charset=x-nonesuch>", "caf\xC3\xA9", "UTF-8"},
      {"utf-16 claim ignored", "<meta charset=utf-16>", "caf\xE9", "CP1252"},
      {"utf-7 claim ignored", "<meta charset=utf-7>", "a+b", "UTF-8"},
      {"undeclared utf-8", "<title>", "caf\xC3\xA9", "UTF-8"},
      {"undeclared latin1", "<title>", "caf\xE9", "CP1252"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(ChooseCharset(row.page, row.span), row.charset) << row.name;
}

TEST(ConvertToUtf8, CharsetsAndBadBytes) {
  struct Row {
    const char* name;
    std::string in;
    std::string charset;
    bool cut;
    std::string out;
  };
  const Row rows[] = {
      {"1252 e-acute", "Caf\xE9", "CP1252", false, "Caf\xC3\xA9"},
      {"1252 en dash", "a\x96z", "CP1252", false, "a\xE2\x80\x93z"},
      {"1252 undefined byte", "a\x81z", "CP1252", false, "a\xEF\xBF\xBDz"},
      {"koi8-r", "\xF0\xD2\xC9\xD7\xC5\xD4", "koi8-r", false,
       "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},  // Привет
      {"cp932 cut inside a character", "ab\x82", "CP932", true, "ab"},
      {"cp932 incomplete, not cut", "ab\x82", "CP932", false, "ab\xEF\xBF\xBD"},
      {"utf-8 kept byte for byte", "\xD1\x96\xE2\x80\x93", "UTF-8", false, "\xD1\x96\xE2\x80\x93"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(ConvertToUtf8(row.in, row.charset, row.cut), row.out) << row.name;
}

}  // namespace
}  // namespace qlm
