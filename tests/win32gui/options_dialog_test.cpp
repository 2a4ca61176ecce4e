// OPTDLG over the options model, clicked through in process: the greyed sub-options, Reset,
// Close with the shell verbs and View Log(s), and Esc, which leaves the dialog open.
#include "options_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/ui.h"
#include "modal_driver.h"

namespace {

namespace ctl = qlm::ctl;
using qlm::OptionSet;
using qlm::testing::Checked;
using qlm::testing::Click;
using qlm::testing::Enabled;
using qlm::testing::ModalDriver;
using qlm::win32gui::OptionsDialog;

constexpr int kSubOptions[] = {ctl::kBackupCreateNewDir, ctl::kBackupUnrenamedFiles,
                               ctl::kBackupOverwriteExisting};

OptionSet AllOff() {
  OptionSet options;
  options.BackupRenamedFiles = options.BackupCreateNewDir = options.BackupUnrenamedFiles = 0;
  options.BackupOverwriteExisting = options.EnableFullAutoMode = options.EnableShellExts = 0;
  options.ParseHTMLEntities = options.RenameAsHtm = options.WriteRenameLog = 0;
  options.WriteErrorLog = 0;
  return options;
}

// Runs the dialog over `options` with `drive` clicking in it; returns what Run returned and
// records every shell-verb update.
struct Session {
  OptionSet options = AllOff();
  std::vector<int> verb_updates;
  bool view_logs = false;

