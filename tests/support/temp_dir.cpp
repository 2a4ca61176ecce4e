#include "support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "platform/path.h"

namespace qlm::testing {

namespace fs = std::filesystem;

fs::path NativePath(const std::string& path) {
  return fs::path(std::u8string(path.begin(), path.end()));
}

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

TempDir::TempDir() {
  static std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate =
        fs::temp_directory_path() / ("qlm-test-" + std::to_string(random() % 1000000000));
    std::error_code error;
    if (fs::create_directory(candidate, error)) {
      fs::permissions(candidate, fs::perms::owner_all, error);
      path_ = Utf8(candidate);
      return;
    }
  }
  throw std::runtime_error("no temporary directory");
}

std::string TempDir::operator/(const std::string& name) const {
  std::string joined = path_;
  joined += path::Separator();
  for (const char c : name)
    joined += c == '/' ? path::Separator() : c;
  return joined;
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(NativePath(path_), ignored);
}

void WriteFile(const std::string& path, const std::string& contents) {
  std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
  out << contents;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(NativePath(path), std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

}  // namespace qlm::testing
