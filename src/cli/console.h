// What quillomat-cli needs of its console that the platforms do differently: whether standard
// error is a terminal, and Ctrl-C turned into an Abort request.
#pragma once

#include <atomic>
#include <memory>
#include <string_view>

namespace qlm {
class Event;
}

namespace qlm::cli {

// True when standard error is a terminal (the progress bar is drawn only there).
bool StandardErrorIsTerminal();

// While it lives, Ctrl-C resets `continue_event`, as the window's Abort button does, and
// says so on standard error; the run notices between files. In a tree run (given
// `finish_then_stop`) the first Ctrl-C only sets that flag: the directory in hand is finished,
// and the second Ctrl-C stops that one too, after the file in hand.
class InterruptWatcher {
 public:
  InterruptWatcher(Event& continue_event, std::atomic<bool>* finish_then_stop);
  ~InterruptWatcher();
  InterruptWatcher(const InterruptWatcher&) = delete;
  InterruptWatcher& operator=(const InterruptWatcher&) = delete;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// What one Ctrl-C does, shared by the platforms: sets `finish_then_stop` the first time when
// given, else resets `continue_event`; the note for standard error.
std::string_view OnInterrupt(Event& continue_event, std::atomic<bool>* finish_then_stop);

}  // namespace qlm::cli
