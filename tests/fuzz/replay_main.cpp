// Replays fuzz inputs without libFuzzer: every file named on the command line, and every file
// directly inside a directory named there (in name order), goes once through the target.
// Exits 1 when an argument does not exist or when nothing at all was replayed, so that a
// mistyped corpus path cannot pass silently; a violated invariant aborts inside the target.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

// Feeds one file to the target; false when it cannot be read.
bool Replay(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  // A copy of exactly the file's size, so that ASan sees a read one byte too far.
  std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(data.empty() ? nullptr : data.data(), data.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  int replayed = 0;
  for (int i = 1; i < argc; ++i) {
    const fs::path arg(argv[i]);
    std::error_code error;
    std::vector<fs::path> files;
    if (fs::is_directory(arg, error)) {
      for (const auto& entry : fs::directory_iterator(arg, error)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
    } else if (fs::is_regular_file(arg, error)) {
      files.push_back(arg);
    } else {
      std::fprintf(stderr, "replay: %s: no such file or directory\n", argv[i]);
      return 1;
    }
    for (const fs::path& file : files) {
      if (!Replay(file)) {
        std::fprintf(stderr, "replay: %s: cannot be read\n", file.c_str());
        return 1;
      }
      ++replayed;
    }
  }
  std::printf("replay: %d input(s) passed\n", replayed);
  return replayed > 0 ? 0 : 1;
}
