// What one file costs the title reader: the in-memory part (ExtractTitle) on a typical
// 1000-byte page, against the open, one read of 1000 bytes and close of such a file through
// the file layer. The in-memory part is meant to stay under a tenth of the file access.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/posix/posix_file_system.h"
#include "title/read_title.h"

namespace {

// A page as editors write them: doctype, head with a charset, the title, styles and links,
// filled to 1000 bytes.
std::string TypicalPage(std::string_view title_and_meta) {
  std::string page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n";
  page += title_and_meta;
  page +=
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<link rel=\"stylesheet\" href=\"css/site.css\">\n"
      "<style>body { font-family: sans-serif; margin: 0 auto; max-width: 40em; }</style>\n"
      "</head>\n<body>\n<h1>Quarterly figures</h1>\n";
  while (page.size() < 1000)
    page += "<p>Revenue rose in every region during the quarter.</p>\n";
  page.resize(1000);
  return page;
}

const std::string kUtf8Page = TypicalPage(
    "<meta charset=\"utf-8\">\n<title>Annual Report 2003 \xE2\x80\x93 Sales: Q1/Q2 &amp; "
    "Outlook</title>\n");
// No declaration and a Latin-1 title: the Windows-1252 path through iconv.
const std::string kLatin1Page =
    TypicalPage("<title>Caf\xE9 du Monde \x96 Men\xFC &amp; Preise</title>\n");

void BM_ExtractTitle(benchmark::State& state, const std::string& page) {
  std::string out;
  for (auto _ : state) {
    benchmark::DoNotOptimize(qlm::ExtractTitle(page, true, out));
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK_CAPTURE(BM_ExtractTitle, utf8_page, kUtf8Page);
BENCHMARK_CAPTURE(BM_ExtractTitle, latin1_page, kLatin1Page);

// A page file in a fresh directory, removed again at the end.
class PageFile {
 public:
  PageFile() {
    char dir[] = "/tmp/qlm-title-bench-XXXXXX";
    if (mkdtemp(dir) == nullptr) return;
    dir_ = dir;
    path_ = dir_ + "/Report.htm";
    const int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    ok_ = fd >= 0 && write(fd, kUtf8Page.data(), kUtf8Page.size()) == 1000;
    if (fd >= 0) close(fd);
  }
  ~PageFile() {
    if (!path_.empty()) unlink(path_.c_str());
    if (!dir_.empty()) rmdir(dir_.c_str());
  }
  bool ok() const { return ok_; }
  const std::string& path() const { return path_; }

 private:
  std::string dir_;
  std::string path_;
  bool ok_ = false;
};

// The file access of one title as ReadTitle does it: the file layer's open (regular files
// only, found regardless of case), one read of at most 1000 bytes, close. From the page
// cache (the file was just written), so the cheapest it gets.
void BM_FileLayerOpenReadClose(benchmark::State& state) {
  PageFile page;
  if (!page.ok()) return state.SkipWithError("cannot write the page file");
  qlm::PosixFileSystem fs;
  std::array<char, qlm::kTitleReadLimit> buffer;
  for (auto _ : state) {
    std::unique_ptr<qlm::ReadableFile> file;
    if (fs.OpenForReading(page.path(), file) != qlm::FsError::Ok)
      return state.SkipWithError("open failed");
    std::size_t length = 0;
    benchmark::DoNotOptimize(file->Read(buffer.data(), buffer.size(), length));
  }
}
BENCHMARK(BM_FileLayerOpenReadClose);

// The floor under it: bare open, read and close system calls.
void BM_SyscallOpenReadClose(benchmark::State& state) {
  PageFile page;
  if (!page.ok()) return state.SkipWithError("cannot write the page file");
  std::array<char, qlm::kTitleReadLimit> buffer;
  for (auto _ : state) {
    const int file = open(page.path().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    benchmark::DoNotOptimize(read(file, buffer.data(), buffer.size()));
    close(file);
  }
}
BENCHMARK(BM_SyscallOpenReadClose);

}  // namespace

BENCHMARK_MAIN();
