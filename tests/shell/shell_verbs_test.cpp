// The context-menu verbs in a temporary home: which files adding and removing leave, that a
// user's own files and Thunar actions survive both, and that base directories missing in a
// fresh home are made.
#include "shell/shell_verbs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "platform/fault_injecting_file_system.h"
#include "platform/posix/posix_file_system.h"
#include "shell/posix/shell_verb_files.h"
#include "shell/verb_home.h"
#include "support/temp_dir.h"

namespace qlm {
namespace {

namespace fs = std::filesystem;
using testing::Home;
using testing::ReadFile;
using testing::Snapshot;
using testing::WriteFile;

unsigned Mode(const std::string& path) {
  struct stat status {};
  return lstat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

TEST(ShellVerbsTest, AddCreatesTheSetAndRemoveRestoresTheHome) {
  Home home;
  const auto before = Snapshot(home.home);
  ASSERT_EQ(home.Update(1), ShellVerbsResult::Done);
  const auto added = Snapshot(home.home);

  std::map<std::string, std::string> expected_new = {
      {".local/share/file-manager", "dir"},
      {".local/share/file-manager/actions", "dir"},
      {".local/share/file-manager/actions/quillomat.desktop", "file"},
      {".local/share/kio", "dir"},
      {".local/share/kio/servicemenus", "dir"},
      {".local/share/kio/servicemenus/quillomat.desktop", "exec"},
      {".local/share/nautilus/scripts/Quillomat", "exec"},
      {".local/share/nemo", "dir"},
      {".local/share/nemo/actions", "dir"},
      {".local/share/nemo/actions/quillomat.nemo_action", "file"},
  };
  std::map<std::string, std::string> new_entries;
  for (const auto& [path, value] : added) {
    if (before.contains(path)) continue;
    // Directories as they are; files as executable (KDE and Nautilus run only those) or not.
    new_entries[path] = value == "dir"                                              ? value
                        : (std::stoi(value.substr(0, value.find(':'))) & 0100) != 0 ? "exec"
                                                                                    : "file";
  }
  EXPECT_EQ(new_entries, expected_new);
  for (const auto& [path, value] : before) {
    if (path != ".config/Thunar/uca.xml") {
      EXPECT_EQ(added.at(path), value) << path;
    }
  }
  const std::string uca = ReadFile(home.home + "/.config/Thunar/uca.xml");
  EXPECT_NE(uca.find("Open Terminal Here"), std::string::npos);
  EXPECT_NE(uca.find("quillomat-shell-verb-folders"), std::string::npos);
  EXPECT_NE(uca.find("quillomat-shell-verb-files"), std::string::npos);

  // No file is an application entry: nothing can make Quillomat the program that opens them.
  for (const auto& [path, value] : new_entries) {
    if (value == "dir") continue;
    const std::string text = ReadFile(home.home + "/" + path);
    EXPECT_EQ(text.find("Type=Application"), std::string::npos) << path;
    EXPECT_EQ(path.find("applications/"), std::string::npos) << path;
  }
  const std::string action =
      ReadFile(home.home + "/.local/share/file-manager/actions/quillomat.desktop");
  EXPECT_NE(action.find("\nType=Action\n"), std::string::npos);
  EXPECT_NE(action.find("\nMimeTypes=text/html;application/xhtml+xml;inode/directory;\n"),
            std::string::npos);
  EXPECT_NE(action.find("\nExec='/opt/q/bin/quillomat' %f\n"), std::string::npos);

  ASSERT_EQ(home.Update(1), ShellVerbsResult::Done);
  EXPECT_EQ(Snapshot(home.home), added) << "adding twice differs from adding once";

  ASSERT_EQ(home.Update(0), ShellVerbsResult::Done);
  EXPECT_EQ(Snapshot(home.home), before);
  ASSERT_EQ(home.Update(0), ShellVerbsResult::Done);
  EXPECT_EQ(Snapshot(home.home), before);
}

TEST(ShellVerbsTest, XdgVariablesChooseTheDirectories) {
  Home home;
  home.variables["XDG_DATA_HOME"] = home.root / "data";
  home.variables["XDG_CONFIG_HOME"] = "relative/config";  // not absolute: ignored
  fs::create_directories(home.root / "data");
  ASSERT_EQ(home.Update(1), ShellVerbsResult::Done);
  EXPECT_TRUE(fs::exists(home.root / "data/nemo/actions/quillomat.nemo_action"));
  EXPECT_FALSE(fs::exists(home.home + "/.local/share/nemo"));
  EXPECT_NE(ReadFile(home.home + "/.config/Thunar/uca.xml").find("quillomat"), std::string::npos);
  ASSERT_EQ(home.Update(0), ShellVerbsResult::Done);
  EXPECT_TRUE(fs::is_empty(home.root / "data"));
}

TEST(ShellVerbsTest, RefusalsChangeNothing) {
  struct Row {
    const char* name;
    std::map<std::string, std::string> variables;
    std::string program;
    ShellVerbsResult result;
  };
  const Row rows[] = {
      {"no home", {}, "/usr/bin/quillomat", ShellVerbsResult::NoHome},
      {"relative home", {{"HOME", "home"}}, "/usr/bin/quillomat", ShellVerbsResult::NoHome},
      {"relative program", {}, "quillomat", ShellVerbsResult::BadProgramPath},
      {"program with a line break", {}, "/usr/bin/quill\nomat", ShellVerbsResult::BadProgramPath},
  };
  for (const Row& row : rows) {
    Home home;
    if (row.variables.size() != 0 || row.result == ShellVerbsResult::NoHome) {
      home.variables = row.variables;
    }
    const auto before = Snapshot(home.home);
    EXPECT_EQ(home.Update(1, row.program), row.result) << row.name;
    EXPECT_EQ(Snapshot(home.home), before) << row.name;
  }
}

TEST(ShellVerbsTest, AUsersFileOfOurNameIsNeverTouched) {
  Home home;
  const std::string theirs = home.home + "/.local/share/nautilus/scripts/quillomat";  // case
  WriteFile(theirs, "#!/bin/sh\necho my own quillomat helper\n");
  fs::create_directories(home.home + "/.local/share/nemo/actions");
  const std::string nemo = home.home + "/.local/share/nemo/actions/quillomat.nemo_action";
  WriteFile(nemo, "[Nemo Action]\nName=Mine\n");
  const auto before = Snapshot(home.home);
  EXPECT_EQ(home.Update(1), ShellVerbsResult::Incomplete);
  EXPECT_EQ(ReadFile(theirs), "#!/bin/sh\necho my own quillomat helper\n");
  EXPECT_EQ(ReadFile(nemo), "[Nemo Action]\nName=Mine\n");
  EXPECT_TRUE(fs::exists(home.home + "/.local/share/kio/servicemenus/quillomat.desktop"));
  EXPECT_EQ(home.Update(0), ShellVerbsResult::Done);
  EXPECT_EQ(Snapshot(home.home), before);
}

TEST(ShellVerbsTest, ThunarFileWithoutClosingTagIsLeftAlone) {
  Home home;
  const std::string uca = home.home + "/.config/Thunar/uca.xml";
  WriteFile(uca, "<actions/>\n");
  EXPECT_EQ(home.Update(1), ShellVerbsResult::Incomplete);
  EXPECT_EQ(ReadFile(uca), "<actions/>\n");
}

// Without a uca.xml of the user's Thunar reads the system's; a new one must keep its actions,
// and removing must leave the home as it was.
TEST(ShellVerbsTest, AMissingThunarFileStartsFromTheSystemsAndGoesAgain) {
  const std::string system_action = "<action><name>System</name><unique-id>s-1</unique-id>";
  for (const bool system_file : {true, false}) {
    SCOPED_TRACE(system_file ? "system uca.xml" : "none");
    Home home;
    fs::remove_all(home.home + "/.config/Thunar");
    if (system_file) {
      fs::create_directories(home.system_config + "/Thunar");
      WriteFile(home.system_config + "/Thunar/uca.xml",
                "<?xml version=\"1.0\"?>\n<actions>\n" + system_action + "</action>\n</actions>\n");
    }
    const auto before = Snapshot(home.home);
    ASSERT_EQ(home.Update(1), ShellVerbsResult::Done);
    const std::string uca = ReadFile(home.home + "/.config/Thunar/uca.xml");
    EXPECT_EQ(uca.find(system_action) != std::string::npos, system_file);
    EXPECT_NE(uca.find("quillomat-shell-verb-files"), std::string::npos);
    EXPECT_TRUE(uca.starts_with("<?xml")) << "nothing may stand before the declaration";
    ASSERT_EQ(home.Update(0), ShellVerbsResult::Done);
    EXPECT_EQ(Snapshot(home.home), before);
  }
  // Once the user has added an action of their own, the file is theirs and stays.
  Home home;
  fs::remove_all(home.home + "/.config/Thunar");
  ASSERT_EQ(home.Update(1), ShellVerbsResult::Done);
  const std::string uca = home.home + "/.config/Thunar/uca.xml";
  std::string text = ReadFile(uca);
  text.insert(text.rfind("</actions>"), "<action><unique-id>mine</unique-id></action>\n");
  WriteFile(uca, text);
  ASSERT_EQ(home.Update(0), ShellVerbsResult::Done);
  EXPECT_NE(ReadFile(uca).find("<unique-id>mine</unique-id>"), std::string::npos);
  EXPECT_EQ(ReadFile(uca).find("quillomat"), std::string::npos);
}

// A fresh account: no ~/.local/share, no ~/.config. Adding makes them as the XDG base
// directories are made (mode 0700); removing leaves them.
TEST(ShellVerbsTest, AFreshHomeGetsItsBaseDirectories) {
  Home home(/*furnished=*/false);
  ASSERT_EQ(home.Update(1), ShellVerbsResult::Done);
  for (const char* base : {"/.local", "/.local/share", "/.config"}) {
    EXPECT_EQ(Mode(home.home + base), 0700u) << base;
  }
  for (const auto& file : ShellVerbFiles(home.environment)) {
    EXPECT_TRUE(fs::is_regular_file(file.path())) << file.path();
  }
  EXPECT_TRUE(fs::is_regular_file(home.home + "/.config/Thunar/uca.xml"));
  ASSERT_EQ(home.Update(0), ShellVerbsResult::Done);
  EXPECT_EQ(Snapshot(home.home),
            (std::map<std::string, std::string>{
                {".config", "dir"}, {".local", "dir"}, {".local/share", "dir"}}));

  // XDG_DATA_HOME elsewhere, several levels missing; a file where a directory must go fails.
  Home other(/*furnished=*/false);
  other.variables["XDG_DATA_HOME"] = other.root / "a/b/data";
  ASSERT_EQ(other.Update(1), ShellVerbsResult::Done);
  EXPECT_EQ(Mode(other.root / "a"), 0700u);
  EXPECT_EQ(Mode(other.root / "a/b/data"), 0700u);
  Home blocked(/*furnished=*/false);
  WriteFile(blocked.home + "/.local", "not a directory");
  EXPECT_EQ(blocked.Update(1), ShellVerbsResult::Incomplete);
  EXPECT_EQ(ReadFile(blocked.home + "/.local"), "not a directory");
}

// Earlier versions wrote an application entry for the verbs' types, which made Quillomat
// the program that opens folders. Adding or removing takes it away; a user's file of that
// name stays.
TEST(ShellVerbsTest, TheApplicationEntryOfEarlierVersionsIsRemoved) {
  for (const int wanted : {1, 0}) {
    Home home;
    const std::string legacy =
        home.home + "/.local/share/applications/quillomat-shell-verb.desktop";
    WriteFile(legacy, "[Desktop Entry]\nType=Application\nMimeType=inode/directory;\n" +
                          std::string(kVerbMarkerKey) + "\n");
    EXPECT_EQ(home.Update(wanted), ShellVerbsResult::Done);
    EXPECT_FALSE(fs::exists(legacy)) << wanted;
    EXPECT_TRUE(fs::exists(home.home + "/.local/share/applications/editor.desktop"));
    WriteFile(legacy, "[Desktop Entry]\nName=Mine\n");
    home.Update(wanted);
    EXPECT_EQ(ReadFile(legacy), "[Desktop Entry]\nName=Mine\n");
  }
}

TEST(ShellVerbsTest, AFailedWriteStopsNoOtherFile) {
  Home home;
  PosixFileSystem layer;
  FaultInjectingFileSystem faulty(layer);
  faulty.FailCall(FsOperation::ReplaceFile, 1, ENOSPC);
  EXPECT_EQ(UpdateShellVerbs(1, faulty, "/usr/bin/quillomat", home.environment),
            ShellVerbsResult::Incomplete);
  EXPECT_FALSE(fs::exists(home.home + "/.local/share/kio/servicemenus/quillomat.desktop"));
  EXPECT_TRUE(fs::exists(home.home + "/.local/share/nemo/actions/quillomat.nemo_action"));
}

}  // namespace
}  // namespace qlm
