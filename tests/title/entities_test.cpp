#include "title/entities.h"

#include <gtest/gtest.h>

#include <set>

namespace qlm {
namespace {

TEST(EntityTable, MarkupFourThenLatin1InCodeOrder) {
  ASSERT_EQ(EntityTable.size(), 100u);
  const int markup[] = {34, 38, 60, 62};
  for (std::size_t i = 0; i < 4; ++i)
    EXPECT_EQ(EntityTable[i].code, markup[i]) << EntityTable[i].name;
  std::set<std::string_view> names;
  for (std::size_t i = 0; i < EntityTable.size(); ++i) {
    const EntityRow& row = EntityTable[i];
    if (i >= 4) {
      EXPECT_EQ(row.code, 160 + (i - 4)) << row.name;
    }
    EXPECT_GE(row.name.size(), 2u) << row.name;
    EXPECT_LE(row.name.size(), 6u) << row.name;
    EXPECT_TRUE(names.insert(row.name).second) << "duplicate " << row.name;
  }
  // Fixed points of the code order: a name shifted by one row moves all of these.
  const std::pair<const char*, int> anchors[] = {
      {"quot", 34},    {"amp", 38},     {"lt", 60},     {"gt", 62},      {"nbsp", 160},
      {"uml", 168},    {"copy", 169},   {"macr", 175},  {"deg", 176},    {"frac12", 189},
      {"iquest", 191}, {"Agrave", 192}, {"AElig", 198}, {"ETH", 208},    {"times", 215},
      {"szlig", 223},  {"agrave", 224}, {"eth", 240},   {"divide", 247}, {"yuml", 255}};
  for (const auto& [name, code] : anchors)
    EXPECT_EQ(FindEntity(name), code) << name;
  EXPECT_EQ(FindEntity("AMP"), -1);
  EXPECT_EQ(FindEntity("euro"), -1);
}

struct DecodeRow {
  const char* name;
  std::string in;
  std::string out;
};

void PrintTo(const DecodeRow& row, std::ostream* os) {
  *os << row.name;
}

class DecodeEntitiesTest : public ::testing::TestWithParam<DecodeRow> {};

TEST_P(DecodeEntitiesTest, OnePassCaseSensitive) {
  std::string text = GetParam().in;
  DecodeEntities(text);
  EXPECT_EQ(text, GetParam().out);
  EXPECT_LE(text.size(), GetParam().in.size());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DecodeEntitiesTest,
    ::testing::Values(
        DecodeRow{"FishAndChips", "Fish &amp; Chips", "Fish & Chips"},
        DecodeRow{"TwoInARow", "&lt;&lt;", "<<"}, DecodeRow{"BareAmpBeforeRef", "&&lt;", "&<"},
        DecodeRow{"SecondSemicolonStays", "&lt;;", "<;"},
        DecodeRow{"SemicolonBefore", "x;&lt;", "x;<"},
        DecodeRow{"NoSemicolonAtEnd", "a &lt", "a &lt"},
        DecodeRow{"NoSemicolonFurtherOn", "&lt and more", "&lt and more"},
        DecodeRow{"EmptyName", "&;", "&;"}, DecodeRow{"OneLetterName", "&a;", "&a;"},
        DecodeRow{"SevenLettersThenRef", "&abcdefg;&lt;", "&abcdefg;<"},
        DecodeRow{"SemicolonNotAdjacent", "&nbsp ;", "&nbsp ;"},
        DecodeRow{"CopyWithoutSemicolon", "&copy 2003;", "&copy 2003;"},
        DecodeRow{"CaseMatters", "&AMP;&NBSP;&Auml;&auml;", "&AMP;&NBSP;\xC3\x84\xC3\xA4"},
        DecodeRow{"NumericAndUnknownStay", "&#169;&euro;&ndash;&apos;&hellip;",
                  "&#169;&euro;&ndash;&apos;&hellip;"},
        DecodeRow{"ProducedCharNotRescanned", "&amp;lt;", "&lt;"},
        DecodeRow{"AmpInsideFailedRef", "&lt&gt;", "&lt>"},
        DecodeRow{"AtAndT", "AT&T; &copy;", "AT&T; \xC2\xA9"},
        DecodeRow{"Latin1RunInUtf8", "&Agrave;&eacute;&ntilde;&divide;&frac14;&yuml;&THORN;&szlig;",
                  "\xC3\x80\xC3\xA9\xC3\xB1\xC3\xB7\xC2\xBC\xC3\xBF\xC3\x9E\xC3\x9F"},
        DecodeRow{"UmlAndSect", "&uml;&sect;", "\xC2\xA8\xC2\xA7"},
        DecodeRow{"NbspIsTwoBytes", "a&nbsp;b",
                  "a\xC2\xA0"
                  "b"},
        DecodeRow{"MarkupGiveAscii", "&quot;&amp;&lt;&gt;", "\"&<>"},
        DecodeRow{"TailKeptAfterLastRef", "x &gt; y & z", "x > y & z"}, DecodeRow{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DecodeEntities, ManyAmpersandsStayAndFinish) {
  std::string text(10000, '&');
  DecodeEntities(text);
  EXPECT_EQ(text, std::string(10000, '&'));
  text = std::string(10000, '&') + ";";
  DecodeEntities(text);
  EXPECT_EQ(text, std::string(10000, '&') + ";");
}

TEST(DecodeEntities, LongRunOfReferencesKeepsOrder) {
  std::string text;
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    text += (i % 2 ? "&lt;" : "&eacute;x");
    expected += (i % 2 ? "<" : "\xC3\xA9x");
  }
  DecodeEntities(text);
  EXPECT_EQ(text, expected);
}

}  // namespace
}  // namespace qlm
