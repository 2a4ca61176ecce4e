// The exact sequence of what a run shows, for a small mixed run in each mode.
#include <gtest/gtest.h>

#include "common/ui.h"
#include "support/engine_harness.h"

namespace qlm::testing {
namespace {

const std::vector<std::string> kStart = {"enable 2002 0", "enable 2013 0", "enable 2001 0",
                                         "enable 2000 0"};
const std::vector<std::string> kEnd = {"enable 2003 0",
                                       "text 2005 N/A",
                                       "text 2006 N/A",
                                       "text 2004 Renaming back to HTM files...",
                                       "text 2004 Renaming back to HTM files...",
                                       "text 2004 IDLE",
                                       "text 2003 Exit",
                                       "enable 2001 1",
                                       "enable 2000 1",
                                       "enable 2003 1",
                                       "enable 2002 1",
                                       "text 2004 IDLE"};

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts)
    all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(Transcript, FullAutoRunWithATitleError) {
  EngineHarness h;
  h.AddPage("a.htm", "One");
  testing::WriteFile(h.work / "b.htm", "no title here");
  h.originals["b.htm"] = "no title here";
  h.RunDirectory();
  const std::vector<std::string> expected = Join({
      kStart,
      {"text 2003 Abort",
       // a.htm: its title is free
       "text 2012 0", "text 2004 Parsing for <Title></Title> tags...", "text 2005 a.htm",
       "text 2006 One", "text 2007 1", "text 2008 0", "text 2009 0",
       "text 2004 Searching for duplicate filenames...", "text 2012 0",
       // b.htm: no title, so it keeps its name through its own scratch name
       "text 2012 0", "text 2004 Parsing for <Title></Title> tags...", "text 2005 b.htm",
       "text 2006 File could not be parsed for <Title></Title> tags.", "text 2007 2", "text 2008 0",
       "text 2009 1", "text 2012 1", "text 2004 Renaming to temporary file...", "text 2012 1"},
      kEnd,
  });
  EXPECT_EQ(h.view.calls, expected);
  EXPECT_TRUE(h.NothingLost());
}

TEST(Transcript, InteractiveRunWithADeclinedClash) {
  EngineHarness h;
  h.options.EnableFullAutoMode = 0;
  h.AddPage("a.htm", "One");
  h.AddPage("b.htm", "One");
  h.view.box_answers = {mb::kIdCancel};
  h.RunDirectory();
  const std::string size = std::to_string(h.originals.at("a.htm").size());
  const std::vector<std::string> expected = Join({
      kStart,
      {"text 2011 0", "text 2003 Abort",
       // a.htm moves straight to its title's scratch name
       "text 2012 0", "text 2004 Parsing for <Title></Title> tags...", "text 2005 a.htm",
       "text 2006 One", "text 2007 1", "text 2008 0", "text 2009 0",
       "text 2004 Searching for duplicate filenames...", "text 2004 Renaming to temporary file...",
       "text 2012 0", "text 2011 0",
       // b.htm meets the taken name; the user declines
       "text 2012 0", "text 2004 Parsing for <Title></Title> tags...", "text 2005 b.htm",
       "text 2006 One", "text 2007 2", "text 2008 0", "text 2009 0",
       "text 2004 Searching for duplicate filenames...",
       "box Filename already exists! 0x41 Quillomatic has encountered an error in renaming "
       "<b.htm - " +
           size + " bytes> to <One - " + size + " bytes>. Do you want to rename it yourself?",
       "text 2012 1", "text 2004 Renaming to temporary file...", "text 2012 1", "text 2012 1",
       "text 2011 0"},
      kEnd,
  });
  EXPECT_EQ(h.view.calls, expected);
  EXPECT_TRUE(h.NothingLost());
}

TEST(Transcript, SingleFileRunNeverShowsAbort) {
  EngineHarness h;
  h.AddPage("page.htm", "Report");
  h.RunFile("page.htm");
  const std::vector<std::string> expected = Join({
      kStart,
      // Full auto is on in the options, so the start shows no user-renamed count.
      {"text 2012 0", "text 2004 Parsing for <Title></Title> tags...", "text 2005 page.htm",
       "text 2006 Report", "text 2007 1", "text 2008 0", "text 2009 0",
       "text 2004 Searching for duplicate filenames...", "text 2004 Renaming to temporary file...",
       "text 2012 0", "text 2011 0", "text 2003 Exit", "enable 2001 1", "enable 2000 1",
       "enable 2003 1", "enable 2002 1", "text 2004 IDLE"},
  });
  EXPECT_EQ(h.view.calls, expected);
  EXPECT_EQ(Listing(h.work.path()).count("Report.htm"), 1u);
}

}  // namespace
}  // namespace qlm::testing
