#include "cli/cli_process.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_api.h"
#include "support/temp_dir.h"

namespace qlm::testing {

namespace {

// One argument as the C runtime's command-line parser reads it back: in quotes, each run of
// backslashes before a quote (or before the closing quote) doubled.
std::wstring Quoted(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

// An inheritable handle on `path`, opened for reading or (created, replaced) for writing.
HANDLE OpenInheritable(const std::string& path, bool write) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileW(win32::Widen(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The program's text as it would read on Linux: standard output and error are text streams on
// Windows, whose lines end in CR LF.
std::string WithLineFeeds(std::string text) {
  std::string lines;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' || i + 1 == text.size() || text[i + 1] != '\n') lines += text[i];
  }
  return lines;
}

}  // namespace

CliRun RunCliProcess(const std::vector<std::string>& arguments, const std::string& input,
                     const std::string& program, const std::string& working_directory) {
  TempDir io;
  WriteFile(io / "in", input);
  const HANDLE in = OpenInheritable(io / "in", false);
  const HANDLE out = OpenInheritable(io / "out", true);
  const HANDLE err = OpenInheritable(io / "err", true);
  std::wstring command_line = Quoted(win32::Widen(program));
  for (const std::string& argument : arguments)
    command_line += L" " + Quoted(win32::Widen(argument));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  const std::wstring directory = win32::Widen(working_directory);
  CliRun run;
  if (CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                     nullptr, directory.empty() ? nullptr : directory.c_str(), &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    run.status = static_cast<int>(status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  for (const HANDLE handle : {in, out, err})
    CloseHandle(handle);
  run.out = WithLineFeeds(ReadFile(io / "out"));
  run.err = WithLineFeeds(ReadFile(io / "err"));
  return run;
}

// A console control event reaches only processes sharing the sender's console, and the tests
// run without one under Wine: the callers skip (see CanInterruptCli).
CliRun RunCliInterrupted(const std::vector<std::string>&, const std::string&, const std::string&) {
  return {};
}

bool CanInterruptCli() {
  return false;
}

}  // namespace qlm::testing
