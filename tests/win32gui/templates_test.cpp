// The dialogs and the icon compiled into quillomat.exe, read back from the executable's own
// resources and compared with the windows' tables: every control's id, class, text,
// rectangle in dialog units and style, and each dialog's caption, size, style and font.
#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/control_ids.h"
#include "common/messages.h"
#include "dialog_template.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_api.h"
#include "shell/options_dialog_model.h"

namespace {

using qlm::testing::ControlItem;
using qlm::testing::DialogTemplate;

constexpr std::uint32_t kChild = WS_CHILD | WS_VISIBLE;
constexpr std::uint32_t kDefaultButton = kChild | WS_TABSTOP | BS_DEFPUSHBUTTON;
constexpr std::uint32_t kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr std::uint32_t kGroupBox = kChild | BS_GROUPBOX;
constexpr std::uint32_t kLabel = kChild | WS_GROUP | SS_LEFT;
// The fields a run writes phases, names and titles into show an ampersand as it stands (the
// counters hold digits only).
constexpr std::uint32_t kField = kLabel | SS_NOPREFIX;
constexpr std::uint32_t kAutoBox = kChild | WS_TABSTOP | BS_AUTOCHECKBOX;

struct Expected {
  const char* name;
  std::uint32_t style;
  const char* caption;
  int width, height;
  std::vector<ControlItem> controls;
};

ControlItem Item(int id, const char* class_name, const char* text, int x, int y, int width,
                 int height, std::uint32_t style) {
  return ControlItem{id, class_name, text, x, y, width, height, style, 0};
}

Expected MainDialog() {
  return {"MAINDLG",
          DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
          "Quillomat 1.01",
          321,
          148,
          {
              Item(2000, "Button", "Process &Dir.", 263, 11, 50, 14, kDefaultButton),
              Item(2001, "Button", "Process &File", 263, 31, 50, 14, kButton),
              Item(2002, "Button", "&Options", 263, 51, 50, 14, kButton),
              Item(2013, "Button", "View Log(s)", 263, 71, 50, 14, kButton),
              Item(2003, "Button", "E&xit", 263, 91, 50, 14, kButton),
              Item(-1, "Button", "App. Status", 6, 7, 249, 70, kGroupBox),
              Item(-1, "Static", "Progress :", 13, 18, 38, 9, kLabel),
              Item(2004, "Static", "IDLE", 60, 18, 152, 11, kField),
              Item(-1, "Static", "File Name :", 13, 33, 38, 9, kLabel),
              Item(2005, "Static", "N/A", 60, 33, 185, 16, kField),
              Item(-1, "Static", "HTML Title : ", 13, 56, 40, 8, kLabel),
              Item(2006, "Static", "N/A", 60, 56, 187, 17, kField),
              Item(-1, "Button", "Statistics", 6, 81, 249, 61, kGroupBox),
              Item(-1, "Static", "Files Accessed :", 14, 95, 52, 8, kLabel),
              Item(2007, "Static", "N/A", 83, 95, 32, 9, kLabel),
              Item(-1, "Static", "Unrenamed Files:", 13, 110, 62, 8, kLabel),
              Item(2012, "Static", "N/A", 83, 110, 34, 9, kLabel),
              Item(-1, "Static", "User-renamed Files: ", 13, 125, 65, 9, kLabel),
              Item(2011, "Static", "N/A", 83, 125, 30, 9, kLabel),
              Item(-1, "Static", "Read Errors : ", 137, 95, 43, 8, kLabel),
              Item(2008, "Static", "N/A", 207, 95, 34, 9, kLabel),
              Item(-1, "Static", "Title Errors : ", 137, 110, 47, 8, kLabel),
              Item(2009, "Static", "N/A", 207, 110, 35, 9, kLabel),
              Item(-1, "Static", "Backup Errors : ", 137, 125, 52, 8, kLabel),
              Item(2010, "Static", "N/A", 207, 125, 34, 9, kLabel),
          }};
}

Expected OptionsDialog() {
  return {"OPTDLG",
          DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION,
          "Options",
          163,
          167,
          {
              // Toggled by the dialog itself: a plain check box.
              Item(3003, "Button", "  Backup renamed files", 10, 10, 121, 9,
                   kChild | WS_TABSTOP | BS_CHECKBOX),
              Item(3011, "Button", "  Always create new backup dir ", 20, 23, 131, 9, kAutoBox),
              Item(3002, "Button", "  Backup unrenamed files", 20, 36, 137, 9, kAutoBox),
              Item(3004, "Button", "  Overwrite existing files in backup dir", 20, 49, 142, 9,
                   kAutoBox),
              Item(3005, "Button", "  Enable full auto mode", 10, 63, 122, 9, kAutoBox),
              Item(3008, "Button", "  Enable shell extensions", 10, 76, 96, 9, kAutoBox),
              Item(3009, "Button", "  Enable parsing of HTML entities", 10, 89, 121, 9, kAutoBox),
              Item(3006, "Button", "  Rename as *.htm", 10, 102, 121, 9, kAutoBox),
              Item(3007, "Button", "  Write error log", 10, 115, 79, 9, kAutoBox),
              Item(3010, "Button", "  Write rename log", 10, 128, 79, 9, kAutoBox),
              Item(3001, "Button", "&Reset", 46, 148, 50, 14, kChild | BS_PUSHBUTTON),
              Item(3000, "Button", "&Close", 107, 148, 50, 14, kDefaultButton),
          }};
}

Expected RenameDialog() {
  return {"RENAMEDLG",
          DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION,
          "Rename HTML file manually",
          247,
          51,
          {
              Item(1000, "Button", "O&K", 190, 9, 50, 14, kDefaultButton),
              Item(1001, "Button", "&Cancel", 190, 30, 50, 14, kButton),
              Item(1003, "Static", "", 6, 6, 172, 25, kField),
              Item(1002, "Edit", "", 6, 31, 174, 13,
                   kChild | WS_TABSTOP | WS_BORDER | ES_LEFT | ES_AUTOHSCROLL),
          }};
}

// quillomat.exe's resources, loaded as data: nothing of the program runs.
class ProgramResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ =
        LoadLibraryExW(qlm::win32::Widen(QLM_GUI_PATH).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr) << QLM_GUI_PATH;
  }
  void TearDown() override {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  std::span<const std::uint8_t> Resource(const wchar_t* name, const wchar_t* type) const {
    const HRSRC found = FindResourceW(module_, name, type);
    if (found == nullptr) return {};
    const HGLOBAL loaded = LoadResource(module_, found);
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(loaded));
    return {bytes, SizeofResource(module_, found)};
  }
  HMODULE module_ = nullptr;
};

