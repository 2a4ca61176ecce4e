// The context-menu verbs in a temporary home: which files adding and removing leave, that a
// user's own files and Thunar actions survive both, and that the command each file holds
// hands the clicked path to the program as its one argument.
#include "shell/shell_verbs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "platform/fault_injecting_file_system.h"
#include "platform/posix_file_system.h"
#include "shell/command_line.h"
#include "shell/shell_verb_files.h"
#include "shell/verb_command_runner.h"
#include "support/temp_dir.h"

namespace qlm {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

constexpr const char* kUserThunar =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n<action>\n\t<icon>utilities-terminal"
    "</icon>\n\t<name>Open Terminal Here</name>\n\t<unique-id>1234-1</unique-id>\n\t<command>"
    "exo-open --working-directory %f --launch TerminalEmulator</command>\n\t<patterns>*"
    "</patterns>\n\t<directories/>\n</action>\n</actions>\n";

// Every entry under `root`: directories as "dir", files as their mode and contents.
std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(entry.path(), root).string();
    if (entry.is_directory()) {
      entries[relative] = "dir";
    } else {
      struct stat status {};
      stat(entry.path().c_str(), &status);
      entries[relative] = std::to_string(status.st_mode & 0777) + ":" + ReadFile(entry.path());
    }
  }
  return entries;
}

// A home with some of the user's own files, and the environment pointing there.
struct Home {
  testing::TempDir root;
  std::string home = root / "home dir";
  std::map<std::string, std::string> variables{{"HOME", home}};
  EnvironmentLookup environment = [this](const std::string& name) -> std::optional<std::string> {
    const auto found = variables.find(name);
    if (found == variables.end()) return std::nullopt;
    return found->second;
  };

  Home() {
    fs::create_directories(home + "/.local/share/applications");
    fs::create_directories(home + "/.local/share/nautilus/scripts");
    fs::create_directories(home + "/.config/Thunar");
    WriteFile(home + "/.local/share/applications/editor.desktop", "[Desktop Entry]\nName=Ed\n");
    WriteFile(home + "/.local/share/nautilus/scripts/My script", "#!/bin/sh\necho mine\n");
    WriteFile(home + "/.config/Thunar/uca.xml", kUserThunar);
  }
  ShellVerbsResult Update(int wanted, const std::string& program = "/opt/q/bin/quillomat") {
    PosixFileSystem layer;  // fresh, as the product's call takes one
    return UpdateShellVerbs(wanted, layer, program, environment);
  }
};

