// The context-menu verbs as the desktop sees them: each file manager's command, read and
// split with GLib's own parsers (tests/shell/glib_verbs.py), hands the clicked path to the
// program as its one argument whatever the program's path holds; and enabling the verbs
// changes no default application (xdg-mime, gio).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "shell/command_line.h"
#include "shell/posix/shell_verb_files.h"
#include "shell/verb_home.h"
#include "support/temp_dir.h"

namespace qlm {
namespace {

namespace fs = std::filesystem;
using testing::Home;
using testing::ReadFile;
using testing::WriteFile;

bool Available(const std::string& check) {
  return std::system(("{ " + check + "; } >/dev/null 2>&1").c_str()) == 0;
}

// The standard output of `command` run by /bin/sh; its status in `status`.
std::string Capture(const std::string& command, int* status = nullptr) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  std::array<char, 4096> buffer{};
  for (std::size_t got; (got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
    output.append(buffer.data(), got);
  const int result = pclose(pipe);
  if (status != nullptr) *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
  return output;
}

constexpr const char* kFormats[] = {
    "ServiceMenu", "FileManagerAction", "NautilusVariable", "NautilusArguments", "Nemo", "Thunar"};

class VerbCommandTest : public ::testing::TestWithParam<const char*> {};

// Program directories with what each format must quote or escape: blanks, quotes, the shell's
// and the field codes' characters.
TEST_P(VerbCommandTest, HandsTheClickedPathOverAsTheOneArgument) {
  if (!Available("/usr/bin/python3 -c 'import gi'")) {
    GTEST_SKIP() << "python3-gi is not installed (scripts/install-deps adds it)";
  }
  const std::string helper = std::string(QLM_SOURCE_DIR) + "/tests/shell/glib_verbs.py";
  for (const char* directory : {"my programs", "100% sure %f %F %%", "it's \"q\" $HOME `x` \\ b",
                                "semi;colon&amp ~tilde #hash"}) {
    Home home;
    const std::string programs = home.root / directory;
    fs::create_directories(programs);
    const std::string record = home.root / "record";
    const std::string stub = programs + "/quillomat";
    WriteFile(stub, "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" >> " + ShellQuote(record) + "\n");
    chmod(stub.c_str(), 0755);
    ASSERT_EQ(home.Update(1, stub), ShellVerbsResult::Done);

    const std::string pages = home.root / "My Pages";
    fs::create_directories(pages + "/new  folder 50%");
    // A name with a line break that, split there, would name the parent folder.
    fs::create_directories(pages + "/holiday photos\n..");
    WriteFile(pages + "/Bob's  page %f.htm", "<title>x</title>");
    for (const std::string& item : {pages + "/Bob's  page %f.htm", pages + "/new  folder 50%",
                                    pages + "/holiday photos\n.."}) {
      SCOPED_TRACE(std::string(directory) + " / " + item);
      fs::remove(record);
      int status = -1;
      Capture(helper + " " + GetParam() + " " + ShellQuote(home.home) + " " + ShellQuote(item),
              &status);
      ASSERT_EQ(status, 0);
      EXPECT_EQ(ReadFile(record), "1\n" + item + "\n");
      // What start-up makes of it.
      const char* argv[] = {stub.c_str(), item.c_str()};
      std::string argument;
      ASSERT_EQ(GetCommandArgument(2, argv, argument), 0);
      EXPECT_EQ(argument, item);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, VerbCommandTest, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param); });

// Which program opens a folder or an HTML file, as xdg-open (xdg-mime) and GLib (gio) decide
// after update-desktop-database has built its cache.
class DefaultApplications {
 public:
  explicit DefaultApplications(const Home& home) : home_(home) {}

  std::string Query() const {
    std::string answers;
    for (const char* type : {"inode/directory", "text/html", "application/xhtml+xml"}) {
      const std::string commands =
          "update-desktop-database \"$XDG_DATA_HOME/applications\" "
          "\"$XDG_DATA_DIRS/applications\"; xdg-mime query default " +
          std::string(type) + "; gio mime " + type;
      answers += Capture(Environment() + " sh -c " + ShellQuote(commands) + " 2>&1");
    }
    return answers;
  }

 private:
  // A desktop-less session in the temporary home: nothing of the machine's is consulted.
  std::string Environment() const {
    const std::string system = home_.root / "usr-share";
    fs::create_directories(system + "/applications");
    fs::create_directories(home_.home + "/.local/share/applications");
    return "env -i PATH=/usr/bin:/bin HOME=" + ShellQuote(home_.home) +
           " XDG_DATA_HOME=" + ShellQuote(home_.home + "/.local/share") +
           " XDG_CONFIG_HOME=" + ShellQuote(home_.home + "/.config") +
           " XDG_DATA_DIRS=" + ShellQuote(system) +
           " XDG_CONFIG_DIRS=" + ShellQuote(home_.system_config);
  }
  const Home& home_;
};

TEST(ShellVerbsDesktopTest, EnablingChangesNoDefaultApplication) {
  if (!Available("command -v update-desktop-database && command -v xdg-mime && command -v gio")) {
    GTEST_SKIP() << "desktop-file-utils, xdg-utils or libglib2.0-bin missing (install-deps)";
  }
  Home home;
  // A folder opener of the user's own, so that there is a default to keep.
  WriteFile(home.home + "/.local/share/applications/files.desktop",
            "[Desktop Entry]\nType=Application\nName=Files\nExec=true %U\n"
            "MimeType=inode/directory;text/html;\n");
  const DefaultApplications defaults(home);
  const std::string before = defaults.Query();
  ASSERT_NE(before.find("files.desktop"), std::string::npos) << before;

  ASSERT_EQ(home.Update(1, "/usr/bin/true"), ShellVerbsResult::Done);
  const std::string enabled = defaults.Query();
  EXPECT_EQ(enabled, before);
  EXPECT_EQ(enabled.find("quillomat"), std::string::npos) << enabled;
  ASSERT_EQ(home.Update(0), ShellVerbsResult::Done);
  EXPECT_EQ(defaults.Query(), before);

  // The check sees an opener when there is one: the entry earlier versions wrote, which
  // enabling now takes away.
  WriteFile(home.home + "/.local/share/applications/quillomat-shell-verb.desktop",
            "[Desktop Entry]\nType=Application\nName=Quillomat\nExec=true %f\nNoDisplay=true\n"
            "MimeType=text/html;application/xhtml+xml;inode/directory;\n" +
                std::string(kVerbMarkerKey) + "\n");
  fs::remove(home.home + "/.local/share/applications/files.desktop");
  EXPECT_NE(defaults.Query().find("quillomat-shell-verb.desktop"), std::string::npos);
  ASSERT_EQ(home.Update(1, "/usr/bin/true"), ShellVerbsResult::Done);
  EXPECT_EQ(defaults.Query().find("quillomat"), std::string::npos);
}

}  // namespace
}  // namespace qlm
