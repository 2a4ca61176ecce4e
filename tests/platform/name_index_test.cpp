// The folded-name index: several stored names under one folded key (a.htm beside A.htm) are
// all found, removing one leaves the others, and the count follows.
#include "platform/name_index.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/file_system.h"

namespace qlm::posix {
namespace {

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

TEST(NameIndex, CaseVariantsShareAKeyAndSurviveRemovals) {
  struct Step {
    char op;  // '+' add, '-' remove
    const char* name;
    std::vector<std::string> found;  // Find(FoldName("a.htm")) afterwards, sorted
    std::size_t size;
  };
  const Step steps[] = {
      {'+', "a.htm", {"a.htm"}, 1},
      {'+', "A.htm", {"A.htm", "a.htm"}, 2},
      {'+', "A.HTM", {"A.HTM", "A.htm", "a.htm"}, 3},
      {'+', "A.htm", {"A.HTM", "A.htm", "a.htm"}, 3},  // already there
      {'+', "b.htm", {"A.HTM", "A.htm", "a.htm"}, 4},
      {'-', "a.htm", {"A.HTM", "A.htm"}, 3},  // the first one stored goes
      {'-', "x.htm", {"A.HTM", "A.htm"}, 3},  // not there
      {'-', "A.HTM", {"A.htm"}, 2},
      {'-', "A.htm", {}, 1},
      {'+', "a.htm", {"a.htm"}, 2},
  };
  NameIndex index;
  for (const Step& step : steps) {
    if (step.op == '+') {
      index.Add(step.name);
    } else {
      index.Remove(step.name);
    }
    EXPECT_EQ(Sorted(index.Find(FoldName("a.htm"))), step.found) << step.op << step.name;
    EXPECT_EQ(index.size(), step.size) << step.op << step.name;
  }
  EXPECT_EQ(index.Find(FoldName("B.HTM")), std::vector<std::string>{"b.htm"});
}

}  // namespace
}  // namespace qlm::posix
