// What the file-layer tests look at: a file read through a layer, the names a search gives,
// the names a directory holds, and a whole tree.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace qlm::testing {

// The whole file as `fs` reads it; "<error N>" when it cannot be opened.
std::string ReadThrough(FileSystem& fs, const std::string& path);
// The names a search of `directory` hands out, in order; {"<failed>"} when it cannot open.
std::vector<std::string> SearchNames(FileSystem& fs, const std::string& directory, SearchKind kind);
// The directory's entries as the platform lists them, sorted bytewise.
std::vector<std::string> SortedEntries(const std::string& directory);
// Every entry under `root`: path relative to it ('/'-separated) -> contents ("/" for a
// directory, "@target" for a symbolic link, which is not followed).
std::map<std::string, std::string> Tree(const std::string& root);

}  // namespace qlm::testing
