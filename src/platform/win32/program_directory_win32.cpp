// The program directory's Windows parts: the executable's path, the environment (as UTF-16,
// given on as UTF-8) and %APPDATA%.
#include <vector>

#include "platform/path.h"
#include "platform/program_directory.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_api.h"

namespace qlm {

std::optional<std::string> ProcessEnvironment(const std::string& name) {
  const std::wstring wide_name = win32::Widen(name);
  const DWORD needed = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (needed == 0) return std::nullopt;
  std::wstring value(needed, L'\0');
  value.resize(GetEnvironmentVariableW(wide_name.c_str(), value.data(), needed));
  return win32::Narrow(value);
}

std::string ExecutablePath() {
  std::vector<wchar_t> buffer(32768);
  const DWORD length =
      GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length == 0 || length >= buffer.size()) return {};
  return win32::Narrow(std::wstring_view(buffer.data(), length));
}

std::uint32_t CurrentUser() {
  return 0;  // Windows names users by SIDs; the layer reports every owner as 0
}

std::optional<std::string> UserProgramDirectory(const EnvironmentLookup& environment) {
  const std::optional<std::string> app_data = environment("APPDATA");
  if (!app_data || !path::IsAbsolute(*app_data)) return std::nullopt;
  return path::Join(path::Key(*app_data), "Quillomat");
}

}  // namespace qlm
