// Interactive directory runs: a taken name brings the clash prompt and the manual rename
// dialog; files named after their titles keep their names.
#include <gtest/gtest.h>

#include "common/messages.h"
#include "common/text.h"
#include "common/ui.h"
#include "support/engine_harness.h"

namespace qlm::testing {
namespace {

class Interactive : public ::testing::Test {
 protected:
  Interactive() {
    h.options.EnableFullAutoMode = 0;
    h.AddPage("a.htm", "Our Prices");
    h.AddPage("b.htm", "Our Prices");
  }
  std::string ClashText() const {
    return "Quillomatic has encountered an error in renaming <b.htm - " +
           IntToText(static_cast<std::int32_t>(h.originals.at("b.htm").size())) +
           " bytes> to <Our Prices - " +
           IntToText(static_cast<std::int32_t>(h.originals.at("a.htm").size())) +
           " bytes>. Do you want to rename it yourself?";
  }
  EngineHarness h;
};

TEST_F(Interactive, ClashPromptShowsBothSizesAndCancelKeepsTheName) {
  h.view.box_answers = {mb::kIdCancel};
  const RunStatistics stats = h.RunDirectory();
  EXPECT_EQ(h.view.CallsStartingWith("box "),
            std::vector<std::string>{"box Filename already exists! 0x41 " + ClashText()});
  const auto listing = Listing(h.work.path());
  EXPECT_EQ(listing.at("Our Prices.htm"), h.originals.at("a.htm"));
  EXPECT_EQ(listing.at("b.htm"), h.originals.at("b.htm"));
  EXPECT_EQ(stats.Unrenamed, 1);
  EXPECT_EQ(stats.UserRenamed, 0);
  EXPECT_TRUE(h.NothingLost());
}

TEST_F(Interactive, TypedFreeNameMovesTheFile) {
  h.view.typed_names = {std::string("Price List")};
  const RunStatistics stats = h.RunDirectory();
  EXPECT_EQ(h.view.CallsStartingWith("dialog "),
            std::vector<std::string>{"dialog Enter a new name for <b.htm>. The title of this HTML "
                                     "file is <Our Prices> [Our Prices-1]"});
  const auto listing = Listing(h.work.path());
  EXPECT_EQ(listing.at("Price List.htm"), h.originals.at("b.htm"));
  EXPECT_EQ(stats.UserRenamed, 1);
  EXPECT_EQ(stats.Unrenamed, 0);
  EXPECT_EQ(h.view.Text(2011), "1");
  EXPECT_TRUE(h.NothingLost());
}

TEST_F(Interactive, NameInUseKeepsTheDialogOpen) {
  // "Our Prices" is taken by a.htm's scratch file; the same name with another extension is
  // not. Blank and separator-holding names are refused before anything is touched.
  h.view.typed_names = {std::string("Our Prices"), std::string("  "), std::string("../x"),
                        std::string("Our Prices.htm")};
  h.RunDirectory();
  EXPECT_EQ(
      h.view.CallsStartingWith("typed "),
      (std::vector<std::string>{"typed Our Prices -> in use", "typed    -> invalid",
                                "typed ../x -> invalid", "typed Our Prices.htm -> accepted"}));
  const auto boxes = h.view.CallsStartingWith("box ");
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[1],
            "box Filename already exists! 0x40 Sorry, this filename is in use by "
            "another file.");
  EXPECT_EQ(boxes[2], "box Invalid filename! 0x40 Sorry, this filename is not valid.");
  EXPECT_EQ(Listing(h.work.path()).at("Our Prices.htm.htm"), h.originals.at("b.htm"));
  EXPECT_TRUE(h.NothingLost());
}

TEST_F(Interactive, ProposalSkipsTakenNumbers) {
  h.AddPage("c.htm", "Our Prices-1");
  h.view.typed_names = {std::nullopt};  // cancel the dialog
  const RunStatistics stats = h.RunDirectory();
  // c.htm comes after b.htm; at b's turn only Our Prices.qlm is taken.
  ASSERT_EQ(h.view.CallsStartingWith("dialog ").size(), 1u);
  EXPECT_NE(h.view.CallsStartingWith("dialog ")[0].find("[Our Prices-1]"), std::string::npos);
  EXPECT_EQ(stats.Unrenamed, 1);
  EXPECT_TRUE(h.NothingLost());
}

TEST(InteractiveKeepName, FileNamedAfterItsTitleKeepsItsName) {
  EngineHarness h;
  h.options.EnableFullAutoMode = 0;
  h.AddPage("index.html", "index");
  const RunStatistics stats = h.RunDirectory();
  EXPECT_EQ(Listing(h.work.path()).at("index.htm"), h.originals.at("index.html"));
  EXPECT_EQ(stats.Unrenamed, 1);
  EXPECT_TRUE(h.view.CallsStartingWith("box ").empty());
  EXPECT_TRUE(h.NothingLost());
}

}  // namespace
}  // namespace qlm::testing
