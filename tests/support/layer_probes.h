// What the file-layer tests look at: a file read through a layer, the names a search gives,
// the names a directory holds, and a whole tree.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace qlm::testing {

// What ReadThrough gives for a file that cannot be opened: "<error N>".
std::string OpenFailure(FsError error);
// The whole file as `fs` reads it; OpenFailure when it cannot be opened. With `ahead` (what
// fs.OpenAhead gave for `path`), the file is taken over as at its turn (TakeOverAhead).
std::string ReadThrough(FileSystem& fs, const std::string& path,
                        std::unique_ptr<AheadFile> ahead = nullptr);
// The names a search of `directory` hands out, in order; {"<failed>"} when it cannot open.
std::vector<std::string> SearchNames(FileSystem& fs, const std::string& directory, SearchKind kind);
// The directory's entries as the platform lists them, sorted bytewise.
std::vector<std::string> SortedEntries(const std::string& directory);
// Every entry under `root`: path relative to it ('/'-separated) -> contents ("/" for a
// directory, "@target" for a symbolic link, which is not followed).
std::map<std::string, std::string> Tree(const std::string& root);

}  // namespace qlm::testing
