// The walk over a directory tree that a tree run (quillomat-cli --recursive) makes: every
// directory once, in a fixed order, never through a symbolic link, never into a backup
// directory a run made, and never round a loop of bind mounts.
#pragma once

#include <string>
#include <string_view>

#include "platform/errors.h"

namespace qlm {

class FileSystem;

// Why a directory of a tree is not entered.
enum class TreeSkip {
  Link,        // a symbolic link to a directory: never followed
  Backup,      // a backup directory a run made (see IsBackupDirectoryName)
  Loop,        // the very directory the walk is in, again (a bind mount): it would never end
  Repeat,      // a directory the walk has entered elsewhere already (a bind mount)
  Unreadable,  // it could not be listed (the error says why)
  TooLong,     // its path is longer than the system allows
  Replaced,    // not the directory that was listed: something was swapped in during the walk
};

// True for a name a run gives its backup directory: "Backup" in any letter case, or a date
// YYYYMMDD, alone or numbered (YYYYMMDD-N), as of today or any earlier day.
bool IsBackupDirectoryName(std::string_view name);

class TreeVisitor {
 public:
  virtual ~TreeVisitor() = default;
  // A directory to process (its path, without a trailing '/'). False stops the walk.
  virtual bool Visit(const std::string& directory) = 0;
  // A directory that is not entered, with the layer's error where one was met (else Ok).
  virtual void Skip(const std::string& directory, TreeSkip why, FsError error) = 0;
};

// Walks the tree at `root` (a directory path without a trailing '/'; the root itself is
// entered whatever its name): each directory is visited, then its subdirectories are listed
// (after the visit, since a run there may rename one named like a page) and walked in turn,
// in the order of CompareFoldedNames, depth first. A directory that cannot be listed is
// skipped with its subtree; the rest of the tree is still walked. Returns false when the
// visitor stopped the walk.
bool WalkTree(FileSystem& fs, const std::string& root, TreeVisitor& visitor);

}  // namespace qlm
