// RENAMEDLG over the engine's manual rename, typed into in process: the prompt and the
// proposal it opens with, names in use and names refused (the dialog stays, with its text),
// a free name accepted, Cancel, and Esc, which leaves the dialog open.
#include "rename_dialog.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/messages.h"
#include "common/ui.h"
#include "dialog_text.h"
#include "engine/manual_rename.h"
#include "modal_driver.h"
#include "platform/native_file_system.h"
#include "shell/run_view_relay.h"
#include "support/temp_dir.h"

namespace {

namespace ctl = qlm::ctl;
namespace msg = qlm::msg;
using qlm::ManualRename;
using qlm::testing::Click;
using qlm::testing::ModalDriver;
using qlm::win32gui::RenameDialog;

class RenameDialogTest : public ::testing::Test {
 protected:
  RenameDialogTest() : fs_(qlm::MakeNativeFileSystem()) {
    for (const char* name :
         {"page.htm", "Our Prices.qlm", "Our Prices-1.qlm", "Taken.qlm", "Other.htm"}) {
      qlm::testing::WriteFile(directory_ / name, "x");
    }
  }

  // Opens the dialog for page.htm (title "Our Prices") in a directory run, with `drive`
  // typing and clicking; returns its result.
  int Run(const std::function<void(HWND)>& drive) {
    destination_ = directory_ / "Our Prices.qlm";
    ManualRename logic(*fs_, qlm::RunKind::DirectoryRun, "page.htm", "Our Prices",
                       directory_.path() + "\\", true, destination_);
    RenameDialog dialog(
        logic, [this](HWND, std::string_view text, std::string_view caption, unsigned flags) {
          boxes_.push_back(std::string(text) + "|" + std::string(caption));
          return qlm::SafeAnswer(flags);
        });
    ModalDriver driver([&dialog] { return dialog.window(); }, drive);
    return dialog.Run(GetModuleHandleW(nullptr), nullptr);
  }

  static void Type(HWND dialog, const std::string& name) {
    qlm::win32gui::SetControlText(dialog, ctl::kRenameEdit, name);
  }

  qlm::testing::TempDir directory_;
  std::unique_ptr<qlm::FileSystem> fs_;
  std::string destination_;
  std::vector<std::string> boxes_;
};

TEST_F(RenameDialogTest, OpensWithThePromptAndTheFirstFreeNumberedName) {
  std::string prompt, proposal;
  const int result = Run([&](HWND dialog) {
    prompt = qlm::win32gui::ControlText(dialog, ctl::kRenamePrompt);
    proposal = qlm::win32gui::ControlText(dialog, ctl::kRenameEdit);
    Click(dialog, ctl::kRenameCancel);
  });
  EXPECT_EQ(prompt, "Enter a new name for <page.htm>. The title of this HTML file is <Our Prices>");
  EXPECT_EQ(proposal, "Our Prices-2");  // -1 is taken too
  EXPECT_EQ(result, RenameDialog::kCancelled);
  EXPECT_TRUE(boxes_.empty());
}

// Each refused name brings its message box and leaves the dialog open with the typed text;
// a free name then closes it with the destination in the run's directory.
TEST_F(RenameDialogTest, RefusedNamesKeepTheDialogOpenUntilAFreeOne) {
  struct Refused {
    const char* typed;
    std::string box;
  };
  const Refused refused[] = {
      {"Taken", std::string(msg::kNameInUse) + "|" + std::string(msg::kFilenameExistsCaption)},
      {"TAKEN", std::string(msg::kNameInUse) + "|" + std::string(msg::kFilenameExistsCaption)},
      {"", std::string(msg::kNameInvalid) + "|" + std::string(msg::kNameInvalidCaption)},
      {"..\\out", std::string(msg::kNameInvalid) + "|" + std::string(msg::kNameInvalidCaption)},
      {"a:b", std::string(msg::kNameInvalid) + "|" + std::string(msg::kNameInvalidCaption)},
  };
  std::vector<std::string> kept;
  std::vector<bool> open;
  const int result = Run([&](HWND dialog) {
    for (const Refused& row : refused) {
      Type(dialog, row.typed);
      Click(dialog, ctl::kRenameOk);
      kept.push_back(qlm::win32gui::ControlText(dialog, ctl::kRenameEdit));
      open.push_back(IsWindowVisible(dialog) != FALSE);
    }
    Type(dialog, "Other");  // Other.htm exists, but the run's extension is .qlm
    Click(dialog, ctl::kRenameOk);
  });
  ASSERT_EQ(boxes_.size(), std::size(refused));
  for (std::size_t i = 0; i < std::size(refused); ++i) {
    SCOPED_TRACE(refused[i].typed);
    EXPECT_EQ(boxes_[i], refused[i].box);
    EXPECT_EQ(kept[i], refused[i].typed);
    EXPECT_TRUE(open[i]);
  }
  EXPECT_EQ(result, RenameDialog::kAccepted);
  EXPECT_EQ(destination_, directory_.path() + "\\Other.qlm");
}

TEST_F(RenameDialogTest, EscapeLeavesTheDialogOpenAndEnterIsOk) {
  bool open_after_escape = false;
  const int result = Run([&](HWND dialog) {
    qlm::testing::PressEscape(dialog);
    open_after_escape = IsWindowVisible(dialog) != FALSE;
    Type(dialog, "Fresh");
    // Enter gives the default button's command.
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(ctl::kRenameOk, BN_CLICKED), 0);
  });
  EXPECT_TRUE(open_after_escape);
  EXPECT_EQ(result, RenameDialog::kAccepted);
  EXPECT_EQ(destination_, directory_.path() + "\\Fresh.qlm");
}

TEST_F(RenameDialogTest, TheFieldTakesAHundredCharactersAndNoMore) {
  LRESULT limit = 0;
  Run([&](HWND dialog) {
    limit = SendDlgItemMessageW(dialog, ctl::kRenameEdit, EM_GETLIMITTEXT, 0, 0);
    Click(dialog, ctl::kRenameCancel);
  });
  EXPECT_EQ(limit, 100);
}

}  // namespace
