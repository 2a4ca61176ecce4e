// Fuzz target for the settings reader. The first input byte chooses what is fuzzed:
//  * even: the rest is a whole Quillomat.ini. ParseSettings never fails; every flag is the low
//    8 bits of what the profile holds; LastDirectory is a single line no longer than the
//    limit; and what FormatSettings writes for those settings reads back as the same settings.
//  * odd: the rest is one value. A value AppendKeyLine accepts reads back unchanged through
//    Profile, whatever blanks and quotes it holds.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/messages.h"
#include "shell/profile.h"
#include "shell/settings.h"

namespace {

constexpr std::string_view kProgramDirectory = "/opt/quillomat";

void Check(bool ok, const char* what, std::size_t input_size) {
  if (ok) return;
  std::fprintf(stderr, "settings_fuzz: %s (input of %zu bytes)\n", what, input_size);
  std::abort();
}

void FuzzFile(std::string_view text) {
  const qlm::Settings settings = qlm::ParseSettings(text, kProgramDirectory);
  const qlm::Profile profile(text);
  const qlm::OptionSet defaults;
  const auto flag = [&](std::string_view key, std::uint8_t defined_default) {
    return static_cast<std::uint8_t>(
        profile.GetInt(qlm::msg::kSettingsSection, key, defined_default) & 0xFFu);
  };
  const qlm::OptionSet& o = settings.options;
  Check(o.BackupRenamedFiles == flag("BackupRenamedFiles", defaults.BackupRenamedFiles) &&
            o.EnableFullAutoMode == flag("EnableFullAutoMode", defaults.EnableFullAutoMode) &&
            o.WriteErrorLog == flag("WriteErrorLog", defaults.WriteErrorLog),
        "a flag is not the low 8 bits of the profile's value", text.size());
  Check(settings.LastDirectory.size() <= qlm::kMaxLastDirectory, "LastDirectory too long",
        text.size());
  Check(settings.LastDirectory.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos,
        "LastDirectory holds a line break or NUL", text.size());

  // Written and read again, the settings are the same; an empty LastDirectory is not written
  // and so reads back as its default.
  const qlm::Settings again = qlm::ParseSettings(qlm::FormatSettings(settings), kProgramDirectory);
  Check(again.options == settings.options, "flags changed through a save", text.size());
  const std::string expected =
      settings.LastDirectory.empty() ? std::string(kProgramDirectory) : settings.LastDirectory;
  Check(again.LastDirectory == expected, "LastDirectory changed through a save", text.size());
}

void FuzzValue(std::string_view value) {
  std::string file;
  qlm::AppendSectionLine(file, "Options");
  if (!qlm::AppendKeyLine(file, "Key", value)) {
    Check(value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos,
          "a single-line value was refused", value.size());
    return;
  }
  const auto read = qlm::Profile(file).Find("Options", "Key");
  Check(read.has_value() && *read == value, "a written value reads back changed", value.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  if ((data[0] & 1) == 0) {
    FuzzFile(rest);
  } else {
    FuzzValue(rest);
  }
  return 0;
}
