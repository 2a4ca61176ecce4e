// A fresh directory under the system's temporary directory, removed with its contents when
// the object goes out of scope.
#pragma once

#include <filesystem>
#include <string>

namespace qlm::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory's path, without a trailing separator.
  const std::string& path() const { return path_; }
  // path() + separator + name, each '/' in `name` written as this platform's separator.
  std::string operator/(const std::string& name) const;

 private:
  std::string path_;
};

// A UTF-8 path as the standard library takes it on every platform, and back.
std::filesystem::path NativePath(const std::string& path);
std::string Utf8(const std::filesystem::path& path);

// Writes a file (creating or replacing it).
void WriteFile(const std::string& path, const std::string& contents);
// The file's whole contents; "" when it cannot be read.
std::string ReadFile(const std::string& path);

}  // namespace qlm::testing
