#include "support/engine_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "platform/path.h"

namespace qlm::testing {

std::string Page(const std::string& title, const std::string& tag) {
  return "<html><head><title>" + title + "</title></head><body>" + tag + "</body></html>\n";
}

std::map<std::string, std::string> Listing(const std::string& directory) {
  std::map<std::string, std::string> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(NativePath(directory), error)) {
    if (!entry.is_regular_file(error)) continue;  // through links, as the tests made them
    const std::string name = Utf8(entry.path().filename());
    files[name] = ReadFile(Utf8(entry.path()));
  }
  return files;
}

EngineHarness::EngineHarness() {
  // Tests opt into what they exercise; these keep the directory free of extras by default.
  options.BackupRenamedFiles = 0;
  options.WriteErrorLog = 0;
  options.WriteRenameLog = 0;
}

void EngineHarness::AddPage(const std::string& name, const std::string& title) {
  const std::string contents = Page(title, name);
  WriteFile(work / name, contents);
  originals[name] = contents;
}

RunStatistics EngineHarness::RunDirectory(FileSystem* other) {
  RunEnvironment environment{other != nullptr ? *other : fs,
                             view,
                             clock,
                             options,
                             target.empty() ? work.path() : target,
                             path::WithSeparator(program.path()),
                             last_directory,
                             continue_event,
                             run_active,
                             tree};
  run_active = true;
  const RunResult result = ProcessingRun(RunKind::DirectoryRun, environment);
  last_end = result.end;
  return result.statistics;
}

RunStatistics EngineHarness::RunFile(const std::string& name, FileSystem* other) {
  RunEnvironment environment{
      other != nullptr ? *other : fs,      view,           clock,          options,   work / name,
      path::WithSeparator(program.path()), last_directory, continue_event, run_active};
  const RunResult result = ProcessingRun(RunKind::SingleFileRun, environment);
  last_end = result.end;
  return result.statistics;
}

::testing::AssertionResult EngineHarness::NothingLost() const {
  std::vector<std::string> before;
  for (const auto& [name, contents] : originals)
    before.push_back(contents);
  std::vector<std::string> after;
  for (const auto& [name, contents] : Listing(work.path()))
    after.push_back(contents);
  std::sort(before.begin(), before.end());
  std::sort(after.begin(), after.end());
  if (before == after) return ::testing::AssertionSuccess();
  auto failure = ::testing::AssertionFailure() << "directory now holds:";
  for (const auto& [name, contents] : Listing(work.path()))
    failure << " [" << name << "]";
  return failure;
}

}  // namespace qlm::testing
