#include "engine/manual_rename.h"

#include "common/messages.h"
#include "common/text.h"
#include "common/ui.h"
#include "platform/file_system.h"

namespace qlm {

namespace {

std::size_t CountCharacters(std::string_view text) {
  std::size_t count = 0;
  for (const char c : text)
    count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

// A name the run could not keep inside its directory, or that would make a hidden, nameless
// file: these are refused before the file is touched.
bool IsAcceptableName(std::string_view typed) {
  std::string trimmed(typed);
  TrimBlanks(trimmed, trimmed);
  if (trimmed.empty()) return false;
  if (typed.find('/') != std::string_view::npos || typed.find('\\') != std::string_view::npos) {
    return false;
  }
  return CountCharacters(typed) <= ManualRename::kMaxNameLength;
}

}  // namespace

ManualRename::ManualRename(FileSystem& fs, RunKind kind, std::string_view current_name,
                           std::string_view title, std::string_view run_directory,
                           bool rename_as_htm, std::string& destination_path)
    : fs_(fs),
      run_directory_(run_directory),
      extension_(kind == RunKind::DirectoryRun ? ".qlm" : (rename_as_htm ? ".htm" : ".html")),
      destination_path_(destination_path) {
  prompt_.append(msg::kRenamePrompt1).append(current_name);
  prompt_.append(msg::kRenamePrompt2).append(title).append(msg::kRenamePrompt3);

  // The proposal is the first free numbered form of the taken destination.
  for (std::int32_t n = 1;; ++n) {
    MakeNumberedName(destination_path_, n, extension_);
    if (!fs_.NameTaken(destination_path_)) break;
  }
  proposal_ = destination_path_;
  StripExtension(proposal_);
  if (proposal_.compare(0, run_directory_.size(), run_directory_) == 0) {
    proposal_.erase(0, run_directory_.size());
  }
}

ManualRename::Verdict ManualRename::TryAccept(std::string_view typed) {
  if (!IsAcceptableName(typed)) return Verdict::Invalid;
  std::string path = run_directory_;
  path.append(typed).append(extension_);
  if (fs_.NameTaken(path)) return Verdict::InUse;
  destination_path_ = std::move(path);
  return Verdict::Accepted;
}

std::string_view ManualRename::RefusalText(Verdict verdict) {
  return verdict == Verdict::InUse ? msg::kNameInUse : msg::kNameInvalid;
}

std::string_view ManualRename::RefusalCaption(Verdict verdict) {
  return verdict == Verdict::InUse ? msg::kFilenameExistsCaption : msg::kNameInvalidCaption;
}

unsigned ManualRename::RefusalFlags(Verdict /*verdict*/) {
  return mb::kIconInformation;
}

}  // namespace qlm
