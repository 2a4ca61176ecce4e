// UpdateShellVerbs on freedesktop desktops: adds or removes the context-menu verb "Quillomat"
// for HTML files and folders, as the set of files the common file managers read (see
// shell_verb_files.h). Called only when the options dialog closes with EnableShellExts
// changed; nothing is ever reported to the user.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/program_directory.h"

namespace qlm {

// How an update ended; for tests only, the user sees none of it.
enum class ShellVerbsResult {
  Done,            // every file is as wanted
  NoHome,          // neither XDG_DATA_HOME/XDG_CONFIG_HOME nor HOME is an absolute path
  BadProgramPath,  // adding with a program path that is not absolute or holds a control byte
  Incomplete,      // some file could not be written or removed, or a file of that name is
                   // not ours and was left alone
};

// One file of the set: where it lies and whether it must be executable.
struct ShellVerbFile {
  std::string base;       // $XDG_DATA_HOME (or ~/.local/share) or the configuration base
  std::string directory;  // below `base`, e.g. "kio/servicemenus"
  std::string name;
  bool executable = false;
  std::string path() const { return base + "/" + directory + "/" + name; }
};

// The files the verbs consist of, for the environment given; empty when no base directory
// can be had. Thunar's uca.xml ($XDG_CONFIG_HOME/Thunar/uca.xml) is not among them: it
// holds the user's actions too (see UpdateShellVerbs).
std::vector<ShellVerbFile> ShellVerbFiles(const EnvironmentLookup& environment);

// `wanted` 1 adds the verbs for the program at `program`, 0 removes them.
// Adding writes every file of ShellVerbFiles whole (each replaced atomically), creating its
// directories (a missing base directory and its missing parents with mode 0700, as the XDG
// base directories are made), and adds our actions to uca.xml, which it creates from the
// system's when the user has none. A file of one of our names that does not carry our
// marker is the user's and is left as it is. Adding twice gives the same files as adding
// once. No file it writes offers Quillomat as the program that opens anything.
// Removing deletes exactly our own files (those with the marker), then the directories that
// adding created for them when they are left empty, and cuts our actions out of uca.xml,
// keeping every other byte (a uca.xml that adding created goes again while it holds nothing
// else). The base directories stay. Both add and remove delete the application entry that
// earlier versions wrote. Failures do not stop the other files.
ShellVerbsResult UpdateShellVerbs(int wanted, FileSystem& fs, const std::string& program,
                                  const EnvironmentLookup& environment);

// The product's call: the running executable, the process environment, the real files.
void UpdateShellVerbs(int wanted);

}  // namespace qlm
