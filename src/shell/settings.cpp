#include "shell/settings.h"

#include <cstdint>

#include "common/messages.h"
#include "common/text.h"
#include "platform/path.h"
#include "shell/profile.h"

namespace qlm {
namespace {

constexpr std::string_view kLastDirectoryKey = "LastDirectory";

}  // namespace

Settings ParseSettings(std::string_view text, std::string_view ProgramDirectory) {
  const Profile profile(text);
  const OptionSet defaults;  // the member defaults are those of a missing key
  Settings settings;
  for (const OptionKey& entry : kOptionKeys) {
    const std::uint32_t value =
        profile.GetInt(msg::kSettingsSection, entry.key, defaults.*entry.flag);
    settings.options.*entry.flag = static_cast<std::uint8_t>(value & 0xFFu);
  }
  const std::string_view fallback = ProgramDirectory.empty() ? "/" : ProgramDirectory;
  settings.LastDirectory = profile.GetString(msg::kSettingsSection, kLastDirectoryKey, fallback);
  if (settings.LastDirectory.size() > kMaxLastDirectory) settings.LastDirectory = fallback;
  return settings;
}

std::string FormatSettings(const Settings& settings) {
  std::string file;
  file.reserve(512 + settings.LastDirectory.size());
  file += msg::kSettingsHeader;
  file += "\r\n\r\n";
  AppendSectionLine(file, msg::kSettingsSection);
  for (const OptionKey& entry : kOptionKeys) {
    const std::uint8_t flag = settings.options.*entry.flag;
    const std::string value =
        flag <= 9 ? std::string(1, static_cast<char>('0' + flag)) : IntToText(flag);
    AppendKeyLine(file, entry.key, value);
  }
  // AppendKeyLine itself leaves out a value holding CR, LF or NUL.
  if (!settings.LastDirectory.empty() && settings.LastDirectory.size() <= kMaxLastDirectory)
    AppendKeyLine(file, kLastDirectoryKey, settings.LastDirectory);
  return file;
}

void CutTrailingSeparator(std::string& LastDirectory) {
  if (LastDirectory.size() > path::RootLength(LastDirectory) && !LastDirectory.empty() &&
      path::IsSeparator(LastDirectory.back())) {
    LastDirectory.pop_back();
  }
}

Settings LoadSettings(FileSystem& fs, std::string_view ProgramDirectory) {
  if (ProgramDirectory.empty()) return ParseSettings("", ProgramDirectory);  // no file at all
  const std::string path =
      std::string(ProgramDirectory) + "/" + std::string(msg::kSettingsFileName);
  std::string text;
  // One byte over the limit tells the parser the file was longer, so it drops the cut line.
  if (fs.ReadWholeFile(path, kMaxProfileBytes + 1, text) != FsError::Ok) text.clear();
  Settings settings = ParseSettings(text, ProgramDirectory);
  settings.SettingsPath = path;
  return settings;
}

FsError SaveSettings(FileSystem& fs, Settings& settings) {
  CutTrailingSeparator(settings.LastDirectory);
  if (settings.SettingsPath.empty()) return FsError::PathNotFound;  // no program directory
  return fs.ReplaceFileAtomically(settings.SettingsPath, FormatSettings(settings));
}

}  // namespace qlm
