// quillomat.exe: start-up, then the main window as a modal dialog for the rest of the
// program's life. The exit code is always 0.
#include <objbase.h>

#include <memory>
#include <string>

#include "command_argument.h"
#include "main_window.h"
#include "platform/clock.h"
#include "platform/native_file_system.h"
#include "platform/program_directory.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_api.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // The folder chooser is a shell object: it wants a single-threaded apartment.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const std::unique_ptr<qlm::FileSystem> fs = qlm::MakeNativeFileSystem();
  qlm::SystemClock clock;
  qlm::AppState state;
  const std::string executable = qlm::ExecutablePath();
  const std::optional<std::string> argument =
      qlm::win32gui::CommandArgument(qlm::win32::Narrow(GetCommandLineW()));
  const char* argv[] = {executable.c_str(), argument ? argument->c_str() : nullptr, nullptr};
  qlm::StartUp(*fs, argument ? 2 : 1, argv, executable, qlm::ProcessEnvironment, state);
  qlm::win32gui::MainWindow window(state, *fs, clock, instance);
  window.Run();
  CoUninitialize();
  return 0;
}
