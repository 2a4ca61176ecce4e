#include "cli/journey_origins.h"

#include <gtest/gtest.h>

#include <string>

namespace qlm::cli {
namespace {

std::string ScratchOf(int i) {
  return std::to_string(i) + ".qlm";
}

TEST(JourneyOrigins, EveryNotedFileFoundAfterManyGrowths) {
  JourneyOrigins origins;
  EXPECT_FALSE(origins.Find("1.qlm"));  // nothing noted yet
  constexpr int kFiles = 5000;
  for (int i = 0; i < kFiles; ++i) {
    origins.Add(ScratchOf(i), "doc" + std::to_string(i) + ".htm",
                i % 7 == 0 ? "no title" : (i % 11 == 0 ? "read error" : ""));
  }
  for (int i = kFiles - 1; i >= 0; --i) {  // in another order than noted
    const auto origin = origins.Find(ScratchOf(i));
    ASSERT_TRUE(origin) << i;
    EXPECT_EQ(origin->name, "doc" + std::to_string(i) + ".htm");
    EXPECT_EQ(origin->kept_reason, i % 7 == 0 ? "no title" : (i % 11 == 0 ? "read error" : ""))
        << i;
  }
  for (const char* absent : {"", "5000.qlm", "1.QLM", "1.ql", "01.qlm"})
    EXPECT_FALSE(origins.Find(absent)) << absent;
}

TEST(JourneyOrigins, NamesKeptByteForByte) {
  struct Row {
    std::string scratch;
    std::string name;
  };
  const Row rows[] = {
      {"A.qlm", "upper.htm"},
      {"a.qlm", "lower.htm"},  // a case twin is another scratch name
      {"caf\xC3\xA9.qlm", "caf\xC3\xA9.html"},
      {std::string("nul\0in.qlm", 10), "nul.htm"},
      {std::string(255, 'x') + ".qlm", std::string(250, 'y') + ".html"},
  };
  JourneyOrigins origins;
  for (const Row& row : rows)
    origins.Add(row.scratch, row.name, "");
  for (const Row& row : rows) {
    const auto origin = origins.Find(row.scratch);
    ASSERT_TRUE(origin) << row.scratch;
    EXPECT_EQ(origin->name, row.name);
  }
}

TEST(JourneyOrigins, FirstNotingOfAScratchNameWins) {
  JourneyOrigins origins;
  origins.Add("same.qlm", "first.htm", "");
  for (int i = 0; i < 200; ++i)  // the table grows between the two notings
    origins.Add(ScratchOf(i), "other.htm", "");
  origins.Add("same.qlm", "second.htm", "kept");
  const auto origin = origins.Find("same.qlm");
  ASSERT_TRUE(origin);
  EXPECT_EQ(origin->name, "first.htm");
  EXPECT_EQ(origin->kept_reason, "");
}

}  // namespace
}  // namespace qlm::cli