  void Run(const std::function<void(HWND)>& drive) {
    OptionsDialog dialog(options, [this](int wanted) { verb_updates.push_back(wanted); });
    ModalDriver driver([&dialog] { return dialog.window(); }, drive);
    view_logs = dialog.Run(GetModuleHandleW(nullptr), nullptr);
  }
};

TEST(OptionsDialog, OpensWithSubOptionsGreyedButShowingTheirMarks) {
  Session s;
  s.options.BackupUnrenamedFiles = 1;
  s.options.BackupOverwriteExisting = 1;
  std::vector<bool> enabled_at_open, checked_at_open, enabled_after_click;
  bool backup_after_click = false;
  s.Run([&](HWND dialog) {
    for (const int id : kSubOptions) {
      enabled_at_open.push_back(Enabled(dialog, id));
      checked_at_open.push_back(Checked(dialog, id));
    }
    Click(dialog, ctl::kBackupRenamedFiles);
    backup_after_click = Checked(dialog, ctl::kBackupRenamedFiles);
    for (const int id : kSubOptions)
      enabled_after_click.push_back(Enabled(dialog, id));
    Click(dialog, ctl::kOptionsClose);
  });
  EXPECT_EQ(enabled_at_open, (std::vector<bool>{false, false, false}));
  EXPECT_EQ(checked_at_open, (std::vector<bool>{false, true, true}));
  EXPECT_TRUE(backup_after_click);
  EXPECT_EQ(enabled_after_click, (std::vector<bool>{true, true, true}));
  EXPECT_EQ(s.options.BackupRenamedFiles, 1);
}

TEST(OptionsDialog, UncheckingBackupKeepsTheSubOptionsMarksAtClose) {
  Session s;
  s.options.BackupRenamedFiles = 1;
  s.options.BackupCreateNewDir = 1;
  s.Run([](HWND dialog) {
    Click(dialog, ctl::kBackupRenamedFiles);
    Click(dialog, ctl::kOptionsClose);
  });
  EXPECT_EQ(s.options.BackupRenamedFiles, 0);
  EXPECT_EQ(s.options.BackupCreateNewDir, 1);
  EXPECT_EQ(s.options.BackupUnrenamedFiles, 0);
}

TEST(OptionsDialog, ResetThenCloseAppliesTheResetValuesAndAddsTheVerbs) {
  Session s;
  s.options.BackupOverwriteExisting = 1;
  s.options.ParseHTMLEntities = 1;
  s.options.WriteErrorLog = 1;
  bool open_after_reset = false;
  s.Run([&](HWND dialog) {
    Click(dialog, ctl::kOptionsReset);
    open_after_reset = IsWindowVisible(dialog) != FALSE;
    Click(dialog, ctl::kOptionsClose);
  });
  EXPECT_TRUE(open_after_reset);
  const OptionSet reset = qlm::OptionsDialogModel::ResetValues();
  EXPECT_EQ(s.options.BackupRenamedFiles, reset.BackupRenamedFiles);
  EXPECT_EQ(s.options.BackupCreateNewDir, reset.BackupCreateNewDir);
  EXPECT_EQ(s.options.BackupUnrenamedFiles, reset.BackupUnrenamedFiles);
  EXPECT_EQ(s.options.BackupOverwriteExisting, reset.BackupOverwriteExisting);
  EXPECT_EQ(s.options.EnableFullAutoMode, reset.EnableFullAutoMode);
  EXPECT_EQ(s.options.EnableShellExts, 1);
  EXPECT_EQ(s.options.ParseHTMLEntities, 0);
  EXPECT_EQ(s.options.RenameAsHtm, reset.RenameAsHtm);
  EXPECT_EQ(s.options.WriteErrorLog, 0);
  EXPECT_EQ(s.options.WriteRenameLog, 0);
  EXPECT_EQ(s.verb_updates, std::vector<int>{1});
  EXPECT_FALSE(s.view_logs);  // both logs are off after Reset
}

// The verbs change only when Close finds EnableShellExts other than it was at opening.
TEST(OptionsDialog, ShellVerbsChangeOnlyWhenTheBoxEndsDifferent) {
  struct Row {
    const char* name;
    int on_open;
    int clicks;
    std::vector<int> updates;
  };
  const Row rows[] = {
      {"untouched", 0, 0, {}},
      {"checked and unchecked", 0, 2, {}},
      {"checked", 0, 1, {1}},
      {"unchecked", 1, 1, {0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Session s;
    s.options.EnableShellExts = static_cast<std::uint8_t>(row.on_open);
    s.Run([&](HWND dialog) {
      for (int i = 0; i < row.clicks; ++i)
        Click(dialog, ctl::kEnableShellExts);
      Click(dialog, ctl::kOptionsClose);
    });
    EXPECT_EQ(s.verb_updates, row.updates);
    EXPECT_EQ(s.options.EnableShellExts, (row.on_open + row.clicks) % 2);
  }
}

TEST(OptionsDialog, CloseTellsWhetherViewLogsIsToBeEnabled) {
  struct Row {
    int error_log, rename_log;
    bool view_logs;
  };
  for (const Row row : {Row{0, 0, false}, Row{1, 0, true}, Row{0, 1, true}, Row{1, 1, true}}) {
    Session s;
    s.options.WriteErrorLog = static_cast<std::uint8_t>(row.error_log);
    s.options.WriteRenameLog = static_cast<std::uint8_t>(row.rename_log);
    s.Run([](HWND dialog) { Click(dialog, ctl::kOptionsClose); });
    EXPECT_EQ(s.view_logs, row.view_logs) << row.error_log << row.rename_log;
  }
}

// Esc (and the close command a system menu would give) are ignored: only Close leaves, and
// it still applies the boxes clicked after them.
TEST(OptionsDialog, EscapeLeavesTheDialogOpen) {
  Session s;
  bool open_after_escape = false;
  s.Run([&](HWND dialog) {
    qlm::testing::PressEscape(dialog);
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    open_after_escape = IsWindowVisible(dialog) != FALSE;
    Click(dialog, ctl::kRenameAsHtm);
    Click(dialog, ctl::kOptionsClose);
  });
  EXPECT_TRUE(open_after_escape);
  EXPECT_EQ(s.options.RenameAsHtm, 1);
}

}  // namespace
