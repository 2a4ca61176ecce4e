// Shared types of one Quillomat process: the options, the run's counters and the two small
// enumerations that choose what a run does.
#pragma once

#include <cstdint>

namespace qlm {

// The ten option flags, each 0 or 1, named after their keys in Quillomat.ini. The member
// defaults are those a missing settings key yields.
struct OptionSet {
  std::uint8_t BackupRenamedFiles = 1;
  std::uint8_t BackupCreateNewDir = 1;
  std::uint8_t BackupOverwriteExisting = 0;
  std::uint8_t BackupUnrenamedFiles = 1;
  std::uint8_t EnableShellExts = 0;
  std::uint8_t EnableFullAutoMode = 1;
  std::uint8_t RenameAsHtm = 1;
  std::uint8_t ParseHTMLEntities = 1;
  std::uint8_t WriteRenameLog = 0;
  std::uint8_t WriteErrorLog = 0;

  bool operator==(const OptionSet&) const = default;
};

// The ten flags with their settings keys, in the order the settings file holds them.
struct OptionKey {
  const char* key;
  std::uint8_t OptionSet::*flag;
};
inline constexpr OptionKey kOptionKeys[] = {
    {"BackupRenamedFiles", &OptionSet::BackupRenamedFiles},
    {"BackupCreateNewDir", &OptionSet::BackupCreateNewDir},
    {"BackupOverwriteExisting", &OptionSet::BackupOverwriteExisting},
    {"BackupUnrenamedFiles", &OptionSet::BackupUnrenamedFiles},
    {"EnableShellExts", &OptionSet::EnableShellExts},
    {"EnableFullAutoMode", &OptionSet::EnableFullAutoMode},
    {"RenameAsHtm", &OptionSet::RenameAsHtm},
    {"ParseHTMLEntities", &OptionSet::ParseHTMLEntities},
    {"WriteRenameLog", &OptionSet::WriteRenameLog},
    {"WriteErrorLog", &OptionSet::WriteErrorLog},
};

// The six counters of one run; every run starts them at 0.
struct RunStatistics {
  std::int32_t FilesProcessed = 0;
  std::int32_t ReadErrors = 0;    // R
  std::int32_t TitleErrors = 0;   // T
  std::int32_t BackupErrors = 0;  // B
  std::int32_t UserRenamed = 0;   // M
  std::int32_t Unrenamed = 0;     // U

  bool operator==(const RunStatistics&) const = default;
};

// What ProcessingRun works on.
enum class RunKind : std::int32_t {
  DirectoryRun = 0,
  SingleFileRun = 1,
};

// What the command line asked for.
enum class RunMode : std::uint8_t {
  None = 0,        // no usable argument: the window starts idle
  SingleFile = 1,  // an HTML file
  Directory = 2,   // a directory
};

}  // namespace qlm
