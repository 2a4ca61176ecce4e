// Fuzz target for start-up's reading of the command line. The input is split at NUL bytes
// into the program's arguments; GetCommandArgument joins them and ClassifyArgument looks the
// result up on the real file layer, from inside a small directory made once per process (a
// page, a page reached through a link, a dangling link, a FIFO named like a page, a
// subdirectory, a text file). Checks: the argument has no blanks at either end; a directory
// keeps no trailing '/' (the root aside) and is a directory; a single file is a regular file
// named as stored; anything else leaves the path unchanged.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "platform/posix/posix_file_system.h"
#include "shell/command_line.h"

namespace {

void Check(bool ok, const char* what, const std::string& path) {
  if (ok) return;
  std::fprintf(stderr, "command_line_fuzz: %s (path of %zu bytes)\n", what, path.size());
  std::abort();
}

// Makes the directory that relative paths are looked up in. (Not the working directory: the
// fuzzer's own corpus paths are relative to that.)
struct Sandbox {
  Sandbox() {
    char pattern[] = "/tmp/qlm-cmdline-fuzz-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    root = pattern;
    const auto path = [this](const char* name) { return root + "/" + name; };
    const auto write = [&](const char* name, const char* text) {
      if (std::FILE* f = std::fopen(path(name).c_str(), "wb")) {
        std::fputs(text, f);
        std::fclose(f);
      }
    };
    write("Page.htm", "<title>Page</title>");
    write("notes.txt", "notes");
    mkdir(path("Sub Dir").c_str(), 0755);
    write("Sub Dir/Deep.HTML", "<title>Deep</title>");
    [[maybe_unused]] const int a = symlink("Page.htm", path("link.html").c_str());
    [[maybe_unused]] const int b = symlink("missing.htm", path("dead.htm").c_str());
    [[maybe_unused]] const int c = mkfifo(path("pipe.htm").c_str(), 0644);
  }
  ~Sandbox() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
  std::string root;
};

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Sandbox sandbox;
  std::vector<std::string> words{"quillomat"};
  std::string word;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.push_back(word);
      word.clear();
    } else {
      word += static_cast<char>(data[i]);
    }
  }
  if (size > 0) words.push_back(word);
  std::vector<const char*> argv;
  for (const std::string& w : words)
    argv.push_back(w.c_str());

  std::string target = "unchanged";
  const int result = qlm::GetCommandArgument(static_cast<int>(argv.size()), argv.data(), target);
  if (argv.size() < 2) {
    Check(result == -1 && target == "unchanged", "no argument was not told apart", target);
    return 0;
  }
  Check(result == 0, "an argument was refused", target);
  Check(target.empty() || (!IsBlank(target.front()) && !IsBlank(target.back())),
        "the argument keeps a blank at one end", target);

  if (!target.empty() && target.front() != '/') target = sandbox.root + "/" + target;
  qlm::PosixFileSystem fs;
  const std::string before = target;
  const qlm::RunMode mode = qlm::ClassifyArgument(fs, target);
  qlm::FileInfo info;
  switch (mode) {
    case qlm::RunMode::None:
      Check(target == before, "a refused argument was changed", target);
      break;
    case qlm::RunMode::Directory:
      Check(!target.empty() && (target == "/" || target.back() != '/'),
            "a directory keeps a trailing separator", target);
      Check(fs.GetInfo(target, info) == qlm::FsError::Ok && info.is_directory,
            "a directory run's path is no directory", target);
      break;
    case qlm::RunMode::SingleFile: {
      Check(fs.GetInfo(target, info) == qlm::FsError::Ok && info.is_regular,
            "a single-file run's path is no regular file", target);
      Check(info.stored_name.empty() || qlm::FileNamePart(target) == info.stored_name,
            "a single file is not named as stored", target);
      break;
    }
  }
  return 0;
}
