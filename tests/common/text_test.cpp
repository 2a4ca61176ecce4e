#include "common/text.h"

#include <gtest/gtest.h>

#include <climits>

namespace qlm {
namespace {

TEST(IntToText, ExactForEveryBoundary) {
  struct Row {
    std::int32_t value;
    const char* text;
  };
  const Row rows[] = {{0, "0"},
                      {7, "7"},
                      {-7, "-7"},
                      {10, "10"},
                      {-100, "-100"},
                      {1234567890, "1234567890"},
                      {INT32_MAX, "2147483647"},
                      {INT32_MIN, "-2147483648"}};
  for (const Row& row : rows)
    EXPECT_EQ(IntToText(row.value), row.text) << row.value;
}

TEST(FindChar, StartIndexRules) {
  struct Row {
    const char* text;
    char c;
    int start;
    int expected;
  };
  const Row rows[] = {
      {"a&b&c", '&', 0, 1},   {"a&b&c", '&', 2, 3}, {"a&b&c", '&', 4, -1},
      {"a&b&c", '&', 5, -1},  // start equals the length
      {"a&b&c", '&', 99, -1}, {"", '&', 0, -1},     {"&", '&', 0, 0},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(FindChar(row.text, row.c, row.start), row.expected) << row.text << " " << row.start;
  }
}

TEST(TrimBlanks, OnlyTheFourBlanks) {
  struct Row {
    std::string in;
    std::string out;
  };
  const Row rows[] = {
      {" \t\r\n x y \r\n\t ", "x y"},
      {"   ", ""},
      {"", ""},
      {"\v x \f", "\v x \f"},                      // VT and FF are not blanks
      {"\xC2\xA0x\xC2\xA0", "\xC2\xA0x\xC2\xA0"},  // nor is the no-break space
  };
  for (const Row& row : rows) {
    std::string separate;
    TrimBlanks(row.in, separate);
    EXPECT_EQ(separate, row.out);
    std::string same = row.in;
    TrimBlanks(same, same);  // source and destination may be one buffer
    EXPECT_EQ(same, row.out);
  }
}

TEST(CollapseSpaces, OnlySpaceRuns) {
  struct Row {
    std::string in;
    std::string out;
  };
  const Row rows[] = {{"a  b   c", "a b c"}, {"    ", " "},        {" a ", " a "},
                      {"a\t\tb", "a\t\tb"},  {"a \t b", "a \t b"}, {"", ""}};
  for (const Row& row : rows) {
    std::string text = row.in;
    CollapseSpaces(text);
    EXPECT_EQ(text, row.out) << "[" << row.in << "]";
  }
}

TEST(FindText, FirstByteExactRestFolded) {
  struct Row {
    std::string text;
    std::string pattern;
    int expected;
  };
  const Row rows[] = {
      {"xx<TITLE>", "<Title>", 2},
      {"<tItLe>", "<Title>", 0},
      {"<title >", "<Title>", -1},
      {"abc", "Abc", -1},  // the first byte is matched exactly
      {"xAbc", "abc", -1},
      {"aab", "ab", 1},  // no skipping ahead after a failed attempt
      {"<</title>", "</Title>", 1},
      {"<titl", "<Title>", -1},
      {"\xC3\xA9", "\xC3\x89", -1},  // non-ASCII bytes are not folded
      {"abc", "", -1},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(FindText(row.text, row.pattern), row.expected) << row.text << " / " << row.pattern;
  }
}

TEST(CopySpan, BoundedBySizeAndText) {
  std::string out = "old";
  CopySpan("0123456789", out, 2, 5, 300);
  EXPECT_EQ(out, "234");
  CopySpan("0123456789", out, 0, 10, 4);
  EXPECT_EQ(out, "012");  // at most size - 1 bytes
  CopySpan("0123456789", out, 7, 3, 300);
  EXPECT_EQ(out, "");  // reversed span
  CopySpan("0123", out, 2, 50, 300);
  EXPECT_EQ(out, "23");  // clamped to the text
}

TEST(StripExtension, CutsAtTheLastPointAnywhere) {
  struct Row {
    std::string in;
    std::string out;
  };
  const Row rows[] = {{"page.html", "page"}, {"a.b.c", "a.b"},      {"noext", "noext"},
                      {".htm", ""},          {"dir.x/name", "dir"}, {"", ""}};
  for (const Row& row : rows) {
    std::string text = row.in;
    StripExtension(text);
    EXPECT_EQ(text, row.out);
  }
}

TEST(MakeNumberedName, SuccessiveNumbersReplaceTheSuffix) {
  // A fixed base numbered 1, 2, ... from each previous result, with and without extension.
  std::string with_ext = "/web/Intro.qlm";
  std::string without = "/web/20031207";
  std::string expected_with, expected_without;
  for (int n = 1; n <= 101; ++n) {
    MakeNumberedName(with_ext, n, ".qlm");
    MakeNumberedName(without, n);
    EXPECT_EQ(with_ext, "/web/Intro-" + IntToText(n) + ".qlm");
    EXPECT_EQ(without, "/web/20031207-" + IntToText(n));
  }
}

TEST(MakeNumberedName, KeepsHyphenatedBaseAndSwapsExtension) {
  std::string text = "/web/page-2.htm";
  MakeNumberedName(text, 1, ".html");
  EXPECT_EQ(text, "/web/page-2-1.html");
  MakeNumberedName(text, 2, ".html");
  EXPECT_EQ(text, "/web/page-2-2.html");
}

TEST(PathParts, SplitAtTheLastSlash) {
  EXPECT_EQ(FileNamePart("/a/b/c.htm"), "c.htm");
  EXPECT_EQ(DirectoryPart("/a/b/c.htm"), "/a/b/");
  EXPECT_EQ(FileNamePart("c.htm"), "c.htm");
  EXPECT_EQ(DirectoryPart("c.htm"), "");
}

}  // namespace
}  // namespace qlm