TEST(ShellVerbsTest, AddCreatesTheSetAndRemoveRestoresTheHome) {
  Home home;
  const auto before = Snapshot(home.home);
  ASSERT_EQ(home.Update(1), ShellVerbsResult::Done);
  const auto added = Snapshot(home.home);

  std::map<std::string, std::string> expected_new = {
      {".local/share/applications/quillomat-shell-verb.desktop", "420"},
      {".local/share/kio", "dir"},
      {".local/share/kio/servicemenus", "dir"},
      {".local/share/kio/servicemenus/quillomat.desktop", "493"},  // 0755
      {".local/share/nautilus/scripts/Quillomat", "493"},
      {".local/share/nemo", "dir"},
      {".local/share/nemo/actions", "dir"},
      {".local/share/nemo/actions/quillomat.nemo_action", "420"},
  };
  std::map<std::string, std::string> new_entries;
  for (const auto& [path, value] : added) {
    if (!before.contains(path)) new_entries[path] = value.substr(0, value.find(':'));
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

  const std::string entry =
      ReadFile(home.home + "/.local/share/applications/quillomat-shell-verb.desktop");
  EXPECT_NE(entry.find("\nMimeType=text/html;application/xhtml+xml;inode/directory;\n"),
            std::string::npos);
  EXPECT_NE(entry.find("\nExec=/opt/q/bin/quillomat %f\n"), std::string::npos);

  ASSERT_EQ(home.Update(1), ShellVerbsResult::Done);
  EXPECT_EQ(Snapshot(home.home), added) << "adding twice differs from adding once";

  ASSERT_EQ(home.Update(0), ShellVerbsResult::Done);
  EXPECT_EQ(Snapshot(home.home), before);
  ASSERT_EQ(home.Update(0), ShellVerbsResult::Done);
  EXPECT_EQ(Snapshot(home.home), before);
}

TEST(ShellVerbsTest, DesktopEntryPassesTheValidator) {
  if (std::system("command -v desktop-file-validate >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "desktop-file-validate is not installed (scripts/install-deps adds it)";
  }
  Home home;
  for (const char* program : {"/usr/bin/quillomat", "/home/a b/it's \"100%\" $x\\y/quillomat"}) {
    ASSERT_EQ(home.Update(1, program), ShellVerbsResult::Done);
    const std::string command =
        "desktop-file-validate '" + home.home +
        "/.local/share/applications/quillomat-shell-verb.desktop' >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << program;
  }
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

TEST(ShellVerbsTest, ThunarFileWithoutClosingTagOrMissingIsLeftAlone) {
  for (const bool present : {true, false}) {
    Home home;
    const std::string uca = home.home + "/.config/Thunar/uca.xml";
    if (present) {
      WriteFile(uca, "<actions/>\n");
    } else {
      fs::remove(uca);
    }
    EXPECT_EQ(home.Update(1), present ? ShellVerbsResult::Incomplete : ShellVerbsResult::Done);
    EXPECT_EQ(fs::exists(uca), present);
    if (present) {
      EXPECT_EQ(ReadFile(uca), "<actions/>\n");
    }
  }
}

TEST(ShellVerbsTest, AFailedWriteStopsNoOtherFile) {
  Home home;
  PosixFileSystem layer;
  FaultInjectingFileSystem faulty(layer);
  faulty.FailCall(FsOperation::ReplaceFile, 1, ENOSPC);
  EXPECT_EQ(UpdateShellVerbs(1, faulty, "/usr/bin/quillomat", home.environment),
            ShellVerbsResult::Incomplete);
  EXPECT_FALSE(fs::exists(home.home + "/.local/share/applications/quillomat-shell-verb.desktop"));
  EXPECT_TRUE(fs::exists(home.home + "/.local/share/nemo/actions/quillomat.nemo_action"));
}

// The program path and clicked items, blanks and quotes included.
class VerbCommandTest : public ::testing::TestWithParam<VerbFormat> {};

TEST_P(VerbCommandTest, HandsTheClickedPathOverAsTheOneArgument) {
  Home home;
  const std::string programs = home.root / "my programs";
  fs::create_directories(programs);
  const std::string record = home.root / "record";
  const std::string stub = programs + "/it's quillomat";
  WriteFile(stub, "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" >> " + ShellQuote(record) + "\n");
  chmod(stub.c_str(), 0755);
  ASSERT_EQ(home.Update(1, stub), ShellVerbsResult::Done);

  const std::string pages = home.root / "My Pages";
  fs::create_directories(pages + "/new  folder");
  WriteFile(pages + "/Bob's  page.htm", "<title>x</title>");
  for (const std::string& item : {pages + "/Bob's  page.htm", pages + "/new  folder"}) {
    fs::remove(record);
    ASSERT_EQ(RunVerbCommand(GetParam(), home.home, item), 0) << item;
    const std::string recorded = ReadFile(record);
    EXPECT_EQ(recorded, "1\n" + item + "\n") << item;
    // What start-up makes of it.
    const char* argv[] = {stub.c_str(), item.c_str()};
    std::string argument;
    ASSERT_EQ(GetCommandArgument(2, argv, argument), 0);
    EXPECT_EQ(argument, item);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, VerbCommandTest,
                         ::testing::Values(VerbFormat::DesktopEntry, VerbFormat::ServiceMenu,
                                           VerbFormat::NautilusVariable,
                                           VerbFormat::NautilusArguments, VerbFormat::Nemo,
                                           VerbFormat::Thunar),
                         [](const auto& info) { return std::string(VerbFormatName(info.param)); });

TEST(ShellVerbsTest, ExecQuotingGivesEveryArgumentBack) {
  for (const std::string& argument : std::initializer_list<std::string>{
           "/usr/bin/quillomat", "/a b/c", "/it's", "/q\"uote", "/back\\slash", "/dollar$HOME",
           "/back`tick`", "/100%", "/semi;colon&amp", "/~tilde", "/tab\there", ""}) {
    EXPECT_EQ(SplitExec(QuoteExecArgument(argument)), std::vector<std::string>{argument})
        << argument;
  }
}

}  // namespace
}  // namespace qlm
