// ExtractTitle, the in-memory part of the title reader: tags, cuts, trims, charsets, entities.
#include <gtest/gtest.h>

#include "common/messages.h"
#include "title/read_title.h"
#include "title/utf8.h"

namespace qlm {
namespace {

const std::string kParse(msg::kFileCouldNotBeParsed);
const std::string kNoTitle(msg::kFileHasNoTitle);

struct Row {
  const char* name;
  std::string page;
  bool entities;
  std::int32_t result;
  std::string out;
};

void PrintTo(const Row& row, std::ostream* os) {
  *os << row.name;
}

std::string Page(const std::string& title) {
  return "<html><head><title>" + title + "</title></head></html>";
}

// A page whose closing tag starts at byte `close_at`.
std::string ClosingTagAt(std::size_t close_at) {
  std::string page = "<title>x";
  page.append(close_at - page.size(), 'y');
  return page + "</title>";
}

class ExtractTitleTest : public ::testing::TestWithParam<Row> {};

TEST_P(ExtractTitleTest, GivesTheDesignedResult) {
  const Row& row = GetParam();
  std::string out = "stale";
  EXPECT_EQ(ExtractTitle(row.page, row.entities, out), row.result);
  EXPECT_EQ(out, row.out);
}

INSTANTIATE_TEST_SUITE_P(
    Tags, ExtractTitleTest,
    ::testing::Values(
        Row{"Plain", "<title>Annual Report</title>", true, TitleOk, "Annual Report"},
        Row{"BlanksTrimmedAndCollapsed", "<TITLE>\r\n  Annual   Report \t</TITLE>", true, TitleOk,
            "Annual Report"},
        Row{"AnyLetterCase", "<tItLe>Mixed</TiTlE>", true, TitleOk, "Mixed"},
        Row{"BlankInOpeningTag", "<Title >Report</Title>", true, TitleError, kParse},
        Row{"AttributeInOpeningTag", "<title lang=en>Report</title>", true, TitleError, kParse},
        Row{"BlankAfterBracket", "< title>Report</title>", true, TitleError, kParse},
        Row{"BlankInClosingTag", "<title>Report</title >", true, TitleError, kParse},
        Row{"NoClosingTag", "<title>Report", true, TitleError, kParse},
        Row{"NoTagsAtAll", "just text", true, TitleError, kParse},
        Row{"Empty", "", true, TitleError, kParse},
        Row{"NothingBetween", "<title></title>", true, TitleError, kNoTitle},
        Row{"OnlyBlanksBetween", "<title> \r\n\t \r\n</title>", true, TitleError, kNoTitle},
        Row{"FirstOfTwo", "<title>A</title><title>B</title>", true, TitleOk, "A"},
        Row{"InsideAComment", "<!-- <title>Hidden</title> -->", true, TitleOk, "Hidden"},
        // Closing tag first: the title runs to the next closing tag after the opening one.
        Row{"ClosingTagFirst", "</title><title>Report</title>", true, TitleOk, "Report"},
        Row{"ClosingTagFirstNoSecond", "</title><title>Report", true, TitleError, kParse},
        Row{"ClosingTagFirstEmpty", "</title><title></title>", true, TitleError, kNoTitle},
        Row{"ClosingTagEndsAtByte1000", ClosingTagAt(992), true, TitleOk,
            "x" + std::string(299 - 1, 'y')},
        Row{"ClosingTagCrossesByte1000", ClosingTagAt(993), true, TitleError, kParse},
        Row{"TitleBeyondTheRead", std::string(1000, ' ') + "<title>Late</title>", true, TitleError,
            kParse},
        Row{"ZeroByteBeforeTags", std::string("\0<title>x</title>", 17), true, TitleError, kParse},
        Row{"ZeroByteInsideTitle", std::string("<title>ab\0cd</title>", 20), true, TitleError,
            kParse},
        Row{"ZeroByteAfterTitle", std::string("<title>ok</title>\0\xFF", 19), true, TitleOk, "ok"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    LengthAndEntities, ExtractTitleTest,
    ::testing::Values(
        Row{"FourHundredBytesCutTo299", Page(std::string(400, 'x')), true, TitleOk,
            std::string(299, 'x')},
        Row{"CutBeforeTrim", Page(std::string(10, ' ') + std::string(300, 'x')), true, TitleOk,
            std::string(289, 'x')},
        Row{"FishAndChipsDecoded", Page("Fish &amp; Chips"), true, TitleOk, "Fish & Chips"},
        Row{"FishAndChipsKept", Page("Fish &amp; Chips"), false, TitleOk, "Fish &amp; Chips"},
        Row{"EntityInUtf8", Page("Caf&eacute;"), true, TitleOk, "Caf\xC3\xA9"},
        Row{"DecodedMarkupIsMapped", Page("&lt;b&gt; &quot;x&quot;"), true, TitleOk, "(b) 'x'"},
        Row{"OnlyNbspEntities", Page("&nbsp;&nbsp;&nbsp;"), true, TitleOk,
            "\xC2\xA0\xC2\xA0\xC2\xA0"},  // no-break spaces are no blanks: a name of three
        Row{"OnlyNbspEntitiesKept", Page("&nbsp;&nbsp;"), false, TitleOk, "&nbsp;&nbsp;"},
        Row{"AmpersandsCutTo299", Page(std::string(900, '&')), true, TitleOk,
            std::string(299, '&')},
        Row{"TenThousandAmpersands", "<title>" + std::string(10000, '&') + "</title>", true,
            TitleError, kParse},  // the closing tag lies beyond the bytes read
        Row{"QuestionMarkAlone", Page("?"), true, TitleOk, " "}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Charsets, ExtractTitleTest,
    ::testing::Values(
        Row{"UndeclaredLatin1", Page("Caf\xE9"), true, TitleOk, "Caf\xC3\xA9"},
        Row{"UndeclaredUtf8KeptAsIs", Page("Caf\xC3\xA9 \xD1\x96"), true, TitleOk,
            "Caf\xC3\xA9 \xD1\x96"},
        Row{"Undeclared1252EnDash",
            Page("1999\x96"
                 "2003"),
            true, TitleOk, "1999-2003"},
        Row{"Utf8EnDashAndUkrainianI", Page("a \xE2\x80\x93 \xD1\x96"), true, TitleOk,
            "a - \xD1\x96"},
        Row{"DeclaredKoi8r",
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=koi8-r\">"
            "<title>\xF0\xD2\xC9\xD7\xC5\xD4</title>",
            true, TitleOk, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        Row{"DeclaredAfterTitle", "<title>\xF0\xD2\xC9</title><meta charset=koi8-r>", true, TitleOk,
            "\xD0\x9F\xD1\x80\xD0\xB8"},
        Row{"DeclaredUtf8BadByte", "<meta charset=utf-8><title>a\xE9z</title>", true, TitleOk,
            "a\xEF\xBF\xBDz"},
        Row{"BomDecides", "\xEF\xBB\xBF<title>a\xE9z</title>", true, TitleOk, "a\xEF\xBF\xBDz"},
        Row{"BinaryTitle", Page("\x01\x02\xFF\xFE"), true, TitleOk, "\x01\x02\xC3\xBF\xC3\xBE"},
        Row{"Utf16Le", std::string("\xFF\xFE<\0t\0i\0t\0l\0e\0>\0x\0", 18), true, TitleError,
            kParse}),
    [](const auto& info) { return std::string(info.param.name); });

// "Привет" in UTF-8, and what a page that only looks as if it declared KOI8-R makes of it.
const std::string kPrivetUtf8 = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";

// A UTF-8 page whose "<meta charset=koi8-r>" runs over byte 1000, after its title.
std::string Koi8rLabelCutByTheReadLimit() {
  std::string page = "<title>" + kPrivetUtf8 + "</title>";
  page.append(1000 - page.size() - 18, ' ');
  return page + "<meta charset=koi8-r>";  // byte 1000 falls between "koi8" and "-r"
}

INSTANTIATE_TEST_SUITE_P(
    Declarations, ExtractTitleTest,
    ::testing::Values(
        Row{"Utf8WithKoi8rDecoyInComment",
            "<!-- <meta charset=koi8-r> --><meta charset=utf-8><title>" + kPrivetUtf8 + "</title>",
            true, TitleOk, kPrivetUtf8},
        Row{"UndeclaredUtf8WithKoi8rDecoyInComment",
            "<!-- <meta charset=koi8-r> --><title>" + kPrivetUtf8 + "</title>", true, TitleOk,
            kPrivetUtf8},
        Row{"UndeclaredUtf8WithKoi8rDecoyInCommentHoldingGreaterThan",
            "<!-- if a > b: <meta charset=koi8-r> --><title>" + kPrivetUtf8 + "</title>", true,
            TitleOk, kPrivetUtf8},
        Row{"Utf8WithKoi8rDecoyInDescription",
            "<meta name=\"description\" content=\"charset=koi8-r\"><title>" + kPrivetUtf8 +
                "</title>",
            true, TitleOk, kPrivetUtf8},
        Row{"Utf8WithKoi8rDecoyAttributeName",
            "<meta data-charset=koi8-r><title>" + kPrivetUtf8 + "</title>", true, TitleOk,
            kPrivetUtf8},
        Row{"Utf8WithKoi8rDecoyInScript",
            "<script>var x = 'charset=koi8-r';</script><title>" + kPrivetUtf8 + "</title>", true,
            TitleOk, kPrivetUtf8},
        Row{"Utf8WithKoi8rLabelCutByTheReadLimit", Koi8rLabelCutByTheReadLimit(), true, TitleOk,
            kPrivetUtf8},
        // Labels of ISO 8859-1 and US-ASCII read as Windows-1252: 0x96 is an en dash (which the
        // name map makes '-') and 0x80 the euro sign, never C1 controls or U+FFFD.
        Row{"Iso88591LabelReads1252", "<meta charset=iso88591><title>1999\x96 2003 \x80</title>",
            true, TitleOk, "1999- 2003 \xE2\x82\xAC"},
        Row{"Csisolatin1LabelReads1252",
            "<meta charset=\"csisolatin1\"><title>1999\x96 2003 \x80</title>", true, TitleOk,
            "1999- 2003 \xE2\x82\xAC"},
        Row{"AnsiX34LabelReads1252",
            "<meta http-equiv=Content-Type content=\"text/html; charset=ANSI_X3.4-1968\">"
            "<title>1999\x96 2003 \x80</title>",
            true, TitleOk, "1999- 2003 \xE2\x82\xAC"},
        Row{"IsoIr100LabelReads1252", "<meta charset=iso-ir-100><title>\x80 \xE9</title>", true,
            TitleOk, "\xE2\x82\xAC \xC3\xA9"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExtractTitle, CutInsideAMultiByteCharacterDropsIt) {
  // 298 letters and an e-acute: the 299-byte cut falls between C3 and A9.
  std::string out;
  ASSERT_EQ(ExtractTitle(Page(std::string(298, 'a') + "\xC3\xA9" + "tail"), true, out), TitleOk);
  EXPECT_EQ(out, std::string(298, 'a'));
  // Declared Shift_JIS: the cut falls after the lead byte 0x82 of a two-byte character.
  const std::string sjis =
      "<meta charset=shift_jis><title>" + std::string(298, 'a') + "\x82\xA0</title>";
  ASSERT_EQ(ExtractTitle(sjis, true, out), TitleOk);
  EXPECT_EQ(out, std::string(298, 'a'));
}

TEST(ExtractTitle, Latin1GrowthIsCutAgainOnACharacterBoundary) {
  // 299 Latin-1 bytes become 598 UTF-8 bytes; the name keeps 149 whole characters.
  std::string out;
  ASSERT_EQ(ExtractTitle(Page(std::string(299, '\xE9')), true, out), TitleOk);
  std::string expected;
  for (int i = 0; i < 149; ++i)
    expected += "\xC3\xA9";
  EXPECT_EQ(out, expected);
}

TEST(ExtractTitle, OnlyTheFirst1000BytesCount) {
  // The same page with garbage after byte 1000 gives the same answer.
  std::string page = Page("Report");
  page.resize(1000, ' ');
  std::string out_short;
  std::string out_long;
  const auto short_result = ExtractTitle(page, true, out_short);
  const auto long_result = ExtractTitle(page + "</title><title>Other", true, out_long);
  EXPECT_EQ(short_result, long_result);
  EXPECT_EQ(out_short, out_long);
  EXPECT_EQ(out_short, "Report");
}

}  // namespace
}  // namespace qlm
