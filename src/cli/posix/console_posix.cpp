// The console on Linux: a thread waits for SIGINT (blocked everywhere else) and resets the
// event the run polls between files.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <thread>

#include "cli/console.h"
#include "platform/event.h"

namespace qlm::cli {

namespace {
constexpr int kStopSignal = SIGUSR2;
}  // namespace

bool StandardErrorIsTerminal() {
  return isatty(STDERR_FILENO) != 0;
}

struct InterruptWatcher::State {
  Event& continue_event;
  std::atomic<bool>* finish_then_stop;
  sigset_t set;
  std::thread thread;

  void Watch() {
    int signal = 0;
    while (sigwait(&set, &signal) == 0 && signal == SIGINT) {
      const std::string_view note = OnInterrupt(continue_event, finish_then_stop);
      [[maybe_unused]] const ssize_t ignored = write(STDERR_FILENO, note.data(), note.size());
    }
  }
};

InterruptWatcher::InterruptWatcher(Event& continue_event, std::atomic<bool>* finish_then_stop)
    : state_(new State{continue_event, finish_then_stop, {}, {}}) {
  sigemptyset(&state_->set);
  sigaddset(&state_->set, SIGINT);
  sigaddset(&state_->set, kStopSignal);
  pthread_sigmask(SIG_BLOCK, &state_->set, nullptr);
  state_->thread = std::thread([this] { state_->Watch(); });
}

InterruptWatcher::~InterruptWatcher() {
  // Wakes the watcher at once, so that the program does not wait out a poll interval.
  pthread_kill(state_->thread.native_handle(), kStopSignal);
  state_->thread.join();
}

}  // namespace qlm::cli
