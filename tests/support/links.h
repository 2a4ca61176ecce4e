// Symbolic links to directories, where the platform lets a test make them.
#pragma once

#include <string>

namespace qlm::testing {

// Makes `link` a symbolic link to the directory `target`; false where that cannot be done
// (Wine reports success but makes none; Windows needs developer mode), which callers label.
bool MakeDirectoryLink(const std::string& target, const std::string& link);

}  // namespace qlm::testing
