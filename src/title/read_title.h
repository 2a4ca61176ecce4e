// Turns one HTML file into the base of its new name: the title between the first "<Title>"
// and the first "</Title>" within the first 1000 bytes, converted to UTF-8, trimmed,
// optionally entity-decoded, and mapped to a legal file name.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/types.h"
#include "platform/errors.h"

namespace qlm {

class AheadFile;
class FileSystem;

inline constexpr std::int32_t TitleOk = 0;
inline constexpr std::int32_t TitleError = -1;
inline constexpr std::int32_t ReadError = -2;

inline constexpr std::size_t kTitleReadLimit = 1000;  // bytes looked at per file
inline constexpr std::size_t kTitleLimit = 299;       // bytes of a title

// The in-memory part: `bytes` as one read delivered them (it is cut at its first zero byte
// and at kTitleReadLimit). Gives TitleOk with the base name in `out`, or TitleError with one
// of the two parse failure texts in `out`. Touches no counter and no file.
std::int32_t ExtractTitle(std::string_view bytes, bool parse_entities, std::string& out);

// What was made of a file ahead of its turn, on another thread: the file opened ahead, its
// first bytes as ReadTitle reads them, and their title.
struct EarlyTitle {
  std::unique_ptr<AheadFile> file;  // still open; nullptr when it could not be opened ahead
  bool read = false;                // the bytes were read and their title extracted
  std::string bytes;                // what the read ahead gave
  std::int32_t outcome = TitleError;
  std::string title;  // ExtractTitle of `bytes`
};

// Reads the file at `path` through `fs` (one open, one read of at most 1000 bytes, closed on
// every path) and extracts its title. Counts FilesProcessed first on every call, then
// ReadErrors for ReadError or TitleErrors for TitleError. `out` always holds the base name
// or the failure text. With `open_error`, a ReadError leaves there why the file could not be
// opened (FsError::StoppedOnSymlink for a symbolic link, which is never followed).
// With `early` (what was made ahead of the same path), its file is taken over instead of
// opening the path again, when the path still names it; the file is read now all the same,
// and the title made ahead is used only when these bytes are the bytes it was made of.
std::int32_t ReadTitle(FileSystem& fs, const std::string& path, bool parse_entities,
                       RunStatistics& statistics, std::string& out, FsError* open_error = nullptr,
                       EarlyTitle* early = nullptr);

}  // namespace qlm
