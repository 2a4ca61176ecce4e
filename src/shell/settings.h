// The settings file Quillomat.ini: the ten option flags and LastDirectory, read once at start-up
// and written once when the user exits. The byte layout lives in the two pure functions
// ParseSettings and FormatSettings; LoadSettings and SaveSettings add the file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "common/types.h"
#include "platform/file_system.h"

namespace qlm {

// The longest LastDirectory kept (PATH_MAX less the terminator); a longer value reads as the
// default, since a cut path would name some other directory.
inline constexpr std::size_t kMaxLastDirectory = 4095;

struct Settings {
  OptionSet options;          // the flags, each the low 8 bits of what the file holds
  std::string LastDirectory;  // initial directory of the open-file chooser
  std::string SettingsPath;   // ProgramDirectory + "/" + "Quillomat.ini"
};

// The settings a file's text gives. `ProgramDirectory` is without trailing '/' ("/" for the
// root); it is LastDirectory's default ("/" when it is empty). Never fails: every value that
// cannot be read takes its default. SettingsPath is left empty.
Settings ParseSettings(std::string_view text, std::string_view ProgramDirectory);

// The whole file SaveSettings writes, CR LF line ends: the header, an empty line, "[Options]",
// the ten flags in their fixed order, then "LastDirectory=" + LastDirectory unless that is
// empty. LastDirectory is written as given (SaveSettings cuts its separator first). A flag is
// one digit, the character '0' + its byte; a byte above 9 (never written by this program, only
// read from an edited file) is written as its decimal number so that it reads back unchanged.
// A LastDirectory the reader could not give back (a CR, LF or NUL byte in it, or longer than
// kMaxLastDirectory) is left out, so the next start uses the default.
std::string FormatSettings(const Settings& settings);

// Removes one trailing '/' from a non-empty text, in place; a lone "/" (the root) is kept, as
// cutting it would leave the empty text and the root would be forgotten.
void CutTrailingSeparator(std::string& LastDirectory);

// Reads ProgramDirectory/Quillomat.ini (at most kMaxProfileBytes of it). A missing or
// unreadable file gives the defaults; nothing is reported. Fills SettingsPath. An empty
// `ProgramDirectory` means there is none: the defaults, and SettingsPath stays empty.
Settings LoadSettings(FileSystem& fs, std::string_view ProgramDirectory);

// Cuts LastDirectory's trailing separator (in `settings` as well) and replaces the file at
// SettingsPath with FormatSettings in one atomic write: a crash mid-save leaves the old file or
// the new one, never a broken one. Failures are silent: the caller ends the program whatever
// happened. Returns the layer's result only so that tests can see it. Without a SettingsPath
// nothing is written.
FsError SaveSettings(FileSystem& fs, Settings& settings);

}  // namespace qlm
