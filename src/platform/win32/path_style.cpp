// Windows paths: '\' separates and '/' is taken as one too; roots are drives ("C:\") and
// shares ("\\server\share\"), also in their long form ("\\?\C:\", "\\?\UNC\server\share\").
#include "platform/path.h"

namespace qlm::path {

std::size_t MaxLength() {
  return 32767;  // the longest path the W calls take with the \\?\ prefix
}

char Separator() {
  return '\\';
}

bool IsForeignName(std::string_view name) {
  if (!name.empty() && (name.back() == '.' || name.back() == ' ')) return true;
  return name.find_first_of("<>:\"|?*") != std::string_view::npos;
}

namespace {

// The length of `path` up to and including the separator after `names` more names from `at`
// (a share's server and share name); the whole path when it ends first.
std::size_t AfterNames(std::string_view path, std::size_t at, int names) {
  for (; names > 0 && at < path.size(); --names) {
    while (at < path.size() && !IsSeparator(path[at]))
      ++at;
    if (at < path.size()) ++at;
  }
  return at;
}

bool IsDrive(std::string_view path, std::size_t at) {
  return path.size() >= at + 2 && path[at + 1] == ':' &&
         ((path[at] >= 'A' && path[at] <= 'Z') || (path[at] >= 'a' && path[at] <= 'z'));
}

}  // namespace

std::size_t RootLength(std::string_view path) {
  std::size_t at = 0;
  if (path.starts_with("\\\\?\\") || path.starts_with("\\\\.\\")) {
    at = 4;
    if (path.substr(at).starts_with("UNC\\")) return AfterNames(path, at + 4, 2);
  } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    return AfterNames(path, 2, 2);  // \\server\share\ .
  }
  if (IsDrive(path, at)) {
    const std::size_t after = at + 2;
    return after < path.size() && IsSeparator(path[after]) ? after + 1 : after;
  }
  return at == 0 && !path.empty() && IsSeparator(path[0]) ? 1 : at;
}

}  // namespace qlm::path
