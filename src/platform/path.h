// Paths on this platform: its separator and the few ways the program splits and joins paths.
// Everything above the platform layer goes through these, never a separator written out, so
// one core serves Linux ('/') and Windows ('\', where '/' is accepted too).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/errors.h"

namespace qlm::path {

// The separator this platform writes between names.
char Separator();
// True for a character that separates names here (inline: paths are scanned with it a great
// deal).
inline bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}
// Where the path's last name begins: just after its last separator, 0 when it has none.
std::size_t NameStart(std::string_view path);

// The length of the path's root ("/" on Linux; "C:\", "\\server\share\" on Windows), 0 for a
// relative path.
std::size_t RootLength(std::string_view path);

inline bool IsAbsolute(std::string_view path) {
  return RootLength(path) > 0;
}

// A path cut at its last separator: `directory` is everything before it ("." when there is
// none; the root, with its separator, for a name right under it), `name` everything after it.
struct Parts {
  std::string directory;
  std::string name;
};
Parts Split(std::string_view path);
// Split without copies: views into `path` (or of a constant "."), valid as long as it is.
struct PartsView {
  std::string_view directory;
  std::string_view name;
};
PartsView SplitView(std::string_view path);

// `directory` without trailing separators (the root stays as it is, "" becomes "."): the key
// under which a directory is known.
std::string Key(std::string_view directory);
// Key without a copy: a view into `directory` (or of a constant ".").
std::string_view KeyView(std::string_view directory);

// directory + separator + name, without doubling a separator the directory ends with.
std::string Join(std::string_view directory, std::string_view name);

// `text` with one separator appended unless it ends with one already.
std::string WithSeparator(std::string text);

// Ok for a path the platform can be handed; InvalidName for one holding a NUL byte (the
// system would silently cut it there), FilenameTooLong at the platform's length limit or
// beyond, FileNotFound for the empty path.
FsError Check(std::string_view path);
// The longest path the platform takes, in bytes.
std::size_t MaxLength();

// True for a name this platform's file system cannot hold as given: on Windows one with a
// character it refuses (< > : " | ? *; a ':' would name a stream of another file) or ending in
// a point or blank (Windows strips them, so the file would bear another name). Never on Linux.
bool IsForeignName(std::string_view name);

// True for a name that designates an entry of its directory ("" and the dot names do not).
inline bool IsPlainName(std::string_view name) {
  return !name.empty() && name != "." && name != "..";
}

}  // namespace qlm::path
