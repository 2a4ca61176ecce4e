// quillomat-cli where documents have been lost before: paths around every length limit, ".."
// after a link, blanks at the ends of names, letter-case variants of every name the program
// creates or looks for, and links. After each run every document is inside its directory
// exactly once, under a name Windows accepts.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "cli/cli_process.h"
#include "common/text.h"
#include "support/engine_harness.h"

namespace qlm::testing {
namespace {

namespace fs = std::filesystem;

// A name Windows (and every common desktop file system) holds.
bool WindowsAccepts(const std::string& name) {
  if (name.empty() || name.back() == '.' || name.back() == ' ') return false;
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 32 ||
        std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
      return false;
  }
  std::string stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ')
    stem.pop_back();
  for (char& c : stem)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
    if (stem == device) return false;
  }
  if (stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '1' &&
      stem[3] <= '9') {
    return false;
  }
  return CountEditUnits(name) <= 255;
}

// A directory made of nested names, `bytes` long in all (its path, no trailing '/').
std::string LongDirectory(const std::string& root, std::size_t bytes) {
  std::string path = root;
  while (path.size() < bytes) {
    const std::size_t room = bytes - path.size() - 1;  // less the '/'
    // No component shorter than two bytes nor longer than 200: the last one takes the rest.
    std::size_t length = room > 200 ? (room - 200 < 2 ? 150 : 200) : room;
    path += "/" + std::string(length, 'd');
  }
  fs::create_directories(path);
  return path;
}

struct Layout {
  std::vector<std::string> args;  // after the fixed options
  // document contents -> the directory that must hold it, once
  std::map<std::string, std::string> documents;
  // files whose bytes must not change (outside the processed directory), path -> contents
  std::map<std::string, std::string> untouched;
  std::vector<std::string> extra_options;
};

// Writes a page titled `title` as `directory`/`name` and records where it must stay.
void AddDocument(Layout& setup, const std::string& directory, const std::string& name,
                 const std::string& title) {
  const std::string contents = Page(title, directory + "/" + name);
  WriteFile(directory + "/" + name, contents);
  setup.documents[contents] = directory;
}

void AddDecoy(Layout& setup, const std::string& path) {
  const std::string contents = Page("Decoy", path);
  WriteFile(path, contents);
  setup.untouched[path] = contents;
}

struct HostileRow {
  std::string label;
  std::function<Layout(const std::string& root, const std::string& config)> prepare;
};

void PrintTo(const HostileRow& row, std::ostream* os) {
  *os << row.label;
}

class HostilePaths : public ::testing::TestWithParam<HostileRow> {};

TEST_P(HostilePaths, EveryDocumentStaysInItsDirectoryOnceUnderAValidName) {
  TempDir root, config;
  Layout setup = GetParam().prepare(root.path(), config.path());
  std::vector<std::string> args = {"--config-dir", config.path(),     "-o", "BackupRenamedFiles=0",
                                   "-o",           "WriteErrorLog=1", "-o", "WriteRenameLog=1"};
  args.insert(args.end(), setup.extra_options.begin(), setup.extra_options.end());
  args.insert(args.end(), setup.args.begin(), setup.args.end());
  const CliRun run = RunCliProcess(args, "y\ny\n");  // yes to a long path's question
  EXPECT_NE(run.status, 2) << run.err;

  std::map<std::string, std::vector<std::string>> found;  // contents -> where found
  for (auto it = fs::recursive_directory_iterator(root.path()); it != fs::end(it); ++it) {
    const std::string name = it->path().filename().string();
    if (it->is_directory() && (name == "Backup" || name == "backup" || name == "BACKUP")) {
      it.disable_recursion_pending();  // copies, not documents
      continue;
    }
    if (it->is_symlink() || !it->is_regular_file()) continue;
    const std::string contents = ReadFile(it->path().string());
    if (setup.documents.count(contents) == 0) continue;
    found[contents].push_back(it->path().string());
    EXPECT_TRUE(WindowsAccepts(name)) << ::testing::PrintToString(name);
    EXPECT_FALSE(name.ends_with(".qlm")) << name;
  }
  for (const auto& [contents, directory] : setup.documents) {
    const auto& places = found[contents];
    ASSERT_EQ(places.size(), 1u) << contents << "\n" << run.out << run.err;
    EXPECT_EQ(fs::path(places[0]).parent_path().string(), directory) << places[0];
  }
  // No two names of a processed directory differ only in letter case.
  std::map<std::string, std::set<std::string>> folded;
  for (const auto& [contents, directory] : setup.documents) {
    for (const auto& entry : fs::directory_iterator(directory)) {
      std::string key = entry.path().filename().string();
      for (char& c : key)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      folded[directory + "/" + key].insert(entry.path().filename().string());
    }
  }
  for (const auto& [key, names] : folded)
    EXPECT_EQ(names.size(), 1u) << key;
  for (const auto& [path, contents] : setup.untouched)
    EXPECT_EQ(ReadFile(path), contents) << path;
}

// A row whose pages live in a directory whose path is `bytes` long.
HostileRow LengthRow(std::size_t bytes) {
  return {"Length" + std::to_string(bytes), [bytes](const std::string& root, const std::string&) {
            Layout setup;
            const std::string directory = LongDirectory(root, bytes);
            AddDocument(setup, directory, "a.htm", "Annual Report");
            AddDocument(setup, directory, "b.htm", "Annual Report");
            AddDocument(setup, directory, "c.htm", "ANNUAL REPORT");
            setup.args = {directory};
            return setup;
          }};
}

