// quillomat.exe itself, started as the shell verb starts it: its path in quotes, then the
// folder unquoted. The folder is renamed at once, the window stays open afterwards, and the
// close box, once idle, ends the program with exit code 0 and the settings saved.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "common/messages.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_api.h"
#include "support/temp_dir.h"

namespace {

using qlm::testing::NativePath;
using qlm::testing::ReadFile;
using qlm::testing::TempDir;
using qlm::testing::WriteFile;

struct Search {
  DWORD process;
  HWND found;
};

// The visible main window of `process`, or nullptr.
HWND MainWindowOf(DWORD process) {
  Search search{process, nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* search = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        wchar_t caption[64] = {};
        GetWindowTextW(window, caption, 64);
        if (owner == search->process && IsWindowVisible(window) &&
            qlm::win32::Narrow(caption) == qlm::msg::kMainCaption) {
          search->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Waits for `done` (checked every few milliseconds) for up to a minute.
template <typename Condition>
bool WaitFor(Condition done) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!done()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

TEST(Program, ADirectoryArgumentIsRenamedAtOnceAndTheWindowStaysOpen) {
  TempDir root;
  // A portable copy: its settings and logs beside it.
  std::filesystem::create_directory(NativePath(root / "bin"));
  std::filesystem::copy_file(QLM_GUI_PATH, NativePath(root / "bin/quillomat.exe"));
  WriteFile(root / "bin/Quillomat.ini",
            "[Options]\r\nWriteErrorLog=1\r\nBackupRenamedFiles=0\r\nBackupUnrenamedFiles=0\r\n");
  std::filesystem::create_directory(NativePath(root / "My Pages"));
  WriteFile(root / "My Pages/a.htm", "<title>Alpha</title>");
  WriteFile(root / "My Pages/b.htm", "<title>Beta</title>");

  std::wstring command = L"\"" + qlm::win32::Widen(root / "bin/quillomat.exe") + L"\" " +
                         qlm::win32::Widen(root / "My Pages");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  const std::string log = root / "bin/QLM-ErrorLog.txt";
  const bool ended =
      WaitFor([&] { return ReadFile(log).find("=== END ===") != std::string::npos; });
  HWND window = nullptr;
  const bool shown =
      WaitFor([&] { return (window = MainWindowOf(process.dwProcessId)) != nullptr; });
  const bool running = WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
  if (window != nullptr) PostMessageW(window, WM_CLOSE, 0, 0);
  const bool exited = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
  if (!exited) TerminateProcess(process.hProcess, 1);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);

  EXPECT_TRUE(ended) << ReadFile(log);
  EXPECT_TRUE(shown);
  EXPECT_TRUE(running);  // still open after its run
  EXPECT_TRUE(exited);
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(std::filesystem::exists(NativePath(root / "My Pages/Alpha.htm")));
  EXPECT_TRUE(std::filesystem::exists(NativePath(root / "My Pages/Beta.htm")));
  // Exit while idle saved the settings in their own layout.
  EXPECT_EQ(ReadFile(root / "bin/Quillomat.ini").rfind(qlm::msg::kSettingsHeader, 0), 0u);
}

}  // namespace
