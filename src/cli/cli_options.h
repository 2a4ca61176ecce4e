// The command line of quillomat-cli.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/types.h"

namespace qlm::cli {

struct CliOptions {
  bool help = false;
  bool version = false;
  bool dry_run = false;
  bool undo = false;       // put back the names of the most recent run (on PATH, if given)
  bool recursive = false;  // every directory of the tree at PATH, each a run of its own
  bool json = false;       // one JSON object per line on standard output
  std::optional<std::string> config_dir;
  std::vector<std::pair<std::string, std::uint8_t>> overrides;  // --option KEY=0|1, in order
  std::vector<std::string> path_words;  // what remains: the PATH, possibly split at blanks
};

// Parses argv[1..]. Returns "" on success, else the message for a usage error.
std::string ParseCliOptions(int argc, const char* const* argv, CliOptions& options);

// Sets the flag named `key` (a settings key, exact spelling) to `value`; false for an
// unknown key.
bool ApplyOverride(OptionSet& options, const std::string& key, std::uint8_t value);

// The --help text.
extern const char* const kHelpText;

}  // namespace qlm::cli
