// Linux paths: '/' alone separates, and "/" is the only root.
#include <limits.h>

#include "platform/path.h"

namespace qlm::path {

std::size_t MaxLength() {
  return PATH_MAX;
}

char Separator() {
  return '/';
}

bool IsForeignName(std::string_view) {
  return false;  // every byte but '/' and NUL may stand in a name
}

std::size_t RootLength(std::string_view path) {
  return !path.empty() && path.front() == '/' ? 1 : 0;
}

}  // namespace qlm::path
