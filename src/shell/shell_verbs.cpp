#include "shell/shell_verbs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "platform/posix_file_system.h"
#include "shell/shell_verb_files.h"

namespace qlm {

namespace {

// Our files are a few hundred bytes; a bigger one of that name is not ours.
constexpr std::size_t kMaxVerbFile = 64 * 1024;
// uca.xml holds the user's actions as well: read all of any sane size.
constexpr std::size_t kMaxThunarFile = 4 * 1024 * 1024;

// An XDG base directory: the variable when it holds an absolute path, else $HOME + fallback.
std::string BaseDirectory(const EnvironmentLookup& environment, const char* variable,
                          const char* fallback) {
  if (const auto value = environment(variable); value && value->starts_with('/')) return *value;
  if (const auto home = environment("HOME"); home && home->starts_with('/')) {
    return (home->size() > 1 ? *home : "") + fallback;
  }
  return "";
}

bool IsUsableProgram(const std::string& program) {
  return program.starts_with('/') && std::none_of(program.begin(), program.end(), [](char c) {
           return static_cast<unsigned char>(c) < 32 || c == 127;
         });
}

// "a", "a/b", "a/b/c" for "a/b/c".
std::vector<std::string> DirectoryChain(const std::string& directory) {
  std::vector<std::string> chain;
  for (std::size_t slash = directory.find('/'); slash != std::string::npos;
       slash = directory.find('/', slash + 1)) {
    chain.push_back(directory.substr(0, slash));
  }
  chain.push_back(directory);
  return chain;
}

// Creates the missing directories of `file`'s chain, adding those it made to `created`.
// False when one cannot be had (or a non-directory holds its name).
bool MakeDirectories(FileSystem& fs, const ShellVerbFile& file, std::vector<std::string>& created) {
  for (const std::string& relative : DirectoryChain(file.directory)) {
    const std::string path = file.base + "/" + relative;
    FileInfo info;
    if (fs.GetInfo(path, info) == FsError::Ok) {
      if (!info.is_directory) return false;
      continue;
    }
    if (fs.CreateDirectory(path) != FsError::Ok) return false;
    if (std::find(created.begin(), created.end(), relative) == created.end()) {
      created.push_back(relative);
    }
  }
  return true;
}

std::string FileText(const ShellVerbFile& file, const std::string& program,
                     const std::string& created) {
  if (file.directory == "applications") return DesktopEntryText(program, created);
  if (file.directory == "kio/servicemenus") return ServiceMenuText(program, created);
  if (file.directory == "nautilus/scripts") return NautilusScriptText(program, created);
  return NemoActionText(program, created);
}

// The file's text when it exists and carries our marker (its directories in `created`).
enum class Holder { Nobody, Us, Someone };
Holder WhoHolds(FileSystem& fs, const ShellVerbFile& file, std::vector<std::string>& created) {
  FileInfo info;
  if (fs.GetInfo(file.path(), info) != FsError::Ok) return Holder::Nobody;
  std::string text;
  if (!info.is_regular || fs.ReadWholeFile(file.path(), kMaxVerbFile, text) != FsError::Ok ||
      text.size() >= kMaxVerbFile) {
    return Holder::Someone;
  }
  const auto marker = ParseVerbMarker(text);
  if (!marker) return Holder::Someone;
  created = *marker;
  return Holder::Us;
}

bool AddFile(FileSystem& fs, const ShellVerbFile& file, const std::string& program) {
  std::vector<std::string> created;
  if (WhoHolds(fs, file, created) == Holder::Someone) return false;
  if (!MakeDirectories(fs, file, created)) return false;
  std::string list;
  for (const std::string& relative : DirectoryChain(file.directory)) {
    if (std::find(created.begin(), created.end(), relative) != created.end()) {
      list += relative + ";";
    }
  }
  if (fs.ReplaceFileAtomically(file.path(), FileText(file, program, list)) != FsError::Ok) {
    return false;
  }
  // KDE runs only executable service menus; Nautilus only executable scripts.
  return !file.executable || chmod(file.path().c_str(), 0755) == 0;
}

bool RemoveFile(FileSystem& fs, const ShellVerbFile& file) {
  std::vector<std::string> created;
  if (WhoHolds(fs, file, created) != Holder::Us) return true;  // nothing of ours to remove
  if (fs.Delete(file.path()) != FsError::Ok) return false;
  // Only directories of this file's own chain, deepest first; rmdir keeps a non-empty one.
  const std::vector<std::string> chain = DirectoryChain(file.directory);
  for (auto relative = chain.rbegin(); relative != chain.rend(); ++relative) {
    if (std::find(created.begin(), created.end(), *relative) != created.end()) {
      rmdir((file.base + "/" + *relative).c_str());
    }
  }
  return true;
}

// Adds or removes our actions in an existing uca.xml; a missing one is left missing (a new
// one would hide the system's default actions from Thunar).
bool UpdateThunarActions(FileSystem& fs, const std::string& path, int wanted,
                         const std::string& program) {
  FileInfo info;
  if (path.empty() || fs.GetInfo(path, info) != FsError::Ok) return true;
  std::string xml;
  if (!info.is_regular || fs.ReadWholeFile(path, kMaxThunarFile, xml) != FsError::Ok ||
      xml.size() >= kMaxThunarFile) {
    return false;  // a file we cannot read whole is never rewritten
  }
  std::optional<std::string> updated =
      wanted != 0 ? AddThunarActions(xml, program) : RemoveThunarActions(xml);
  if (!updated) return false;
  if (*updated == xml) return true;
  return fs.ReplaceFileAtomically(path, *updated) == FsError::Ok;
}

}  // namespace

std::vector<ShellVerbFile> ShellVerbFiles(const EnvironmentLookup& environment) {
  const std::string data = BaseDirectory(environment, "XDG_DATA_HOME", "/.local/share");
  if (data.empty()) return {};
  return {
      {data, "applications", "quillomat-shell-verb.desktop", false},
      {data, "kio/servicemenus", "quillomat.desktop", true},
      {data, "nautilus/scripts", "Quillomat", true},
      {data, "nemo/actions", "quillomat.nemo_action", false},
  };
}

std::string ThunarActionsPath(const EnvironmentLookup& environment) {
  const std::string config = BaseDirectory(environment, "XDG_CONFIG_HOME", "/.config");
  return config.empty() ? "" : config + "/Thunar/uca.xml";
}

ShellVerbsResult UpdateShellVerbs(int wanted, FileSystem& fs, const std::string& program,
                                  const EnvironmentLookup& environment) {
  const std::vector<ShellVerbFile> files = ShellVerbFiles(environment);
  if (files.empty()) return ShellVerbsResult::NoHome;
  if (wanted != 0 && !IsUsableProgram(program)) return ShellVerbsResult::BadProgramPath;
  bool complete = true;
  for (const ShellVerbFile& file : files) {
    complete &= wanted != 0 ? AddFile(fs, file, program) : RemoveFile(fs, file);
  }
  complete &= UpdateThunarActions(fs, ThunarActionsPath(environment), wanted, program);
  return complete ? ShellVerbsResult::Done : ShellVerbsResult::Incomplete;
}

void UpdateShellVerbs(int wanted) {
  PosixFileSystem fs;  // a fresh one: the directories may have changed since start-up
  UpdateShellVerbs(wanted, fs, ExecutablePath(), ProcessEnvironment);
}

}  // namespace qlm
