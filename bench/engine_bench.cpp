// A full-auto directory run over 10,000 pages with distinct titles against one over 10,000
// pages that all share a title (numbering must not make the second run quadratic), and the
// distinct-title run without its journal (journaling must cost at most a tenth).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/processing_run.h"
#include "engine/run_view.h"
#include "platform/clock.h"
#include "platform/event.h"
#include "platform/posix/posix_file_system.h"

namespace {

class SilentView final : public qlm::RunView {
 public:
  void SetControlText(int, std::string_view) override {}
  void EnableControl(int, bool) override {}
  int ShowMessageBox(std::string_view, std::string_view, unsigned) override { return 1; }
  int ShowManualRenameDialog(qlm::ManualRename&) override { return 1; }
};

std::string MakeCorpus(int files, bool shared_title) {
  std::string root = (std::filesystem::temp_directory_path() / "qlm-bench-XXXXXX").string();
  if (mkdtemp(root.data()) == nullptr) std::abort();
  for (int i = 0; i < files; ++i) {
    const std::string title = shared_title ? "Shared Title" : "Title " + std::to_string(i);
    std::ofstream(root + "/page" + std::to_string(i) + ".htm")
        << "<html><head><title>" << title << "</title></head><body>" << std::string(600, 'x')
        << "</body></html>\n";
  }
  return root;
}

void BM_FullAutoRun(benchmark::State& state) {
  const int files = static_cast<int>(state.range(0));
  const bool shared = state.range(1) != 0;
  // Without a journal: a program directory that does not exist makes its open fail, and the
  // run then journals nothing. The logs are off in every case.
  const bool journal = state.range(2) != 0;
  qlm::SystemClock clock;
  qlm::OptionSet options;
  options.BackupRenamedFiles = 0;
  options.WriteErrorLog = 0;
  options.WriteRenameLog = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string directory = MakeCorpus(files, shared);
    const std::string program = directory + (journal ? "-program/" : "-none/");
    if (journal) std::filesystem::create_directory(program);
    qlm::PosixFileSystem fs;
    SilentView view;
    std::string last_directory;
    qlm::Event continue_event(true);
    std::atomic<bool> active(true);
    qlm::RunEnvironment environment{fs,      view,           clock,          options, directory,
                                    program, last_directory, continue_event, active};
    state.ResumeTiming();
    benchmark::DoNotOptimize(
        qlm::ProcessingRun(qlm::RunKind::DirectoryRun, environment).statistics);
    state.PauseTiming();
    std::filesystem::remove_all(directory);
    std::filesystem::remove_all(program);
    state.ResumeTiming();
  }
  state.SetLabel(std::string(shared ? "one shared title" : "distinct titles") +
                 (journal ? ", journal" : ", no journal"));
}

}  // namespace

BENCHMARK(BM_FullAutoRun)
    ->Args({10000, 0, 0})
    ->Args({10000, 0, 1})
    ->Args({10000, 1, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

BENCHMARK_MAIN();