namespace qlm {
namespace {

TEST(TruncateOnCharBoundary, DropsASplitCharacterWhole) {
  struct Row {
    std::string in;
    std::size_t max;
    std::string out;
  };
  const Row rows[] = {
      {"abc", 5, "abc"},
      {"abc", 2, "ab"},
      {"ab\xC3\xA9", 3, "ab"},                 // é split after its lead byte
      {"ab\xC3\xA9", 4, "ab\xC3\xA9"},         // ends exactly at the limit
      {"a\xE2\x80\x93z", 3, "a"},              // en dash split after two of three bytes
      {"a\xF0\x9F\x98\x80z", 4, "a"},          // four-byte character split
      {"a\x80\x80\x80\x80z", 3, "a\x80\x80"},  // stray continuation bytes: cut as bytes
  };
  for (const Row& row : rows) {
    std::string text = row.in;
    TruncateOnCharBoundary(text, row.max);
    EXPECT_EQ(text, row.out) << row.max;
  }
}

TEST(SafeForDisplay, ControlsReplacedEverythingElseKept) {
  struct Row {
    std::string in;
    std::string out;
  };
  const Row rows[] = {
      {"", ""},
      {"plain name.htm", "plain name.htm"},
      {"a\tb\x1B[31mc", "a?b?[31mc"},               // TAB, and ESC before and after ASCII runs
      {"\x7F\x01", "??"},                           // DEL and a C0 control only
      {"x\x85y\xFFz", "x?y\xFFz"},                  // raw C1 byte replaced, other raw byte kept
      {"caf\xC3\xA9 \xC2\x9B!", "caf\xC3\xA9 ?!"},  // UTF-8 kept, U+009B replaced
      {"a\xE2\x80\xAE"
       "b",
       "a?b"},            // U+202E right-to-left override
      {"end\n", "end?"},  // a control as the last byte
  };
  for (const Row& row : rows)
    EXPECT_EQ(SafeForDisplay(row.in), row.out) << row.in;
}

}  // namespace
}  // namespace qlm