class DialogTemplates : public ProgramResources,
                        public ::testing::WithParamInterface<Expected (*)()> {};

TEST_P(DialogTemplates, MatchTheirTables) {
  const Expected expected = GetParam()();
  const std::span<const std::uint8_t> bytes =
      Resource(qlm::win32::Widen(expected.name).c_str(), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
  ASSERT_FALSE(bytes.empty()) << expected.name;
  const std::optional<DialogTemplate> dialog = qlm::testing::ReadDialogTemplate(bytes);
  ASSERT_TRUE(dialog.has_value());
  EXPECT_EQ(dialog->style, expected.style) << std::hex << (dialog->style ^ expected.style);
  EXPECT_EQ(dialog->caption, expected.caption);
  EXPECT_EQ(dialog->width, expected.width);
  EXPECT_EQ(dialog->height, expected.height);
  EXPECT_EQ(dialog->font_size, 9);
  EXPECT_EQ(dialog->font_name, "Arial");
  ASSERT_EQ(dialog->controls.size(), expected.controls.size());
  for (std::size_t i = 0; i < expected.controls.size(); ++i) {
    const ControlItem& want = expected.controls[i];
    const ControlItem& got = dialog->controls[i];
    SCOPED_TRACE(std::string(expected.name) + " control " + std::to_string(i) + " " + want.text);
    EXPECT_EQ(got.id, want.id);
    EXPECT_EQ(got.class_name, want.class_name);
    EXPECT_EQ(got.text, want.text);
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
    EXPECT_EQ(got.width, want.width);
    EXPECT_EQ(got.height, want.height);
    EXPECT_EQ(got.style, want.style) << std::hex << (got.style ^ want.style);
    EXPECT_EQ(got.extended_style, 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Program, DialogTemplates,
                         ::testing::Values(&MainDialog, &OptionsDialog, &RenameDialog));

// The texts the program also uses at run time are the template's own.
TEST(DialogTexts, AgreeWithTheProgramsTexts) {
  EXPECT_EQ(MainDialog().caption, qlm::msg::kMainCaption);
  EXPECT_EQ(OptionsDialog().caption, qlm::msg::kOptionsCaption);
  EXPECT_EQ(RenameDialog().caption, qlm::msg::kRenameDialogCaption);
  const Expected options = OptionsDialog();
  for (const qlm::OptionBox& box : qlm::OptionBoxes()) {
    bool found = false;
    for (const ControlItem& item : options.controls) {
      if (item.id != box.id) continue;
      found = true;
      EXPECT_EQ(item.text, box.text);
      EXPECT_EQ(item.x, box.x);
      EXPECT_EQ(item.y, box.y);
      EXPECT_EQ(item.width, box.width);
      EXPECT_EQ(item.height, box.height);
    }
    EXPECT_TRUE(found) << box.id;
  }
}

// Icon 500: one 32 x 32 image in 16 colours.
TEST_F(ProgramResources, IconIsOne32By32ImageIn16Colours) {
  const std::span<const std::uint8_t> group =
      Resource(MAKEINTRESOURCEW(QLM_ID_ICON), MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */);
  ASSERT_GE(group.size(), 6u + 14u);
  EXPECT_EQ(group[4] | group[5] << 8, 1);  // one image
  EXPECT_EQ(group[6], 32);                 // width
  EXPECT_EQ(group[7], 32);                 // height
  EXPECT_EQ(group[8], 16);                 // colours
  const int image_id = group[6 + 12] | group[6 + 13] << 8;
  const std::span<const std::uint8_t> image =
      Resource(MAKEINTRESOURCEW(image_id), MAKEINTRESOURCEW(3) /* RT_ICON */);
  ASSERT_GE(image.size(), 40u);
  EXPECT_EQ(image[14] | image[15] << 8, 4);  // bits per pixel
}

}  // namespace
