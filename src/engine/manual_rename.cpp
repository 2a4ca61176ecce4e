#include "engine/manual_rename.h"

#include <limits>

#include "common/messages.h"
#include "common/text.h"
#include "common/ui.h"
#include "platform/file_system.h"

namespace qlm {

namespace {

// Characters that Windows or vfat refuse in a name, besides the control characters.
constexpr std::string_view kRefusedCharacters = "\\/:*?\"<>|";

// True for a C0 or C1 control character or DEL starting at `text[i]`.
bool IsControlAt(std::string_view text, std::size_t i) {
  const auto byte = static_cast<unsigned char>(text[i]);
  if (byte < 0x20 || byte == 0x7F) return true;
  // U+0080 .. U+009F are C2 80 .. C2 9F in UTF-8.
  return byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
         static_cast<unsigned char>(text[i + 1]) <= 0x9F;
}

// A name every common desktop file system holds, and which stays inside the run's directory:
// anything else is refused before the file is touched.
bool IsAcceptableName(std::string_view typed, std::string_view extension) {
  std::string trimmed(typed);
  TrimBlanks(trimmed, trimmed);
  if (trimmed.empty() || CountEditUnits(typed) > ManualRename::kMaxNameLength) return false;
  for (std::size_t i = 0; i < typed.size(); ++i) {
    if (kRefusedCharacters.find(typed[i]) != std::string_view::npos || IsControlAt(typed, i)) {
      return false;
    }
  }
  // Windows drops a trailing point or blank, so the name would not be the one typed.
  if (typed.back() == '.' || typed.back() == ' ') return false;
  std::string name(typed);
  name += extension;
  return CheckNewName(name) == FsError::Ok;  // reserved device names, names too long
}

}  // namespace

bool HeldByAnotherFile(FileSystem& fs, const std::string& path, const std::string& source_path) {
  if (!fs.NameTaken(path)) return false;
  if (DirectoryPart(path) != DirectoryPart(source_path) ||
      FoldName(FileNamePart(path)) != FoldName(FileNamePart(source_path))) {
    return true;
  }
  // The name folds to the file's own: it is taken only when it names another entry.
  FileInfo holder, source;
  return fs.GetInfo(path, holder) != FsError::Ok ||
         fs.GetInfo(source_path, source) != FsError::Ok || holder.device != source.device ||
         holder.inode != source.inode;
}

ManualRename::ManualRename(FileSystem& fs, RunKind kind, std::string_view current_name,
                           std::string_view title, std::string_view run_directory,
                           bool rename_as_htm, std::string& destination_path)
    : fs_(fs),
      run_directory_(run_directory),
      extension_(kind == RunKind::DirectoryRun ? ".qlm" : (rename_as_htm ? ".htm" : ".html")),
      destination_path_(destination_path) {
  source_path_ = run_directory_;
  source_path_.append(current_name);
  prompt_.append(msg::kRenamePrompt1).append(current_name);
  prompt_.append(msg::kRenamePrompt2).append(title).append(msg::kRenamePrompt3);

  // The proposal is the first free numbered form of the taken destination's name, cut where
  // needed so that it fits the field whole, number included.
  std::string base(FileNamePart(destination_path_));
  StripExtension(base);
  for (std::int32_t n = 1; n < std::numeric_limits<std::int32_t>::max(); ++n) {
    const std::string suffix = "-" + IntToText(n);
    proposal_ = base;
    TruncateToEditUnits(proposal_, kMaxNameLength - suffix.size());
    proposal_ += suffix;
    destination_path_ = run_directory_ + proposal_ + extension_;
    if (!HeldByAnotherFile(fs_, destination_path_, source_path_)) break;
  }
}

ManualRename::Verdict ManualRename::TryAccept(std::string_view typed) {
  if (!IsAcceptableName(typed, extension_)) return Verdict::Invalid;
  std::string path = run_directory_;
  path.append(typed).append(extension_);
  if (HeldByAnotherFile(fs_, path, source_path_)) return Verdict::InUse;
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