// Near PATH_MAX: only a short name still fits beside the directory.
HostileRow NearPathMaxRow(std::size_t bytes) {
  return {"NearPathMax" + std::to_string(bytes),
          [bytes](const std::string& root, const std::string&) {
            Layout setup;
            const std::string directory = LongDirectory(root, bytes);
            AddDocument(setup, directory, "a.htm", "A Title");
            setup.args = {directory};
            return setup;
          }};
}

std::vector<HostileRow> Rows() {
  std::vector<HostileRow> rows;
  for (const std::size_t bytes : {179, 180, 181, 218, 219, 220, 259, 260, 261})
    rows.push_back(LengthRow(bytes));
  for (const std::size_t bytes : {4000, 4088, 4089})
    rows.push_back(NearPathMaxRow(bytes));
  rows.push_back({"DotDotAfterALink", [](const std::string& root, const std::string&) {
                    Layout setup;
                    fs::create_directories(root + "/real/pages");
                    AddDocument(setup, root + "/real", "a.htm", "Real");
                    AddDocument(setup, root + "/real/pages", "b.htm", "Deeper");
                    AddDecoy(setup, root + "/decoy.htm");  // the text's parent of link/..
                    fs::create_directory_symlink("real/pages", root + "/link");
                    setup.args = {root + "/link/.."};
                    return setup;
                  }});
  rows.push_back({"BlankAtTheEnd", [](const std::string& root, const std::string&) {
                    Layout setup;
                    fs::create_directory(root + "/Reports ");
                    fs::create_directory(root + "/Reports");
                    AddDocument(setup, root + "/Reports ", "a.htm", "Alpha");
                    AddDecoy(setup, root + "/Reports/b.htm");
                    setup.args = {root + "/Reports "};
                    return setup;
                  }});
  rows.push_back({"BlankAtTheStart", [](const std::string& root, const std::string&) {
                    Layout setup;
                    fs::create_directory(root + "/ lead");
                    fs::create_directory(root + "/lead");
                    AddDocument(setup, root + "/ lead", "a.htm", "Alpha");
                    AddDecoy(setup, root + "/lead/b.htm");
                    setup.args = {root + "/ lead"};
                    return setup;
                  }});
  rows.push_back(
      {"CaseVariantsOfOurNames", [](const std::string& root, const std::string& cfg) {
         Layout setup;
         // The settings, both logs and the journal exist in other letter cases.
         WriteFile(cfg + "/quillomat.ini", "head\r\n\r\n[Options]\r\nRenameAsHtm=0\r\n");
         WriteFile(cfg + "/qlm-errorlog.txt", "");
         WriteFile(cfg + "/QLM-RENLOG.TXT", "");
         WriteFile(cfg + "/qlm-journal.txt", "");
         fs::create_directory(root + "/pages");
         fs::create_directory(root + "/pages/backup");
         AddDocument(setup, root + "/pages", "a.htm", "intro");
         AddDocument(setup, root + "/pages", "b.HTM", "INTRO");
         AddDocument(setup, root + "/pages", "left.QLM", "Leftover");
         AddDocument(setup, root + "/pages", "Intro.qlm", "Own");
         setup.extra_options = {"-o", "BackupRenamedFiles=1", "-o", "BackupCreateNewDir=0"};
         setup.args = {root + "/PAGES"};
         return setup;
       }});
  rows.push_back({"Links", [](const std::string& root, const std::string&) {
                    Layout setup;
                    fs::create_directory(root + "/pages");
                    fs::create_directory(root + "/victim");
                    AddDecoy(setup, root + "/victim/private.html");
                    AddDocument(setup, root + "/pages", "a.htm", "Alpha");
                    fs::create_symlink(root + "/victim/private.html", root + "/pages/p1.htm");
                    fs::create_symlink("a.htm", root + "/pages/z.htm");
                    fs::create_symlink("../victim", root + "/pages/d.htm");
                    setup.args = {root + "/pages"};
                    return setup;
                  }});
  return rows;
}

INSTANTIATE_TEST_SUITE_P(Rows, HostilePaths, ::testing::ValuesIn(Rows()),
                         [](const auto& info) { return info.param.label; });

TEST(HostilePaths, CaseVariantsOfOurNamesAreUsedNotDoubled) {
  TempDir root, config;
  WriteFile(config / "quillomat.ini", "head\r\n\r\n[Options]\r\nRenameAsHtm=0\r\n");
  WriteFile(config / "qlm-errorlog.txt", "");
  fs::create_directory(root / "pages");
  WriteFile(root / "pages/a.htm", Page("Alpha", "a"));
  const CliRun run =
      RunCliProcess({"--config-dir", config.path(), "-o", "WriteErrorLog=1", root / "pages"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::exists(root / "pages/Alpha.html"));  // the settings file was read
  EXPECT_FALSE(fs::exists(config / "Quillomat.ini"));
  EXPECT_FALSE(fs::exists(config / "QLM-ErrorLog.txt"));
  EXPECT_NE(ReadFile(config / "qlm-errorlog.txt").find("Processing "), std::string::npos);
}

}  // namespace
}  // namespace qlm::testing
