// A temporary home for the context-menu verb tests: some of the user's own files, a system
// configuration directory of its own, and the environment pointing there.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "platform/posix/posix_file_system.h"
#include "platform/program_directory.h"
#include "shell/shell_verbs.h"
#include "support/temp_dir.h"

namespace qlm::testing {

inline constexpr const char* kUserThunar =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n<action>\n\t<icon>utilities-terminal"
    "</icon>\n\t<name>Open Terminal Here</name>\n\t<unique-id>1234-1</unique-id>\n\t<command>"
    "exo-open --working-directory %f --launch TerminalEmulator</command>\n\t<patterns>*"
    "</patterns>\n\t<directories/>\n</action>\n</actions>\n";

// Every entry under `root`: directories as "dir", files as their mode and contents.
inline std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const std::string relative = std::filesystem::relative(entry.path(), root).string();
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

struct Home {
  TempDir root;
  std::string home = root / "home dir";
  std::string system_config = root / "etc-xdg";  // $XDG_CONFIG_DIRS
  std::map<std::string, std::string> variables{{"HOME", home}, {"XDG_CONFIG_DIRS", system_config}};
  EnvironmentLookup environment = [this](const std::string& name) -> std::optional<std::string> {
    const auto found = variables.find(name);
    if (found == variables.end()) return std::nullopt;
    return found->second;
  };

  // With `furnished`, the user's own files: an application entry, a Nautilus script and
  // Thunar's uca.xml with one action. Otherwise the home directory alone.
  explicit Home(bool furnished = true) {
    std::filesystem::create_directories(home);
    std::filesystem::create_directories(system_config);
    if (!furnished) return;
    std::filesystem::create_directories(home + "/.local/share/applications");
    std::filesystem::create_directories(home + "/.local/share/nautilus/scripts");
    std::filesystem::create_directories(home + "/.config/Thunar");
    WriteFile(home + "/.local/share/applications/editor.desktop", "[Desktop Entry]\nName=Ed\n");
    WriteFile(home + "/.local/share/nautilus/scripts/My script", "#!/bin/sh\necho mine\n");
    WriteFile(home + "/.config/Thunar/uca.xml", kUserThunar);
  }
  ShellVerbsResult Update(int wanted, const std::string& program = "/opt/q/bin/quillomat") {
    PosixFileSystem layer;  // fresh, as the product's call takes one
    return UpdateShellVerbs(wanted, layer, program, environment);
  }
};

}  // namespace qlm::testing
