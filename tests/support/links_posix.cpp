#include <filesystem>

#include "support/links.h"
#include "support/temp_dir.h"

namespace qlm::testing {

bool MakeDirectoryLink(const std::string& target, const std::string& link) {
  std::filesystem::create_directory_symlink(NativePath(target), NativePath(link));
  return true;
}

}  // namespace qlm::testing
