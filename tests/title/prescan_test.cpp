// The HTML prescan: which declarations count, and which only look like one.
#include "title/prescan.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace qlm {
namespace {

using enum Encoding;

constexpr std::optional<Encoding> kNone = std::nullopt;

struct Row {
  const char* name;
  std::string bytes;
  std::optional<Encoding> expected;
};

void PrintTo(const Row& row, std::ostream* os) {
  *os << row.name;
}

std::string NameOf(std::optional<Encoding> encoding) {
  return encoding ? std::string(EncodingName(*encoding)) : "(none)";
}

class PrescanTest : public ::testing::TestWithParam<Row> {};

TEST_P(PrescanTest, FindsTheDeclaredEncoding) {
  const Row& row = GetParam();
  EXPECT_EQ(NameOf(PrescanEncoding(row.bytes)), NameOf(row.expected))
      << ::testing::PrintToString(row.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Declarations, PrescanTest,
    ::testing::Values(
        Row{"MetaCharsetDoubleQuoted", "<meta charset=\"koi8-r\"><title>", kKoi8R},
        Row{"MetaCharsetSingleQuotedWithSpaces", "<meta charset = 'windows-1251' />", kWindows1251},
        Row{"MetaCharsetUnquoted", "<META CHARSET=utf-8>", kUtf8},
        Row{"MetaCharsetPaddedLabel", "<meta charset=\" koi8-r \">", kKoi8R},
        Row{"MetaSlashCharset", "<meta/charset=koi8-r>", kKoi8R},
        Row{"MetaCharsetAfterOtherAttributes", "<meta name=x content=y charset=koi8-r>", kKoi8R},
        Row{"HttpEquivContentType",
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-2\">",
            kIso8859_2},
        Row{"HttpEquivAfterContent",
            "<meta content=\"text/html; charset=koi8-r\" http-equiv=content-type>", kKoi8R},
        Row{"HttpEquivNewlineSeparated",
            "<Meta\nhttp-equiv=content-type content='text/html;charset=big5'>", kBig5},
        Row{"HttpEquivAllCaps",
            "<META HTTP-EQUIV=\"CONTENT-TYPE\" CONTENT=\"TEXT/HTML; CHARSET=KOI8-R\">", kKoi8R},
        Row{"ContentLabelQuoted",
            "<meta http-equiv=content-type content=\"text/html; charset='koi8-r'\">", kKoi8R},
        Row{"ContentLabelBeforeSemicolon",
            "<meta http-equiv=content-type content=\"text/html;charset=koi8-r;x=y\">", kKoi8R},
        Row{"ContentSpacesAroundEquals",
            "<meta http-equiv=content-type content=\"text/html; charset = koi8-r\">", kKoi8R},
        Row{"ContentCharsetWordWithoutEquals",
            "<meta http-equiv=content-type content=\"charsets; charset=koi8-r\">", kKoi8R},
        Row{"LaterMetaAfterUnknownLabel", "<meta charset=x-nonesuch><meta charset=koi8-r>", kKoi8R},
        Row{"LaterMetaAfterOtherMeta", "<meta name=charsets content=none><meta charset=cp1251>",
            kWindows1251},
        Row{"DoctypeFirst", "<!DOCTYPE html><html lang=ru><head><meta charset=koi8-r>", kKoi8R},
        Row{"GreaterThanInsideMetaValue", "<meta name=\"a>b\" charset=koi8-r>", kKoi8R}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Decoys, PrescanTest,
    ::testing::Values(
        Row{"InComment", "<!-- <meta charset=koi8-r> --><title>", kNone},
        Row{"InCommentBeforeTheRealOne", "<!-- <meta charset=koi8-r> --><meta charset=utf-8>",
            kUtf8},
        Row{"CommentHoldingGreaterThan", "<!-- a > b <meta charset=koi8-r> -->", kNone},
        Row{"CommentEndsOnlyAtDashDashGreaterThan", "<!-- a -> b --!> <meta charset=koi8-r> -->",
            kNone},
        Row{"CommentUnclosed", "<!-- <meta charset=koi8-r>", kNone},
        Row{"CommentClosedByItsOwnDashes", "<!--><meta charset=koi8-r>", kKoi8R},
        Row{"CommentClosedByThreeDashes", "<!---><meta charset=koi8-r>", kKoi8R},
        Row{"InAnotherMetasContent", "<meta name=\"description\" content=\"charset=koi8-r\">",
            kNone},
        Row{"ContentWithoutHttpEquiv", "<meta content=\"text/html; charset=koi8-r\">", kNone},
        Row{"ContentWithOtherHttpEquiv", "<meta http-equiv=refresh content=\"5; charset=koi8-r\">",
            kNone},
        Row{"TailOfAnotherName", "<meta xcharset=koi8-r>", kNone},
        Row{"DataAttribute", "<meta data-charset=koi8-r>", kNone},
        Row{"NameStartingWithEquals", "<meta =charset=koi8-r>", kNone},
        Row{"InScriptText",
            "<script>var charset = 'koi8-r'; s = \"charset=koi8-r\";</script><title>", kNone},
        Row{"InParagraphText", "<p>charset=koi8-r</p>", kNone},
        Row{"AfterTheMetaClosed", "<meta name=x> charset=koi8-r ", kNone},
        Row{"MetadataTag", "<metadata charset=koi8-r>", kNone},
        Row{"OtherTagsAttribute", "<body charset=koi8-r>", kNone},
        Row{"MetaInsideAnotherTagsQuotedValue", "<a title=\"x> <meta charset=koi8-r>\">", kNone},
        Row{"EndTagAttribute", "</p charset=koi8-r><title>", kNone},
        Row{"EndTagSwallowsMeta", "</xxx<meta charset=iso-8859-2>", kNone},
        Row{"ProcessingInstruction", "<?php $charset=1 ?><meta charset=koi8-r>", kKoi8R},
        Row{"EmptyLabel", "<meta charset=>", kNone},
        Row{"UnknownLabel", "<meta charset=utf-7>", kNone}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    OutOfBytes, PrescanTest,
    ::testing::Values(
        Row{"LabelCut", "<meta charset=koi8", kNone},
        Row{"WholeLabelButNothingAfter", "<meta charset=koi8-r", kNone},
        Row{"QuotedLabelUnclosed", "<meta charset=\"koi8-r", kNone},
        Row{"TagUnclosed", "<meta charset=koi8-r ", kNone},
        Row{"ContentCut", "<meta http-equiv=content-type content=\"text/html; charset=koi8-r",
            kNone},
        Row{"PragmaNotYetSeen",
            "<meta content=\"text/html; charset=koi8-r\" http-equiv=content-typ", kNone},
        Row{"CompleteMetaBeforeTheEnd", "<meta charset=koi8-r><meta charset=utf-8", kKoi8R},
        Row{"UnclosedTagHidesTheRest", "<p class=\"x><meta charset=koi8-r>", kNone},
        Row{"EndsAtMetaName", "<title>x</title><meta", kNone}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Attributes, PrescanTest,
    ::testing::Values(
        Row{"FirstCharsetWins", "<meta charset=koi8-r charset=utf-8>", kKoi8R},
        Row{"FirstCharsetWinsEvenIfUnknown", "<meta charset=nonesuch charset=koi8-r>", kNone},
        Row{"FirstHttpEquivWins",
            "<meta http-equiv=refresh http-equiv=content-type "
            "content=\"text/html;charset=koi8-r\">",
            kNone},
        Row{"FirstContentWins",
            "<meta http-equiv=content-type content=\"text/html\" "
            "content=\"text/html;charset=koi8-r\">",
            kNone},
        Row{"CharsetOverridesEarlierContent",
            "<meta http-equiv=content-type content=\"text/html;charset=koi8-r\" "
            "charset=windows-1251>",
            kWindows1251},
        Row{"ContentDoesNotOverrideCharset",
            "<meta charset=windows-1251 http-equiv=content-type "
            "content=\"text/html;charset=koi8-r\">",
            kWindows1251},
        Row{"CharsetNeedsNoPragma", "<meta content=\"text/html;charset=koi8-r\" charset=cp1251>",
            kWindows1251},
        Row{"UnknownCharsetHidesContent",
            "<meta http-equiv=content-type content=\"text/html;charset=koi8-r\" charset=nonesuch>",
            kNone},
        Row{"ContentUnmatchedQuote",
            "<meta http-equiv=content-type content='text/html; charset=\"koi8-r'>", kNone},
        Row{"ValueQuotedWithOtherQuoteInside", "<meta charset='koi8-r\"'>", kNone},
        Row{"AttributeWithoutValueBeforeCharset", "<meta itemprop charset=koi8-r>", kKoi8R},
        Row{"EqualsAfterSpace", "<meta charset\n=\nkoi8-r>", kKoi8R}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Mapped, PrescanTest,
    ::testing::Values(Row{"Utf16BecomesUtf8", "<meta charset=utf-16>", kUtf8},
                      Row{"Utf16BeBecomesUtf8", "<meta charset=UTF-16BE>", kUtf8},
                      Row{"Utf16InContentBecomesUtf8",
                          "<meta http-equiv=content-type content=\"text/html; charset=utf-16le\">",
                          kUtf8},
                      Row{"XUserDefinedBecomes1252", "<meta charset=x-user-defined>", kWindows1252},
                      Row{"ReplacementAsDeclared", "<meta charset=iso-2022-kr>", kReplacement},
                      Row{"Latin1Is1252", "<meta charset=iso-8859-1>", kWindows1252}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    XmlDeclaration, PrescanTest,
    ::testing::Values(
        Row{"Used", "<?xml version=\"1.0\" encoding=\"koi8-r\"?><title>", kKoi8R},
        Row{"SingleQuoted", "<?xml version='1.0' encoding='koi8-r'?>", kKoi8R},
        Row{"MetaComesFirst", "<?xml version=\"1.0\" encoding=\"koi8-r\"?><meta charset=utf-8>",
            kUtf8},
        Row{"UsedWhenTheMetaIsCut",
            "<?xml version=\"1.0\" encoding=\"windows-1251\"?><meta charset=koi8", kWindows1251},
        Row{"NotAtTheStart", " <?xml version=\"1.0\" encoding=\"koi8-r\"?>", kNone},
        Row{"OutsideTheDeclaration", "<?xml version=\"1.0\"?> encoding=\"koi8-r\">", kNone},
        Row{"Unquoted", "<?xml version=\"1.0\" encoding=koi8-r?>", kNone},
        Row{"Utf16BecomesUtf8", "<?xml version=\"1.0\" encoding=\"utf-16\"?>", kUtf8},
        Row{"XUserDefinedAsDeclared", "<?xml version=\"1.0\" encoding=\"x-user-defined\"?>",
            kXUserDefined}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qlm
