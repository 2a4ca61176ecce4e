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
  // Characters of the edit field, counted as the field counts them (UTF-16 code units).
  static constexpr std::size_t kMaxNameLength = 100;

  enum class Verdict {
    Accepted,  // destination_path now holds the chosen path
    InUse,     // another file has that name: "Sorry, this filename is in use ..."
    // Empty or all blanks, too long, a character Windows or vfat cannot hold (\ / : * ? " < >
    // | and control characters), a trailing point or blank, or a reserved device name:
    // "Sorry, this filename is not valid."
    Invalid,
  };

  // `destination_path` holds the taken destination when the dialog opens; it is read for the
  // proposal and overwritten by an accepted name.
  ManualRename(FileSystem& fs, RunKind kind, std::string_view current_name, std::string_view title,
               std::string_view run_directory, bool rename_as_htm, std::string& destination_path);

  // "Enter a new name for <name>. The title of this HTML file is <title>"
  const std::string& Prompt() const { return prompt_; }
  // The first free numbered name (no directory, no extension), e.g. "Our Prices-1". It always
  // fits the field with its number: a long title is cut to make room for the suffix.
  const std::string& Proposal() const { return proposal_; }

  // Tests the typed name (used unchanged: not trimmed) and, when it is free, makes it the
  // destination (run directory + name + the run's extension). The file's own name does not
  // count as taken by it.
  Verdict TryAccept(std::string_view typed);

  // The message box that explains a refusal (text, caption and flags).
  static std::string_view RefusalText(Verdict verdict);
  static std::string_view RefusalCaption(Verdict verdict);
  static unsigned RefusalFlags(Verdict verdict);

 private:
  FileSystem& fs_;
  std::string source_path_;
  std::string run_directory_;
  std::string extension_;
  std::string& destination_path_;
  std::string prompt_;
  std::string proposal_;
};

// True when `path` is held (regardless of letter case) by an entry other than the file at
// `source_path`: the name a file already bears, in any case, is never taken by that file.
bool HeldByAnotherFile(FileSystem& fs, const std::string& path, const std::string& source_path);

}  // namespace qlm
