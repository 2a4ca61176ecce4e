// quillomat-cli.exe end to end, where Windows decides: the program directory is the
// executable's for a portable copy, else %APPDATA%\Quillomat.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "cli/cli_process.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_api.h"
#include "support/engine_harness.h"

namespace qlm::testing {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable (or removes it, with nullopt) for the life of the object; the
// program started meanwhile inherits it.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const wchar_t* name, std::optional<std::string> value) : name_(name) {
    wchar_t old[32768];
    const DWORD length = GetEnvironmentVariableW(name, old, 32768);
    if (length > 0 && length < 32768) old_ = std::wstring(old, length);
    SetEnvironmentVariableW(name, value ? win32::Widen(*value).c_str() : nullptr);
  }
  ~ScopedEnvironment() { SetEnvironmentVariableW(name_, old_ ? old_->c_str() : nullptr); }

 private:
  const wchar_t* name_;
  std::optional<std::wstring> old_;
};

TEST(CliProgramDirectory, BesideTheProgramOnlyForAPortableCopyElseInAppData) {
  struct Row {
    bool marker;       // a Quillomat.ini beside the program
    bool app_data;     // %APPDATA% is set
    const char* logs;  // where the error log and journal go ("" nowhere)
  };
  const Row rows[] = {{false, true, "appdata/Quillomat"},
                      {true, true, "bin"},
                      {true, false, "bin"},
                      {false, false, ""}};
  for (const Row& row : rows) {
    TempDir root;
    fs::create_directories(NativePath(root / "bin"));
    fs::create_directories(NativePath(root / "pages"));
    fs::copy_file(QLM_CLI_PATH, NativePath(root / "bin/quillomat-cli.exe"));
    if (row.marker) WriteFile(root / "bin/Quillomat.ini", "");
    WriteFile(root / "pages/a.htm", Page("Alpha", "a"));
    ScopedEnvironment app_data(L"APPDATA",
                               row.app_data ? std::optional(root / "appdata") : std::nullopt);
    const CliRun run =
        RunCliProcess({"-o", "WriteErrorLog=1", "-o", "BackupRenamedFiles=0", root / "pages"}, "",
                      root / "bin/quillomat-cli.exe");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(NativePath(root / "pages/Alpha.htm")));
    for (const char* place : {"bin", "appdata/Quillomat"}) {
      const bool here = std::string(place) == row.logs;
      EXPECT_EQ(fs::exists(NativePath(root / place + "\\QLM-ErrorLog.txt")), here) << place;
      EXPECT_EQ(fs::exists(NativePath(root / place + "\\QLM-Journal.txt")), here) << place;
    }
    if (std::string(row.logs).empty()) {
      EXPECT_NE(run.err.find("cannot be undone"), std::string::npos) << run.err;
    }
  }
}

}  // namespace
}  // namespace qlm::testing
