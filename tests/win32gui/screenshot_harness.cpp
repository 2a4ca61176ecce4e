// Takes the README's screenshots of quillomat.exe's three windows under Wine: each window is
// opened by the program's own classes, copied from the screen once it is up, and
// written as a .bmp into the directory given. tests/windows/screenshots.sh turns them into
// PNGs in docs/.
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/ui.h"
#include "dialog_text.h"
#include "engine/manual_rename.h"
#include "main_window.h"
#include "modal_driver.h"
#include "options_dialog.h"
#include "platform/clock.h"
#include "platform/native_file_system.h"
#include "platform/win32/wide.h"
#include "rename_dialog.h"
#include "support/temp_dir.h"

namespace {

// Writes what `window` shows, frame included, as a 24-bit .bmp.
bool Capture(HWND window, const std::string& path) {
  RECT frame{};
  GetWindowRect(window, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  // From the screen, where the window lies on top: Wine's PrintWindow leaves out the
  // controls.
  const bool drawn =
      BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY) != FALSE;
  SelectObject(memory, old);
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const int stride = (width * 3 + 3) & ~3;
  std::vector<char> pixels(static_cast<std::size_t>(stride) * height);
  GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header),
            DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  std::ofstream out(qlm::testing::NativePath(path), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  return drawn && out.good();
}

void Settle() {
  Sleep(300);  // the last paint of a freshly shown window has no event a driver could wait on
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: screenshot_harness DIRECTORY\n");
    return 2;
  }
  const std::string directory = qlm::win32::Narrow(argv[1]);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const std::unique_ptr<qlm::FileSystem> fs = qlm::MakeNativeFileSystem();
  bool ok = true;

  {  // The main window, showing a finished run of the sample kind.
    qlm::testing::TempDir program;
    qlm::SystemClock clock;
    qlm::AppState state;
    state.ProgramDirectory = program.path() + "\\";
    qlm::win32gui::MainWindow window(state, *fs, clock, instance);
    qlm::testing::ModalDriver driver(
        [&window] { return window.window(); },
        [&](HWND main) {
          for (const auto& [id, text] :
               std::vector<std::pair<int, const char*>>{{qlm::ctl::kFileName, "prices.htm"},
                                                        {qlm::ctl::kTitle, "Our Prices & Offers"},
                                                        {qlm::ctl::kFilesProcessed, "12"},
                                                        {qlm::ctl::kUnrenamed, "1"},
                                                        {qlm::ctl::kUserRenamed, "1"},
                                                        {qlm::ctl::kReadErrors, "0"},
                                                        {qlm::ctl::kTitleErrors, "1"},
                                                        {qlm::ctl::kBackupErrors, "0"}}) {
            SendMessageW(GetDlgItem(main, id), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(qlm::win32::Widen(text).c_str()));
          }
          Settle();
          ok = Capture(main, directory + "\\windows-main-window.bmp") && ok;
          qlm::testing::Click(main, qlm::ctl::kExit);
        });
    window.Run();
  }
  // Shows a modal dialog, saves its picture as `file` and closes it with the button `close`.
  const auto shoot = [&](auto& dialog, const char* file, int close) {
    qlm::testing::ModalDriver driver([&dialog] { return dialog.window(); },
                                     [&](HWND window) {
                                       Settle();
                                       ok = Capture(window, directory + "\\" + file) && ok;
                                       qlm::testing::Click(window, close);
                                     });
    dialog.Run(instance, nullptr);
  };
  {  // The options dialog over the settings' defaults.
    qlm::OptionSet options;
    qlm::win32gui::OptionsDialog dialog(options, [](int) {});
    shoot(dialog, "windows-options-dialog.bmp", qlm::ctl::kOptionsClose);
  }
  {  // The manual rename dialog for a page whose title names a file that exists.
    qlm::testing::TempDir pages;
    qlm::testing::WriteFile(pages / "prices.htm", "x");
    qlm::testing::WriteFile(pages / "Our Prices.qlm", "x");
    std::string destination = pages / "Our Prices.qlm";
    qlm::ManualRename logic(*fs, qlm::RunKind::DirectoryRun, "prices.htm", "Our Prices",
                            pages.path() + "\\", true, destination);
    qlm::win32gui::RenameDialog dialog(logic, qlm::win32gui::SystemMessageBox);
    shoot(dialog, "windows-rename-dialog.bmp", qlm::ctl::kRenameCancel);
  }
  return ok ? 0 : 1;
}
