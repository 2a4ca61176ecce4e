// The console on Windows: Ctrl-C and Ctrl-Break reach a handler the system calls on a thread
// of its own; it resets the event the run polls between files.
#include <atomic>
#include <cstdio>

#include "cli/console.h"
#include "platform/event.h"
#include "platform/win32/windows_api.h"

namespace qlm::cli {

namespace {

// The handler is process-wide, as the system keeps one list of them.
std::atomic<Event*> watched{nullptr};

BOOL WINAPI OnControl(DWORD type) {
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
  if (Event* event = watched.load()) {
    event->Reset();
    const char note[] = "\nAbort requested: finishing the file in hand...\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), note, sizeof note - 1, &written, nullptr);
  }
  return TRUE;  // handled: the process goes on to finish its run
}

}  // namespace

bool StandardErrorIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

struct InterruptWatcher::State {};

InterruptWatcher::InterruptWatcher(Event& continue_event) : state_(new State) {
  watched = &continue_event;
  SetConsoleCtrlHandler(OnControl, TRUE);
}

InterruptWatcher::~InterruptWatcher() {
  SetConsoleCtrlHandler(OnControl, FALSE);
  watched = nullptr;
}

}  // namespace qlm::cli
