// The folded-name index keeps "is this name taken regardless of case" and no-replace moves
// O(1): a directory of 100,000 entries must cost at most twice one of 100.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "platform/posix/posix_file_system.h"

namespace {

std::string EntryName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "page-%06d.htm", i);
  return name;
}

// A directory holding `count` empty files, made once per size and removed at exit.
class Directories {
 public:
  ~Directories() {
    std::error_code ignored;
    for (const auto& [count, path] : paths_)
      std::filesystem::remove_all(path, ignored);
  }
  const std::string& Get(int count) {
    auto found = paths_.find(count);
    if (found != paths_.end()) return found->second;
    std::string pattern = (std::filesystem::temp_directory_path() / "qlm-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    for (int i = 0; i < count; ++i) {
      int fd = open((pattern + "/" + EntryName(i)).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
      if (fd < 0) std::abort();
      close(fd);
    }
    return paths_[count] = pattern;
  }

 private:
  std::map<int, std::string> paths_;
};

Directories directories;

// One taken name in another letter case and one free name per iteration.
void BM_NameTaken(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::string& dir = directories.Get(count);
  qlm::PosixFileSystem fs;
  const std::string taken = dir + "/PAGE-" + EntryName(count / 2).substr(5);
  const std::string free = dir + "/Intro.htm";
  if (!fs.NameTaken(taken) || fs.NameTaken(free)) state.SkipWithError("wrong answer");
  for (auto _ : state) {
    benchmark::DoNotOptimize(fs.NameTaken(taken));
    benchmark::DoNotOptimize(fs.NameTaken(free));
  }
}

// A no-replace move A -> B and back per iteration.
void BM_MoveAndBack(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::string& dir = directories.Get(count);
  qlm::PosixFileSystem fs;
  const std::string a = dir + "/" + EntryName(count / 2);
  const std::string b = dir + "/Moved.qlm";
  if (!fs.NameTaken(a)) state.SkipWithError("no source");
  for (auto _ : state) {
    if (fs.Move(a, b) != qlm::FsError::Ok || fs.Move(b, a) != qlm::FsError::Ok) {
      state.SkipWithError("move failed");
      break;
    }
  }
}

BENCHMARK(BM_NameTaken)->Arg(100)->Arg(100000);
BENCHMARK(BM_MoveAndBack)->Arg(100)->Arg(100000);

}  // namespace

BENCHMARK_MAIN();
