#include "shell/shell_verbs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "platform/posix/posix_file_system.h"
#include "shell/posix/shell_verb_files.h"

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

// Creates `base` and its missing parents with mode 0700, as the XDG base directories are
// made when missing; its top-most existing ancestor (HOME, say) must be a directory. False
// when one cannot be had.
bool MakeBaseDirectory(FileSystem& fs, const std::string& base) {
  FileInfo info;
  if (fs.GetInfo(base, info) == FsError::Ok) return info.is_directory;
  const std::size_t slash = base.rfind('/');
  if (slash == std::string::npos || slash == 0) return false;  // never create a top level
  if (!MakeBaseDirectory(fs, base.substr(0, slash))) return false;
  return fs.CreateDirectory(base) == FsError::Ok && chmod(base.c_str(), 0700) == 0;
}

// Creates the missing directories of `file`'s chain, adding those it made to `created`.
// False when one cannot be had (or a non-directory holds its name).
bool MakeDirectories(FileSystem& fs, const ShellVerbFile& file, std::vector<std::string>& created) {
  if (!MakeBaseDirectory(fs, file.base)) return false;
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
  if (file.directory == "kio/servicemenus") return ServiceMenuText(program, created);
  if (file.directory == "file-manager/actions") return FileManagerActionText(program, created);
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

// Removes the files of earlier versions: an application entry for the verbs' MIME types,
// which made Quillomat the program that opens folders and HTML files.
bool RemoveLegacyFiles(FileSystem& fs, const std::string& data) {
  return RemoveFile(fs, {data, "applications", "quillomat-shell-verb.desktop", false});
}

// What Thunar reads while the user has no uca.xml: the first one in $XDG_CONFIG_DIRS (or
// /etc/xdg) that has an action list, else an empty list.
std::string ThunarSeed(FileSystem& fs, const EnvironmentLookup& environment) {
  std::string directories = environment("XDG_CONFIG_DIRS").value_or("");
  if (directories.empty()) directories = "/etc/xdg";
  for (std::size_t start = 0; start <= directories.size();) {
    std::size_t end = directories.find(':', start);
    if (end == std::string::npos) end = directories.size();
    const std::string directory = directories.substr(start, end - start);
    start = end + 1;
    std::string text;
    if (directory.starts_with('/') &&
        fs.ReadWholeFile(directory + "/Thunar/uca.xml", kMaxThunarFile, text) == FsError::Ok &&
        text.size() < kMaxThunarFile && text.find("</actions>") != std::string::npos) {
      return text;
    }
  }
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n</actions>\n";
}

// `xml` with the marker comment of a uca.xml that adding created (after the XML declaration,
// before which nothing may stand), or, with `created` nullopt, without it.
std::string WithThunarMarker(std::string xml, const std::optional<std::string>& created) {
  const std::string prefix = "<!-- " + std::string(kVerbMarkerKey);
  if (const std::size_t at = xml.find(prefix); at != std::string::npos) {
    const std::size_t end = xml.find('\n', at);
    xml.erase(at, end == std::string::npos ? std::string::npos : end - at + 1);
  }
  if (!created) return xml;
  std::size_t at = 0;
  if (xml.starts_with("<?xml")) {
    at = xml.find('\n');
    at = at == std::string::npos ? xml.size() : at + 1;
  }
  return xml.insert(at, prefix + *created + " -->\n");
}

// Adds or removes our actions in uca.xml, which holds the user's actions too. A missing one
// is made from ThunarSeed, so that the system's actions stay in Thunar's menu; removing
// deletes such a file again while it is otherwise unchanged.
bool UpdateThunarActions(FileSystem& fs, const EnvironmentLookup& environment, int wanted,
                         const std::string& program) {
  const std::string config = BaseDirectory(environment, "XDG_CONFIG_HOME", "/.config");
  if (config.empty()) return true;
  const ShellVerbFile file{config, "Thunar", "uca.xml", false};
  FileInfo info;
  if (fs.GetInfo(file.path(), info) != FsError::Ok) {
    if (wanted == 0) return true;
    std::vector<std::string> created;
    if (!MakeDirectories(fs, file, created)) return false;
    const std::string seed =
        WithThunarMarker(ThunarSeed(fs, environment), created.empty() ? "" : file.directory + ";");
    const std::optional<std::string> xml = AddThunarActions(seed, program);
    return xml && fs.ReplaceFileAtomically(file.path(), *xml) == FsError::Ok;
  }
  std::string xml;
  if (!info.is_regular || fs.ReadWholeFile(file.path(), kMaxThunarFile, xml) != FsError::Ok ||
      xml.size() >= kMaxThunarFile) {
    return false;  // a file we cannot read whole is never rewritten
  }
  std::optional<std::string> updated =
      wanted != 0 ? AddThunarActions(xml, program) : RemoveThunarActions(xml);
  if (!updated) return false;
  if (wanted == 0) {
    if (ParseVerbMarker(*updated)) {
      *updated = WithThunarMarker(*updated, std::nullopt);
      if (*updated == ThunarSeed(fs, environment)) return RemoveFile(fs, file);
    }
  }
  if (*updated == xml) return true;
  return fs.ReplaceFileAtomically(file.path(), *updated) == FsError::Ok;
}

}  // namespace

std::vector<ShellVerbFile> ShellVerbFiles(const EnvironmentLookup& environment) {
  const std::string data = BaseDirectory(environment, "XDG_DATA_HOME", "/.local/share");
  if (data.empty()) return {};
  return {
      {data, "kio/servicemenus", "quillomat.desktop", true},
      {data, "file-manager/actions", "quillomat.desktop", false},
      {data, "nautilus/scripts", "Quillomat", true},
      {data, "nemo/actions", "quillomat.nemo_action", false},
  };
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
  complete &= RemoveLegacyFiles(fs, files.front().base);
  complete &= UpdateThunarActions(fs, environment, wanted, program);
  return complete ? ShellVerbsResult::Done : ShellVerbsResult::Incomplete;
}

void UpdateShellVerbs(int wanted) {
  PosixFileSystem fs;  // a fresh one: the directories may have changed since start-up
  UpdateShellVerbs(wanted, fs, ExecutablePath(), ProcessEnvironment);
}

}  // namespace qlm
