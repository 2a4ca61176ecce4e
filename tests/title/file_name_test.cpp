#include "title/file_name.h"

#include <gtest/gtest.h>

namespace qlm {
namespace {

struct MapRow {
  const char* name;
  std::string in;
  std::string out;
};

void PrintTo(const MapRow& row, std::ostream* os) {
  *os << row.name;
}

class TitleToFileNameTest : public ::testing::TestWithParam<MapRow> {};

TEST_P(TitleToFileNameTest, MapsAndCollapses) {
  std::string text = GetParam().in;
  TitleToFileName(text);
  EXPECT_EQ(text, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TitleToFileNameTest,
    ::testing::Values(
        MapRow{"ColonAndSlash", "Sales: Q1/Q2", "Sales- Q1,Q2"},
        MapRow{"TrailingQuestionMark", "Q&A?", "Q&A "}, MapRow{"QuestionMarkAlone", "?", " "},
        MapRow{"QuestionMarkSpaceCollapsed", "Why? Because", "Why Because"},
        MapRow{"AngleBrackets", "a<b>c", "a(b)c"}, MapRow{"BarAndStar", "x|y*z", "x-y-z"},
        MapRow{"Backslash", "C:\\Temp", "C-,Temp"}, MapRow{"DoubleQuote", "say \"hi\"", "say 'hi'"},
        MapRow{"LineFeed", "one\ntwo", "one two"}, MapRow{"CrLf", "one\r\ntwo", "one two"},
        MapRow{"TabsAndSpaces", "Annual   Report \t", "Annual Report "},
        MapRow{"EnDashUtf8",
               "1999\xE2\x80\x93"
               "2003",
               "1999-2003"},
        MapRow{"CyrillicIStays", "\xD1\x96", "\xD1\x96"},  // U+0456, ends in byte 0x96
        MapRow{"LoneByte96Stays",
               "1999\x96"
               "2003",
               "1999\x96"
               "2003"},
        MapRow{"EmDashStays", "a\xE2\x80\x94z", "a\xE2\x80\x94z"},
        MapRow{"AmpersandAndLatin1Stay", "Tom & Jerry caf\xC3\xA9", "Tom & Jerry caf\xC3\xA9"},
        MapRow{"ControlByteKept", "a\x01z", "a\x01z"},
        MapRow{"NbspKept", "a\xC2\xA0\xC2\xA0z", "a\xC2\xA0\xC2\xA0z"},
        MapRow{"TrailingDotKept", "Read me.", "Read me."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TitleToFileName, EveryByteOutsideTheTableStays) {
  const std::string special = "\\/:*?\"<>|\t\n\r";
  std::string all;
  for (int b = 1; b < 256; ++b) {
    if (special.find(static_cast<char>(b)) == std::string::npos && b != ' ')
      all.push_back(static_cast<char>(b));
  }
  std::string text = all;
  TitleToFileName(text);
  EXPECT_EQ(text, all);
}

}  // namespace
}  // namespace qlm
