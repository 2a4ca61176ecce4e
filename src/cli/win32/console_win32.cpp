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
std::atomic<std::atomic<bool>*> watched_tree{nullptr};

BOOL WINAPI OnControl(DWORD type) {
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
  if (Event* event = watched.load()) {
    const std::string_view note = OnInterrupt(*event, watched_tree.load());
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), note.data(), static_cast<DWORD>(note.size()),
              &written, nullptr);
  }
  return TRUE;  // handled: the process goes on to finish its run
}

}  // namespace

bool StandardErrorIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

struct InterruptWatcher::State {};

InterruptWatcher::InterruptWatcher(Event& continue_event, std::atomic<bool>* finish_then_stop)
    : state_(new State) {
  watched_tree = finish_then_stop;
  watched = &continue_event;
  SetConsoleCtrlHandler(OnControl, TRUE);
}

InterruptWatcher::~InterruptWatcher() {
  SetConsoleCtrlHandler(OnControl, FALSE);
  watched = nullptr;
  watched_tree = nullptr;
}

}  // namespace qlm::cli
