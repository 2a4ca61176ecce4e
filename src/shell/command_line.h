// Start-up's reading of the command line: the one argument and what it asks for.
#pragma once

#include <string>

#include "common/types.h"
#include "platform/file_system.h"

namespace qlm {

// Joins all arguments after the program's name (argv[1] .. argv[argc - 1]) with single blanks
// and trims the result (TrimBlanks) into `TargetPath`, so that an unquoted path with blanks
// still arrives whole. Returns 0 with the argument (which may be empty when every argument is
// blank), or -1, leaving `TargetPath` unchanged, when there is no argument at all.
int GetCommandArgument(int argc, const char* const* argv, std::string& TargetPath);

// The argument as start-up takes it: a single argument that names an existing path exactly
// as given is that path, blanks at its ends included (a folder may be called "Reports ");
// otherwise what GetCommandArgument gives. Returns 0 or -1 as GetCommandArgument does.
int TakeCommandArgument(FileSystem& fs, int argc, const char* const* argv, std::string& TargetPath);

// Makes a non-empty `TargetPath` absolute, resolved as the kernel resolves it (see
// FileSystem::ResolvePath: "link/.." is where the kernel goes, not the text's parent); left
// as it is when that fails.
void ResolveArgument(FileSystem& fs, std::string& TargetPath);

// TakeCommandArgument, ResolveArgument, then ClassifyArgument: everything start-up does with
// the command line. `TargetPath` is left unchanged when there is no argument.
RunMode ReadCommandLine(FileSystem& fs, int argc, const char* const* argv, std::string& TargetPath);

// What the argument asks for, looked up through `fs` (case-insensitively):
//  * missing (or the empty text)                         -> RunMode::None;
//  * a directory                                         -> RunMode::Directory, with trailing
//    '/' characters removed so that the run, which appends one, gets exactly one separator; a
//    path of separators only stays "/" (the root); its last name is replaced by the one
//    stored on disk when that differs in letter case;
//  * a regular file whose last four bytes are exactly ".HTM", "HTML", ".htm" or "html" (a
//    mixed-case ending is ignored)                       -> RunMode::SingleFile, with the
//    file-name part replaced by the name as stored on disk when that differs;
//  * anything else, a FIFO, socket or device included    -> RunMode::None.
// Double quotes are not removed: a quoted path is not found, and the program starts idle.
// `TargetPath` is unchanged except as said above. `lookup`, when given, receives why the path
// could not be looked up at all (FsError::Ok when it could), for a front end that says so.
RunMode ClassifyArgument(FileSystem& fs, std::string& TargetPath, FsError* lookup = nullptr);

}  // namespace qlm
