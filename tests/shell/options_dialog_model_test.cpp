// The options dialog's logic: what it shows when it opens, what a sequence of commands
// leaves in the OptionSet, when the shell verbs are touched and what View Log(s) becomes.
#include "shell/options_dialog_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/ui.h"

namespace qlm {
namespace {

constexpr int kEsc = 2;  // the cancel command Esc gives

OptionSet AllOff() {
  OptionSet options;
  options.BackupRenamedFiles = options.BackupCreateNewDir = options.BackupOverwriteExisting =
      options.BackupUnrenamedFiles = options.EnableShellExts = options.EnableFullAutoMode =
          options.RenameAsHtm = options.ParseHTMLEntities = options.WriteRenameLog =
              options.WriteErrorLog = 0;
  return options;
}

OptionSet AllOn() {
  OptionSet options;
  options.BackupRenamedFiles = options.BackupCreateNewDir = options.BackupOverwriteExisting =
      options.BackupUnrenamedFiles = options.EnableShellExts = options.EnableFullAutoMode =
          options.RenameAsHtm = options.ParseHTMLEntities = options.WriteRenameLog =
              options.WriteErrorLog = 1;
  return options;
}

TEST(OptionsDialogModelTest, OpensWithSubOptionsGreyedExactlyWhenBackupIsOff) {
  OptionSet options;  // the defaults: 3011 and 3002 on, 3004 off
  for (const std::uint8_t backup : {0, 1}) {
    SCOPED_TRACE(backup);
    options.BackupRenamedFiles = backup;
    const OptionsDialogModel model(options);
    EXPECT_EQ(model.Checked(ctl::kBackupRenamedFiles), backup == 1);
    // Greyed or not, the sub-options show their stored marks.
    EXPECT_TRUE(model.Checked(ctl::kBackupCreateNewDir));
    EXPECT_TRUE(model.Checked(ctl::kBackupUnrenamedFiles));
    EXPECT_FALSE(model.Checked(ctl::kBackupOverwriteExisting));
    for (const int id :
         {ctl::kBackupCreateNewDir, ctl::kBackupUnrenamedFiles, ctl::kBackupOverwriteExisting}) {
      EXPECT_EQ(model.Enabled(id), backup == 1) << id;
    }
    EXPECT_TRUE(model.Enabled(ctl::kBackupRenamedFiles));
    EXPECT_TRUE(model.Enabled(ctl::kEnableShellExts));
    EXPECT_FALSE(model.Enabled(ctl::kOptionsClose));  // not a box
  }
}

TEST(OptionsDialogModelTest, EveryBoxShowsItsOwnFlag) {
  // One flag on at a time: exactly its box is checked, so no two boxes share a flag.
  struct Row {
    std::uint8_t OptionSet::*flag;
    int id;
  };
  const Row rows[] = {
      {&OptionSet::BackupRenamedFiles, ctl::kBackupRenamedFiles},
      {&OptionSet::BackupCreateNewDir, ctl::kBackupCreateNewDir},
      {&OptionSet::BackupOverwriteExisting, ctl::kBackupOverwriteExisting},
      {&OptionSet::BackupUnrenamedFiles, ctl::kBackupUnrenamedFiles},
      {&OptionSet::EnableShellExts, ctl::kEnableShellExts},
      {&OptionSet::EnableFullAutoMode, ctl::kEnableFullAutoMode},
      {&OptionSet::RenameAsHtm, ctl::kRenameAsHtm},
      {&OptionSet::ParseHTMLEntities, ctl::kParseHTMLEntities},
      {&OptionSet::WriteRenameLog, ctl::kWriteRenameLog},
      {&OptionSet::WriteErrorLog, ctl::kWriteErrorLog},
  };
  for (const Row& row : rows) {
    OptionSet options = AllOff();
    options.*row.flag = 1;
    OptionsDialogModel model(options);
    for (const OptionBox& box : OptionBoxes()) {
      EXPECT_EQ(model.Checked(box.id), box.id == row.id) << row.id << " box " << box.id;
    }
    // Closed untouched, the dialog gives back what it was given.
    OptionSet closed = AllOn();  // Close must write every flag, the unchanged ones too
    EXPECT_EQ(model.Command(ctl::kOptionsClose, closed, {}), DialogOutcome::Closed);
    EXPECT_EQ(closed, options) << row.id;
  }
}

// A sequence of commands from the dialog's opening to its Close.
struct CommandRow {
  const char* name;
  OptionSet start;
  std::vector<int> commands;  // Close is sent after these
  OptionSet expected;
  std::vector<int> verb_calls;  // what the shell-verb updater was called with
  bool view_logs;
};

OptionSet With(OptionSet options, std::uint8_t OptionSet::*flag, std::uint8_t value) {
  options.*flag = value;
  return options;
}

class OptionsDialogCommandTest : public ::testing::TestWithParam<CommandRow> {};

TEST_P(OptionsDialogCommandTest, CloseAppliesTheBoxes) {
  const CommandRow& row = GetParam();
  OptionsDialogModel model(row.start);
  OptionSet options = row.start;
  std::vector<int> calls;
  // The verbs are updated after the first six flags are stored and before the rest.
  std::vector<OptionSet> seen_by_updater;
  const ShellVerbUpdater updater = [&](int wanted) {
    calls.push_back(wanted);
    seen_by_updater.push_back(options);
  };
  for (const int id : row.commands) {
    EXPECT_EQ(model.Command(id, options, updater), DialogOutcome::Stays) << id;
    EXPECT_EQ(options, row.start) << "applied before Close, command " << id;
  }
  EXPECT_EQ(model.Command(ctl::kOptionsClose, options, updater), DialogOutcome::Closed);
  EXPECT_EQ(options, row.expected);
  EXPECT_EQ(calls, row.verb_calls);
  for (const OptionSet& seen : seen_by_updater) {
    EXPECT_EQ(seen.EnableShellExts, row.expected.EnableShellExts);
    EXPECT_EQ(seen.WriteErrorLog, row.start.WriteErrorLog);
  }
  OptionsDialogModel again(row.expected);
  OptionSet scratch = row.expected;
  EXPECT_EQ(again.Close(scratch, {}), row.view_logs);
}

const OptionSet kDefaults;
const OptionSet kReset = OptionsDialogModel::ResetValues();

INSTANTIATE_TEST_SUITE_P(
    Sequences, OptionsDialogCommandTest,
    ::testing::Values(
        CommandRow{"ResetWithShellExtsOffAddsTheVerbs",
                   kDefaults,
                   {ctl::kOptionsReset},
                   kReset,
                   {1},
                   false},
        CommandRow{
            "ResetFromAllOffTurnsBackupOn", AllOff(), {ctl::kOptionsReset}, kReset, {1}, false},
        CommandRow{"ResetWithShellExtsOnLeavesTheVerbs",
                   With(AllOff(), &OptionSet::EnableShellExts, 1),
                   {ctl::kOptionsReset},
                   kReset,
                   {},
                   false},
        CommandRow{"ShellExtsCheckedAndUncheckedTouchesNothing",
                   kDefaults,
                   {ctl::kEnableShellExts, ctl::kEnableShellExts},
                   kDefaults,
                   {},
                   false},
        CommandRow{"ShellExtsUncheckedRemovesTheVerbs",
                   With(kDefaults, &OptionSet::EnableShellExts, 1),
                   {ctl::kEnableShellExts},
                   kDefaults,
                   {0},
                   false},
        CommandRow{"UncheckingBackupKeepsTheSubOptionMarks",
                   kDefaults,
                   {ctl::kBackupRenamedFiles},
                   With(kDefaults, &OptionSet::BackupRenamedFiles, 0),
                   {},
                   false},
        CommandRow{"GreyedSubOptionIgnoresClicks",
                   With(kDefaults, &OptionSet::BackupRenamedFiles, 0),
                   {ctl::kBackupCreateNewDir, ctl::kBackupOverwriteExisting},
                   With(kDefaults, &OptionSet::BackupRenamedFiles, 0),
                   {},
                   false},
        CommandRow{"CheckingBackupEnablesTheSubOptions",
                   With(kDefaults, &OptionSet::BackupRenamedFiles, 0),
                   {ctl::kBackupRenamedFiles, ctl::kBackupOverwriteExisting},
                   With(kDefaults, &OptionSet::BackupOverwriteExisting, 1),
                   {},
                   false},
        CommandRow{"OneLogOnEnablesViewLogs",
                   kDefaults,
                   {ctl::kWriteRenameLog},
                   With(kDefaults, &OptionSet::WriteRenameLog, 1),
                   {},
                   true},
        CommandRow{"ErrorLogAloneEnablesViewLogs",
                   kDefaults,
                   {ctl::kWriteErrorLog},
                   With(kDefaults, &OptionSet::WriteErrorLog, 1),
                   {},
                   true},
        CommandRow{
            "BothLogsTurnedOffDisablesViewLogs",
            With(With(kDefaults, &OptionSet::WriteRenameLog, 1), &OptionSet::WriteErrorLog, 1),
            {ctl::kWriteRenameLog, ctl::kWriteErrorLog},
            kDefaults,
            {},
            false},
        CommandRow{"EscAndUnknownCommandsAreIgnored",
                   kDefaults,
                   {kEsc, 1, 2002, 0},
                   kDefaults,
                   {},
                   false}),
    [](const ::testing::TestParamInfo<CommandRow>& info) { return std::string(info.param.name); });

TEST(OptionsDialogModelTest, ResetDiffersFromTheMissingKeyDefaultsInTwoFlags) {
  OptionSet reset = OptionsDialogModel::ResetValues();
  EXPECT_EQ(reset.EnableShellExts, 1);
  EXPECT_EQ(reset.ParseHTMLEntities, 0);
  reset.EnableShellExts = kDefaults.EnableShellExts;
  reset.ParseHTMLEntities = kDefaults.ParseHTMLEntities;
  EXPECT_EQ(reset, kDefaults);
}

TEST(OptionsDialogModelTest, EscKeepsTheDialogOpenAndItsBoxes) {
  OptionSet options;
  OptionsDialogModel model(options);
  model.Command(ctl::kWriteErrorLog, options, {});
  EXPECT_EQ(model.Command(kEsc, options, {}), DialogOutcome::Stays);
  EXPECT_TRUE(model.Checked(ctl::kWriteErrorLog));
  EXPECT_EQ(options, OptionSet{});
}

}  // namespace
}  // namespace qlm
