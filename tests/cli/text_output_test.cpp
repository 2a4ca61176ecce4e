#include "cli/text_output.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/file_events.h"

namespace qlm::cli {
namespace {

FileEvent Event(FileEvent::Outcome outcome, std::string old_name, std::string new_name,
                std::string reason, bool moved) {
  FileEvent event;
  event.outcome = outcome;
  event.old_name = std::move(old_name);
  event.new_name = std::move(new_name);
  event.reason = std::move(reason);
  event.moved = moved;
  return event;
}

TEST(TextOutput, OneLineForEachOutcome) {
  using Outcome = FileEvent::Outcome;
  struct Row {
    FileEvent event;
    std::string line;
  };
  const Row rows[] = {
      {Event(Outcome::Renamed, "a.htm", "Intro.htm", "", true), "a.htm -> Intro.htm"},
      {Event(Outcome::Kept, "b.htm", "b.htm", "no title", false),
       "b.htm: kept its name (no title)"},
      {Event(Outcome::Kept, "c.html", "c.htm", "it bears its title", true),
       "c.html -> c.htm (kept its name: it bears its title)"},
      {Event(Outcome::Kept, "d.htm", "d-1.htm", "it bears its title", true),
       "d.htm -> d-1.htm (numbered: it bears its title, but another file took that name first)"},
      {Event(Outcome::Failed, "e.htm", "Title.qlm", "Access denied", true),
       "e.htm: stays as Title.qlm (Access denied)"},
      {Event(Outcome::Recovered, "X.qlm", "X.htm", "", true),
       "X.qlm -> X.htm (left by an interrupted run)"},
      {Event(Outcome::Kept, "f\x1B[2J.htm", "f\x1B[2J.htm", "bad\tbyte", false),
       "f?[2J.htm: kept its name (bad?byte)"},
      {Event(Outcome::Renamed, "caf\xC3\xA9.htm", "new\nline.htm", "", true),
       "caf\xC3\xA9.htm -> new?line.htm"},
  };
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  TextOutput output(out, /*tree=*/false);
  std::string expected;
  for (const Row& row : rows) {
    EXPECT_EQ(DescribeFileEvent(row.event), row.line);
    output.File(row.event);  // each line whole, after the longer one before it
    expected += row.line + "\n";
  }
  std::rewind(out);
  std::string written(expected.size() + 16, '\0');
  written.resize(std::fread(written.data(), 1, written.size(), out));
  std::fclose(out);
  EXPECT_EQ(written, expected);
}

}  // namespace
}  // namespace qlm::cli
