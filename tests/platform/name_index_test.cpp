// The folded-name index: several stored names under one folded key (a.htm beside A.htm) are
// all found, removing one leaves the others, and the count follows.
#include "platform/posix/name_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

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
    std::vector<std::string> found;  // Find("a.htm") afterwards, sorted
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
    EXPECT_EQ(Sorted(index.Find("a.htm")), step.found) << step.op << step.name;
    EXPECT_EQ(index.size(), step.size) << step.op << step.name;
  }
  EXPECT_EQ(index.Find("B.HTM"), std::vector<std::string>{"b.htm"});
}

TEST(NameIndex, RefreshKeepsWhatIsStillTrueOfEachListedEntry) {
  struct stat status {};
  status.st_mode = S_IFREG | 0644;
  status.st_size = 42;
  const auto described = [&](ino_t inode) {
    EntryFacts facts{.type = DT_REG, .inode = inode};
    status.st_ino = inode;
    facts.Describe(status);
    return facts;
  };
  NameIndex index;
  index.Add("same.htm", described(5));
  index.Add("replaced.htm", described(6));
  index.Add("gone.htm", described(7));
  index.Add("Case.htm", described(8));
  index.Refresh({{"same.htm", DT_REG, 5},
                 {"replaced.htm", DT_REG, 9},
                 {"new.htm", DT_LNK, 10},
                 {"case.htm", DT_REG, 11},
                 {"Case.htm", DT_REG, 8}});
  struct Row {
    const char* name;
    bool present;
    bool described;
    unsigned char type;
    ino_t inode;
  };
  const Row rows[] = {
      {"same.htm", true, true, DT_REG, 5},   {"replaced.htm", true, false, DT_REG, 9},
      {"gone.htm", false, false, 0, 0},      {"new.htm", true, false, DT_LNK, 10},
      {"case.htm", true, false, DT_REG, 11}, {"Case.htm", true, true, DT_REG, 8},
  };
  for (const Row& row : rows) {
    const EntryFacts* facts = index.Facts(row.name);
    ASSERT_EQ(facts != nullptr, row.present) << row.name;
    if (facts == nullptr) continue;
    EXPECT_EQ(facts->described, row.described) << row.name;
    EXPECT_EQ(facts->type, row.type) << row.name;
    EXPECT_EQ(facts->inode, row.inode) << row.name;
  }
  EXPECT_EQ(index.size(), 5u);
  EXPECT_EQ(Sorted(index.Find("CASE.HTM")), (std::vector<std::string>{"Case.htm", "case.htm"}));
  EXPECT_FALSE(index.Contains("gone.htm"));
}

TEST(NameIndex, AgreesWithAPlainMapThroughManyChanges) {
  // Names with case variants and a pool large enough to grow the table several times; the
  // small table at the start makes probe runs wrap around its end.
  std::vector<std::string> pool;
  for (int i = 0; i < 600; ++i) {
    const std::string base = "page" + std::to_string(i);
    pool.push_back(base + ".htm");
    if (i % 7 == 0) pool.push_back("PAGE" + std::to_string(i) + ".htm");
  }
  std::map<std::string, std::vector<std::string>> groups;  // folded name -> the pool's names
  for (const std::string& name : pool)
    groups[FoldName(name)].push_back(name);
  std::mt19937 random(12345);
  std::map<std::string, ino_t> expected;  // stored name -> inode
  NameIndex index;
  const auto check = [&](const std::string& name) {
    std::vector<std::string> variants;
    for (const std::string& variant : groups[FoldName(name)]) {
      if (expected.contains(variant)) variants.push_back(variant);
    }
    std::sort(variants.begin(), variants.end());
    ASSERT_EQ(Sorted(index.Find(name)), variants) << name;
    ASSERT_EQ(index.Contains(name), !variants.empty()) << name;
    const EntryFacts* facts = index.Facts(name);
    ASSERT_EQ(facts != nullptr, expected.contains(name)) << name;
    if (facts != nullptr) {
      ASSERT_EQ(facts->inode, expected[name]) << name;
    }
  };
  ino_t next_inode = 1;
  for (int step = 0; step < 20'000; ++step) {
    const std::string& name = pool[random() % pool.size()];
    const unsigned op = random() % 100;
    if (op < 55) {
      const ino_t inode = next_inode++;
      index.Add(name, EntryFacts{.type = DT_REG, .inode = inode});
      expected.try_emplace(name, inode);
    } else if (op < 99) {
      const EntryFacts removed = index.Remove(name);
      const auto it = expected.find(name);
      ASSERT_EQ(removed.inode, it == expected.end() ? 0 : it->second) << name;
      if (it != expected.end()) expected.erase(it);
    } else {  // a fresh listing of about half the names
      std::vector<ListedEntry> listing;
      std::map<std::string, ino_t> listed;
      for (const std::string& candidate : pool) {
        if (random() % 2 != 0) continue;
        const auto it = expected.find(candidate);
        const ino_t inode = it != expected.end() ? it->second : next_inode++;
        listing.push_back({candidate, DT_REG, inode});
        listed.emplace(candidate, inode);
      }
      index.Refresh(listing);
      expected = std::move(listed);
    }
    ASSERT_EQ(index.size(), expected.size()) << step;
    check(name);
    if (step % 2000 == 0) {
      for (const std::string& each : pool)
        check(each);
      ASSERT_EQ(Sorted(index.Names()).size(), expected.size());
    }
  }
}

}  // namespace
}  // namespace qlm::posix
