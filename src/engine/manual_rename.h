// The logic of the manual rename dialog: its prompt, the free numbered name it proposes, and
// the test of a typed name. The dialog's widgets (or the terminal prompt) live in the front
// ends and call into this.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "common/types.h"

namespace qlm {

class FileSystem;

class ManualRename {
 public:
  static constexpr std::size_t kMaxNameLength = 100;  // characters of the edit field

  enum class Verdict {
    Accepted,  // destination_path now holds the chosen path
    InUse,     // a file of that name exists: "Sorry, this filename is in use ..."
    Invalid,   // empty, all blanks, a separator, or too long: "Sorry, this filename is not valid."
  };

  // `destination_path` holds the taken destination when the dialog opens; it is read for the
  // proposal and overwritten by an accepted name.
  ManualRename(FileSystem& fs, RunKind kind, std::string_view current_name, std::string_view title,
               std::string_view run_directory, bool rename_as_htm, std::string& destination_path);

  // "Enter a new name for <name>. The title of this HTML file is <title>"
  const std::string& Prompt() const { return prompt_; }
  // The first free numbered name (no directory, no extension), e.g. "Our Prices-1".
  const std::string& Proposal() const { return proposal_; }

  // Tests the typed name (used unchanged: not trimmed) and, when it is free, makes it the
  // destination (run directory + name + the run's extension).
  Verdict TryAccept(std::string_view typed);

  // The message box that explains a refusal (text, caption and flags).
  static std::string_view RefusalText(Verdict verdict);
  static std::string_view RefusalCaption(Verdict verdict);
  static unsigned RefusalFlags(Verdict verdict);

 private:
  FileSystem& fs_;
  std::string run_directory_;
  std::string extension_;
  std::string& destination_path_;
  std::string prompt_;
  std::string proposal_;
};

}  // namespace qlm
