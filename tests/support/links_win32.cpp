#include "platform/win32/wide.h"
#include "platform/win32/windows_api.h"
#include "support/links.h"

namespace qlm::testing {

bool MakeDirectoryLink(const std::string& target, const std::string& link) {
  const std::wstring wide_link = win32::Widen(link);
  CreateSymbolicLinkW(wide_link.c_str(), win32::Widen(target).c_str(),
                      SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
  // Believed only when it is there: Wine answers success and makes nothing.
  const DWORD attributes = GetFileAttributesW(wide_link.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace qlm::testing
