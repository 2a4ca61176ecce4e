// The program directory's Linux parts: the executable's path, the user, XDG's directories.
#include <limits.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/path.h"
#include "platform/program_directory.h"

namespace qlm {

std::optional<std::string> ProcessEnvironment(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) return {};
  return std::string(buffer, static_cast<std::size_t>(length));
}

std::uint32_t CurrentUser() {
  return static_cast<std::uint32_t>(geteuid());
}

std::optional<std::string> UserProgramDirectory(const EnvironmentLookup& environment) {
  // Relative or empty XDG_CONFIG_HOME values are to be ignored.
  std::string base;
  if (auto xdg = environment("XDG_CONFIG_HOME"); xdg && xdg->starts_with('/')) {
    base = *xdg;
  } else if (auto home = environment("HOME"); home && home->starts_with('/')) {
    base = path::Join(*home, ".config");
  } else {
    return std::nullopt;
  }
  return path::Join(path::Key(base), "quillomat");
}

}  // namespace qlm
