#include "shell/profile.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace qlm {
namespace {

TEST(ProfileTextToInt, ConvertsAsThePlatformDoes) {
  constexpr std::uint32_t kDefault = 7;
  struct Row {
    const char* name;
    std::optional<std::string> value;
    std::uint32_t expected;
  };
  const Row rows[] = {
      {"missing key", std::nullopt, kDefault},
      {"empty value", "", kDefault},
      {"zero", "0", 0},
      {"one", "1", 1},
      {"plus sign", "+1", 1},
      {"digits up to a non-digit", "42A9", 42},
      {"leading non-digit gives 0, not the default", "B42", 0},
      {"hex prefix is not understood", "0x10", 0},
      {"minus one wraps", "-1", 4294967295u},
      {"2^32 + 1 wraps", "4294967297", 1},
      {"2^32 wraps to 0", "4294967296", 0},
      {"very long number wraps without overflow", "99999999999999999999999999", 3825205247u},
      {"sign alone", "-", 0},
      {"two signs", "--1", 0},
      {"blank between sign and digits", "- 1", 0},
      {"inner blanks left by quotes", " 12 ", 12},
      {"blanks only (inside quotes)", "  ", 0},
      {"leading zeros", "0009", 9},
      {"low byte of 256 is 0 but the integer is kept", "256", 256},
  };
  for (const Row& row : rows)
    EXPECT_EQ(ProfileTextToInt(row.value, kDefault), row.expected) << row.name;
}

TEST(Profile, ReadsIntegersThroughTheFile) {
  const Profile profile(
      "[S]\r\n"
      "padded =   42A9  \r\n"
      "empty=\r\n"
      "bare\r\n"
      "quoted=\"5\"\r\n"
      "quotedEmpty=\"\"\r\n");
  EXPECT_EQ(profile.GetInt("S", "padded", 9), 42u);
  EXPECT_EQ(profile.GetInt("S", "empty", 9), 9u);
  EXPECT_EQ(profile.GetInt("S", "bare", 9), 9u);  // no '=': no value
  EXPECT_EQ(profile.GetInt("S", "quoted", 9), 5u);
  EXPECT_EQ(profile.GetInt("S", "quotedEmpty", 9), 9u);
  EXPECT_EQ(profile.GetInt("S", "absent", 9), 9u);
  EXPECT_EQ(profile.GetInt("T", "padded", 9), 9u);
}

TEST(Profile, StringsKeepEmptyValuesAndLoseOnePairOfQuotes) {
  const Profile profile(
      "[S]\n"
      "empty=\n"
      "plain = a b \n"
      "dq=\"  x \"\n"
      "sq='y'\n"
      "twice=\"\"z\"\"\n"
      "mismatched=\"w'\n"
      "lone=\"\n"
      "equals=a=b\n");
  EXPECT_EQ(profile.GetString("S", "empty", "def"), "");
  EXPECT_EQ(profile.GetString("S", "missing", "def"), "def");
  EXPECT_EQ(profile.GetString("S", "plain", "def"), "a b");
  EXPECT_EQ(profile.GetString("S", "dq", "def"), "  x ");
  EXPECT_EQ(profile.GetString("S", "sq", "def"), "y");
  EXPECT_EQ(profile.GetString("S", "twice", "def"), "\"z\"");
  EXPECT_EQ(profile.GetString("S", "mismatched", "def"), "\"w'");
  EXPECT_EQ(profile.GetString("S", "lone", "def"), "\"");
  EXPECT_EQ(profile.GetString("S", "equals", "def"), "a=b");
}

TEST(Profile, NamesIgnoreCaseAndTheFirstDuplicateWins) {
  const Profile profile(
      "Key=before any section\r\n"
      "[other]\r\nKey=other\r\n"
      "[ MiXeD ] trailing text\r\n"
      "; Key=comment\r\n"
      "KEY=first\r\n"
      "key=second\r\n"
      "[mixed]\r\n"
      "Key=duplicate section\r\n"
      "Late=duplicate section\r\n");
  EXPECT_EQ(profile.Find("mixed", "key"), "first");
  EXPECT_EQ(profile.Find("MIXED", "kEy"), "first");
  EXPECT_EQ(profile.Find("mixed", "Late"), std::nullopt);
  EXPECT_EQ(profile.Find("Other", "KEY"), "other");
  EXPECT_EQ(profile.Find("", "Key"), std::nullopt);  // lines before a section are ignored
}

TEST(Profile, AcceptsEveryLineEnd) {
  for (const char* end : {"\r\n", "\n", "\r"}) {
    const std::string text = std::string("[s]") + end + "a=1" + end + "b=2" + end;
    const Profile profile(text);
    EXPECT_EQ(profile.Find("s", "a"), "1") << static_cast<int>(end[0]);
    EXPECT_EQ(profile.Find("s", "b"), "2") << static_cast<int>(end[0]);
  }
  EXPECT_EQ(Profile("[s]\na=last line without end").Find("s", "a"), "last line without end");
}

TEST(Profile, JunkIsSkippedWithoutHarm) {
  std::string junk = "[s]\na=1\n";
  junk += std::string("b=2\0garbage\n", 12);  // a NUL makes the whole line junk
  for (int i = 0; i < 4096; ++i)
    junk += static_cast<char>((i * 131 + 17) % 256);
  junk += "\n[s2]\nc=3\n";
  const Profile profile(junk);
  EXPECT_EQ(profile.Find("s", "a"), "1");
  EXPECT_EQ(profile.Find("s", "b"), std::nullopt);
  EXPECT_EQ(profile.Find("s2", "c"), "3");
}

TEST(Profile, ReadsOnlyTheBoundedPrefixAndDropsTheCutLine) {
  // A value that straddles the limit must not be read shortened.
  std::string text = "[s]\nkept=1\nfiller=" + std::string(kMaxProfileBytes - 30, 'x') + "\n";
  text += "cut=" + std::string(100, '9') + "\n";
  text += "beyond=1\n";
  const Profile profile(text);
  EXPECT_EQ(profile.Find("s", "kept"), "1");
  EXPECT_EQ(profile.Find("s", "cut"), std::nullopt);
  EXPECT_EQ(profile.Find("s", "beyond"), std::nullopt);
  EXPECT_EQ(Profile(std::string(10 << 20, 'x')).Find("s", "kept"), std::nullopt);
}

TEST(ProfileWriter, EveryWrittenValueReadsBack) {
  const std::string values[] = {"",   "plain", " lead", "trail\t", "\"q\"",          "'s'",
                                "\"", "a\"b",  "x=y",   "[z]",     "; not a comment"};
  for (const std::string& value : values) {
    std::string file;
    AppendSectionLine(file, "Sec");
    ASSERT_TRUE(AppendKeyLine(file, "Key", value)) << value;
    EXPECT_EQ(Profile(file).Find("sec", "key"), value) << file;
  }
  std::string plain;
  AppendKeyLine(plain, "K", "/home/u");
  EXPECT_EQ(plain, "K=/home/u\r\n");  // ordinary values are written bare
}

TEST(ProfileWriter, RefusesValuesThatWouldBreakTheLine) {
  for (const std::string& value :
       {std::string("a\nInjected=1"), std::string("a\rb"), std::string("a\0b", 3)}) {
    std::string file = "[s]\r\n";
    EXPECT_FALSE(AppendKeyLine(file, "k", value));
    EXPECT_EQ(file, "[s]\r\n");
  }
}

}  // namespace
}  // namespace qlm
