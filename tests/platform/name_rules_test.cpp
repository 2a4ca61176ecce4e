// The shared name rules: search matching, enumeration order, folding and refused names.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>

#include "platform/file_system.h"
#include "platform/path.h"

namespace qlm {
namespace {

TEST(NameRulesTest, SearchKindsMatchExtensionsInAnyCase) {
  for (const char* name : {"a.htm", "a.HTM", "a.Html", "a.html", ".htm", "x.y.hTmL"}) {
    EXPECT_TRUE(IsHtmlName(name)) << name;
  }
  for (const char* name : {"a.htmx", "a.ht", "htm", "a.htm.qlm", "a.xhtml_", ""}) {
    EXPECT_FALSE(IsHtmlName(name)) << name;
  }
  EXPECT_TRUE(IsScratchName("Intro.QLM"));
  EXPECT_FALSE(IsScratchName("Intro.qlmx"));
  EXPECT_FALSE(IsScratchName("qlm"));
}

TEST(NameRulesTest, FoldedOrderFoldsAsciiAndBreaksTiesByBytes) {
  std::vector<std::string> names = {"b", "B", "_", "a", "Ab", "aB", "ab", "\xC3\xA9", "Z", "z"};
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return CompareFoldedNames(a, b); });
  EXPECT_EQ(names,
            (std::vector<std::string>{"_", "a", "Ab", "aB", "ab", "B", "b", "Z", "z", "\xC3\xA9"}));
  EXPECT_FALSE(CompareFoldedNames("same", "same"));
}

