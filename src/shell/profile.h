// Our own private-profile (INI) reader and writer, answering as the Windows profile functions
// answer for the files Quillomat reads and writes.
//
// Reading rules (see profile.cpp for the integer conversion):
//  * Lines end in LF, CR LF or a lone CR. Blanks (TAB, LF, CR, space) around a line, a section
//    name, a key and a value are trimmed.
//  * Lines before the first section line are no settings and are ignored; so are empty lines,
//    lines starting with ';' (comments) and any line holding a NUL byte (binary junk).
//  * "[name]" starts a section; the name runs to the first ']' (to the line's end when there is
//    none); text after the ']' is ignored.
//  * "key=value" splits at the first '='. A line without '=' names a key without a value, which
//    reads as missing. Section and key names compare without regard to ASCII letter case.
//  * Duplicates: the first section of a name wins, later sections of that name are ignored whole;
//    within a section the first line of a key wins (as the platform resolves them).
//  * Quotes: one pair of matching surrounding quotes ('"' or '\'') is removed from a value.
//  * Only the first kMaxProfileBytes of a file are read; when a file is longer, the line cut
//    short by that limit is dropped too, so a cut never yields a shortened value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qlm {

// The most bytes of a settings file that are read; far beyond any file we write.
inline constexpr std::size_t kMaxProfileBytes = 64 * 1024;

// One parsed profile text. Holds copies; the text may go away after parsing.
class Profile {
 public:
  // Parses `text` by the rules above. Never fails: what cannot be read is not there.
  explicit Profile(std::string_view text);

  // The value of `key` in `section` (trimmed, one pair of quotes removed), or nullopt when the
  // section or key is missing or the key has no '='. A present empty value gives "".
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;

  // As GetPrivateProfileStringA: the value, or `default_value` when Find gives nullopt.
  std::string GetString(std::string_view section, std::string_view key,
                        std::string_view default_value) const;

  // As GetPrivateProfileIntA: ProfileTextToInt of the value, `default_value` when missing.
  std::uint32_t GetInt(std::string_view section, std::string_view key,
                       std::uint32_t default_value) const;

 private:
  struct Entry {
    std::string key;
    std::optional<std::string> value;  // nullopt: a line without '='
  };
  // Sections by their name with ASCII letters folded, so a file of many sections stays cheap.
  std::map<std::string, std::vector<Entry>> sections_;
};

// The integer of a value as GetPrivateProfileIntA converts it; `value` is nullopt for a
// missing key. Rules in profile.cpp.
std::uint32_t ProfileTextToInt(const std::optional<std::string>& value,
                               std::uint32_t default_value);

// Appends "[section]" CR LF.
void AppendSectionLine(std::string& file, std::string_view section);

// Appends "key=value" CR LF, the value written so that the reader gives it back unchanged: a
// value with blanks at either end, or one that starts and ends with the same quote, is put in
// double quotes. Returns false and appends nothing when the value holds a CR, LF or NUL byte,
// which would break the line (or forge another key) whatever we did.
bool AppendKeyLine(std::string& file, std::string_view key, std::string_view value);

}  // namespace qlm