// Byte by byte, as the order is defined: ASCII letters folded, then length, then raw bytes.
bool ReferenceOrder(const std::string& a, const std::string& b) {
  const auto lower = [](char c) {
    return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  };
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    if (lower(a[i]) != lower(b[i])) return lower(a[i]) < lower(b[i]);
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

TEST(NameRulesTest, FoldedOrderAgreesWithByteByByteOrderOnLongNames) {
  // Names long enough to be compared several bytes at once, differing anywhere, built from the
  // letters' neighbours and bytes outside ASCII.
  const std::string alphabet = std::string("@AZ[`az{.-") + "\xC3\x84\x7F\xFF";
  std::vector<std::string> names;
  unsigned seed = 7;
  for (int n = 0; n < 400; ++n) {
    std::string name(n % 23, 'm');
    for (char& c : name) {
      seed = seed * 1103515245 + 12345;
      if ((seed >> 16) % 4 == 0) c = alphabet[(seed >> 8) % alphabet.size()];
    }
    names.push_back(name);
  }
  for (const std::string& a : names) {
    for (const std::string& b : names) {
      ASSERT_EQ(CompareFoldedNames(a, b), ReferenceOrder(a, b)) << a << " | " << b;
    }
  }
  std::vector<std::string> expected = names;
  std::sort(expected.begin(), expected.end(), ReferenceOrder);
  SortFoldedNames(names);
  EXPECT_EQ(names, expected);
}

TEST(NameRulesTest, FoldedNameHashedWithoutFoldingIsTheFoldedBytesHash) {
  // Every length up to past five words, ASCII and not, letters anywhere: both ways agree, and
  // case variants share their hash.
  const std::string pieces[] = {"A", "z", "\xC3\x84", "\xC3\xA4", "-", "\xFF", "Q", "7"};
  std::set<std::size_t> seen;
  unsigned seed = 11;
  for (int n = 0; n < 600; ++n) {
    std::string name;
    while (name.size() < static_cast<std::size_t>(n % 45)) {
      seed = seed * 1103515245 + 12345;
      name += (seed >> 16) % 3 == 0 ? pieces[(seed >> 8) % std::size(pieces)] : "m";
    }
    EXPECT_EQ(HashFoldedName(name), HashFolded(FoldName(name))) << name;
    EXPECT_EQ(HashFoldedName(name), HashFoldedName(FoldName(name))) << name;
    seen.insert(HashFolded(FoldName(name)));
  }
  EXPECT_GT(seen.size(), 500u);  // different names, different hashes (nearly always)
}

TEST(NameRulesTest, ControlBytesAndSeparatorsRefusedWhereverTheyStand) {
  // Every byte value at every place of a name long enough to be checked several bytes at once.
  for (int byte = 0; byte < 256; ++byte) {
    for (std::size_t at = 0; at < 19; ++at) {
      std::string name(19, 'n');
      name[at] = static_cast<char>(byte);
      const bool refused = byte < 32 || path::IsSeparator(name[at]) || path::IsForeignName(name);
      EXPECT_EQ(CheckNewName(name), refused ? FsError::InvalidName : FsError::Ok)
          << byte << " at " << at;
    }
  }
}

struct FoldRow {
  const char* label;
  std::string name;
  std::string folded;
};

class FoldNameTest : public ::testing::TestWithParam<FoldRow> {};

TEST_P(FoldNameTest, FoldsSimpleCasePairs) {
  EXPECT_EQ(FoldName(GetParam().name), GetParam().folded);  // in place
  std::string apart(GetParam().name.size(), '?');
  FoldNameInto(GetParam().name, apart.data());
  EXPECT_EQ(apart, GetParam().folded);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FoldNameTest,
    ::testing::Values(FoldRow{"Ascii", "Intro.HTM", "intro.htm"},
                      FoldRow{"Latin1", "\xC3\x84pfel", "\xC3\xA4pfel"},             // Ä
                      FoldRow{"Multiply", "\xC3\x97", "\xC3\x97"},                   // × stays
                      FoldRow{"SharpS", "\xC3\x9F", "\xC3\x9F"},                     // ß stays
                      FoldRow{"YDiaeresis", "\xC5\xB8", "\xC3\xBF"},                 // Ÿ -> ÿ
                      FoldRow{"LatinExtA", "\xC4\x80\xC5\x81", "\xC4\x81\xC5\x82"},  // Ā Ł
                      FoldRow{"DottedI", "\xC4\xB0", "\xC4\xB0"},                    // İ stays
                      FoldRow{"Greek", "\xCE\xA3\xCE\x86", "\xCF\x83\xCE\xAC"},      // Σ Ά
                      FoldRow{"FinalSigma", "\xCF\x82", "\xCF\x83"},                 // ς -> σ
                      FoldRow{"Cyrillic", "\xD0\x96\xD0\x81", "\xD0\xB6\xD1\x91"},   // Ж Ё
                      FoldRow{"Ukrainian", "\xD0\x86", "\xD1\x96"},                  // І -> і
                      FoldRow{"ThreeBytes", "\xE2\x82\xAC", "\xE2\x82\xAC"},         // €
                      FoldRow{"LoneLead",
                              "\xC3"
                              "A",
                              "\xC3"
                              "a"},
                      FoldRow{"Overlong", "\xC1\x81", "\xC1\x81"},
                      FoldRow{"Continuation", "\x96X", "\x96x"},
                      FoldRow{"LongAscii", "@AZ[`az{@AZ[`az{Q.HTML", "@az[`az{@az[`az{q.html"},
                      FoldRow{"NonAsciiFirst", "\xC3\x84XYZABCDEFGH", "\xC3\xA4xyzabcdefgh"},
                      FoldRow{"NineAscii", "ABCDEFGHI", "abcdefghi"},
                      FoldRow{"LetterAfterEightAscii", "ABCDEFGH\xC3\x84IJKLMNOPQ",
                              "abcdefgh\xC3\xA4ijklmnopq"}),
    [](const auto& info) { return std::string(info.param.label); });

struct NameRow {
  const char* label;
  std::string name;
  FsError expected;
};

class CheckNewNameTest : public ::testing::TestWithParam<NameRow> {};

TEST_P(CheckNewNameTest, RefusesWhatDesktopFileSystemsRefuse) {
  EXPECT_EQ(CheckNewName(GetParam().name), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CheckNewNameTest,
    ::testing::Values(
        NameRow{"Plain", "Intro.htm", FsError::Ok},
        NameRow{"Utf8", "\xC3\xA9t\xC3\xA9.htm", FsError::Ok},
        NameRow{"Empty", "", FsError::InvalidName}, NameRow{"Dot", ".", FsError::InvalidName},
        NameRow{"DotDot", "..", FsError::InvalidName},
        NameRow{"Slash", "a/b.htm", FsError::InvalidName},
        NameRow{"Nul", std::string("a\0b", 3), FsError::InvalidName},
        NameRow{"Byte1", "a\x01.htm", FsError::InvalidName},
        NameRow{"Byte31", "a\x1f.htm", FsError::InvalidName},
        NameRow{"Del", "a\x7f.htm", FsError::Ok},
        NameRow{"NulHtm", "nul.htm", FsError::InvalidName},
        NameRow{"ConQlm", "Con.qlm", FsError::InvalidName},
        NameRow{"ConUpper", "CON.QLM", FsError::InvalidName},
        NameRow{"Com1Html", "com1.html", FsError::InvalidName},
        NameRow{"Lpt9", "LPT9", FsError::InvalidName},
        NameRow{"AuxTwoDots", "aux.tar.gz", FsError::InvalidName},
        NameRow{"PrnTrailingBlank", "prn  .htm", FsError::InvalidName},
        NameRow{"Console", "console.htm", FsError::Ok}, NameRow{"Com0", "com0.htm", FsError::Ok},
        NameRow{"Com10", "com10.htm", FsError::Ok}, NameRow{"NulDash", "nul-1.htm", FsError::Ok},
        NameRow{"LeadingBlank", " nul.htm", FsError::Ok},
        NameRow{"Max", std::string(255, 'n'), FsError::Ok},
        NameRow{"TooLong", std::string(256, 'n'), FsError::FilenameTooLong}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace qlm
